// The installer's window seen from outside: the installer runs as a child
// process and is read, clicked and closed through the UI driver.
#include <gtest/gtest.h>

#include <cstring>

#include "platform/SysUtils.h"
#include "tests/e2e/E2eHarness.h"
#include "tests/e2e/InstallerTexts.h"

using e2e::ResourceChange;
using uidriver::ControlInfo;
using e2e::Describe;
using uidriver::MessageBoxInfo;

namespace {

using namespace e2e::texts;

// Every message box is the platform's: the application title, one button.
void ExpectAllMessageBoxesOwnedByTheApplication(const std::vector<MessageBoxInfo>& boxes)
{
    for (const MessageBoxInfo& box : boxes) {
        SCOPED_TRACE(box.Text);
        EXPECT_EQ(box.Caption, kTitle);
        EXPECT_EQ(box.Buttons.size(), 1u);
    }
}

class E2eWindow : public ::testing::Test {
protected:
    void SetUp() override
    {
        installer_ = e2e::InstallerPath();
        ASSERT_TRUE(e2e::FileExists(installer_)) << installer_;
        ASSERT_TRUE(scratch_.Valid());
    }

    // A copy of the installer with some package resources changed.
    std::string Variant(const char* name, const std::vector<ResourceChange>& changes)
    {
        const std::string path = scratch_.Path() + name + ".exe";
        std::string error;
        EXPECT_TRUE(e2e::MakeVariant(installer_, path, changes, error)) << error;
        return path;
    }

    std::string installer_;
    e2e::ScratchDir scratch_;
};

// The package variants are real: the changed resources read back exactly,
// the removed one is gone and the others are untouched.
TEST_F(E2eWindow, VariantCarriesExactlyTheChangedResources)
{
    const std::string script = e2e::ScriptFromLines({"*Caption", "\tテスト表示", "%LinkPath", "%%"});
    const std::string payload("\0\x01\x5C\xFF" "payload", 11);
    const std::string variant = Variant("variant", {
        ResourceChange::Replace("RESOURCE_SCRIPT", "TEXT", script),
        ResourceChange::Delete("RESOURCE_FILE0", "BIN"),
        ResourceChange::Replace("RESOURCE_FILE1", "BIN", payload),
    });

    std::string bytes;
    ASSERT_TRUE(e2e::ReadResource(variant, "RESOURCE_SCRIPT", "TEXT", bytes));
    EXPECT_EQ(bytes, script);
    ASSERT_TRUE(e2e::ReadResource(variant, "RESOURCE_FILE1", "BIN", bytes));
    EXPECT_EQ(bytes, payload);
    EXPECT_FALSE(e2e::ReadResource(variant, "RESOURCE_FILE0", "BIN", bytes));

    struct Kept {
        const char* Name;
        const char* Type;
        int Line;
    };
    const Kept kept[] = {
        {"RESOURCE_BACKGROUND", "BMP", __LINE__},
        {"TFORMMAIN", MAKEINTRESOURCEA(10), __LINE__},  // RT_RCDATA
    };
    for (const Kept& row : kept) {
        SCOPED_TRACE(::testing::Message() << "line " << row.Line << ": " << row.Name);
        std::string original;
        std::string copied;
        ASSERT_TRUE(e2e::ReadResource(installer_, row.Name, row.Type, original));
        ASSERT_TRUE(e2e::ReadResource(variant, row.Name, row.Type, copied));
        EXPECT_FALSE(original.empty());
        EXPECT_EQ(copied, original);
    }
}

// The window as the form resource lays it out, before any directory is shown.
TEST_F(E2eWindow, MainWindowLayoutAndStartDisabledWithoutDirectory)
{
    e2e::Run run;
    std::string error;
    ASSERT_TRUE(run.Open(installer_, e2e::kTimeoutMs, error)) << error << "\n" << Describe(run.Process.MessageBoxes());
    const uidriver::WindowInfo& info = run.Info;

    EXPECT_EQ(info.ClassName, "TFormMain");
    EXPECT_TRUE(info.Visible);
    EXPECT_EQ(info.ClientSize.cx, 600);
    EXPECT_EQ(info.ClientSize.cy, 300);
    EXPECT_TRUE(uidriver::IsCentredOnScreen(info.Bounds))
        << "window at " << info.Bounds.left << "," << info.Bounds.top << "-" << info.Bounds.right << ","
        << info.Bounds.bottom << " on a screen of " << GetSystemMetrics(SM_CXSCREEN) << "x"
        << GetSystemMetrics(SM_CYSCREEN);
    EXPECT_EQ(info.Style & (WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX), WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX);
    EXPECT_EQ(info.Style & WS_MAXIMIZEBOX, 0) << "maximise box";
    EXPECT_EQ(info.Style & WS_THICKFRAME, 0) << "resizing frame";

    // The windowed controls in tab order (their Z order); the labels have no window.
    struct Expected {
        const char* ClassName;
        const char* Text;
        RECT Bounds;
        bool Enabled;
        int Line;
    };
    const Expected expected[] = {
        {"Button", kStartCaption, {488, 240, 488 + 107, 240 + 25}, false, __LINE__},
        {"Button", kCancelCaption, {488, 272, 488 + 107, 272 + 25}, true, __LINE__},
        {"Edit", "", {8, 256, 8 + 473, 256 + 20}, true, __LINE__},
    };
    ASSERT_EQ(info.Controls.size(), sizeof expected / sizeof expected[0]);
    for (size_t i = 0; i < info.Controls.size(); ++i) {
        const Expected& row = expected[i];
        const ControlInfo& control = info.Controls[i];
        SCOPED_TRACE(::testing::Message() << "line " << row.Line << ": control " << i << " " << control.ClassName
                                          << " \"" << control.Text << "\"");
        EXPECT_EQ(control.ClassName, row.ClassName);
        EXPECT_EQ(control.Text, row.Text);
        EXPECT_EQ(control.Bounds.left, row.Bounds.left);
        EXPECT_EQ(control.Bounds.top, row.Bounds.top);
        EXPECT_EQ(control.Bounds.right, row.Bounds.right);
        EXPECT_EQ(control.Bounds.bottom, row.Bounds.bottom);
        EXPECT_EQ(control.Enabled, row.Enabled);
        EXPECT_TRUE(control.Visible);
        EXPECT_NE(control.Style & WS_TABSTOP, 0);
    }
    const ControlInfo* edit = e2e::ControlAt(info, "Edit", 0);
    ASSERT_NE(edit, nullptr);
    EXPECT_NE(edit->Style & ES_READONLY, 0) << "the target field cannot be typed into";
    const ControlInfo* start = e2e::ControlAt(info, "Button", 0);
    const ControlInfo* cancel = e2e::ControlAt(info, "Button", 1);
    ASSERT_NE(start, nullptr);
    ASSERT_NE(cancel, nullptr);
    for (const ControlInfo* button : {start, cancel})
        EXPECT_EQ(button->Style & BS_TYPEMASK, BS_PUSHBUTTON) << button->Text << ": no default button";

    DWORD exitCode = 1;
    ASSERT_TRUE(run.Finish(e2e::kTimeoutMs, exitCode));
    EXPECT_EQ(exitCode, 0u);
    ExpectAllMessageBoxesOwnedByTheApplication(run.Process.MessageBoxes());
}

// The two tests below need the start-up set-up that reads the script and
// searches the shortcuts; they are disabled until FormCreate does so. Run
// them with --gtest_also_run_disabled_tests.

// Start-up with the sample package and none of its shortcuts in the Programs
// menu: the one message about the missing target, before the window shows.
TEST_F(E2eWindow, SamplePackageWithoutShortcutReportsTheMissingTarget)
{
    e2e::Run run;
    std::string error;
    ASSERT_TRUE(run.Open(installer_, e2e::kTimeoutMs, error)) << error;
    const std::vector<MessageBoxInfo> boxes = run.Process.MessageBoxes();
    ASSERT_EQ(boxes.size(), 1u) << Describe(boxes);
    EXPECT_EQ(boxes[0].Text, kM2);
    ExpectAllMessageBoxesOwnedByTheApplication(boxes);
    const ControlInfo* edit = e2e::ControlAt(run.Info, "Edit", 0);
    const ControlInfo* start = e2e::ControlAt(run.Info, "Button", 0);
    ASSERT_NE(edit, nullptr);
    ASSERT_NE(start, nullptr);
    EXPECT_EQ(edit->Text, "");
    EXPECT_FALSE(start->Enabled);

    DWORD exitCode = 1;
    ASSERT_TRUE(run.Finish(e2e::kTimeoutMs, exitCode));
    EXPECT_EQ(exitCode, 0u);
}

// Start follows the target field: enabled once start-up shows the directory
// of a found shortcut, disabled when nothing was found. The caption is the
// script's, or the form's "FormMain" without one.
TEST_F(E2eWindow, StartFollowsTheDirectoryFoundAtStartUp)
{
    // ASCII names: Wine creates no file with other names unless the Japanese
    // locale is installed on the host.
    const std::string linkPath = "mivaroE2E\\Title\\Title.lnk";
    const std::string gameFolder = scratch_.Path() + "Games\\";
    ASSERT_TRUE(CreateDirectoryA(gameFolder.c_str(), nullptr));
    ASSERT_TRUE(e2e::WriteFileBytes(gameFolder + "game.exe", "MZ"));

    struct Row {
        const char* Name;
        bool WithCaption;
        bool ShortcutInstalled;
        const char* Caption;
        std::string Directory;
        bool StartEnabled;
        std::vector<std::string> Messages;
        int Line;
    };
    const Row rows[] = {
        {"found", true, true, "テスト表示 ver 1.0", gameFolder, true, {}, __LINE__},
        {"foundnocaption", false, true, "FormMain", gameFolder, true, {}, __LINE__},
        {"notfound", true, false, "テスト表示 ver 1.0", "", false, {kM2}, __LINE__},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(::testing::Message() << "line " << row.Line << ": " << row.Name);
        std::vector<std::string> lines;
        if (row.WithCaption)
            lines = {"*Caption", "\tテスト表示 ver 1.0", ""};
        for (const char* line : {"*PatchType", "\t1", "%LinkPath", "\tmivaroE2E\\Missing.lnk"})
            lines.push_back(line);
        lines.push_back("\t" + linkPath);
        for (const char* line : {"%%", "%OutFiles", "\tout.bin", "%%"})
            lines.push_back(line);
        const std::string variant = Variant(
            row.Name, {ResourceChange::Replace("RESOURCE_SCRIPT", "TEXT", e2e::ScriptFromLines(lines))});

        e2e::ProgramsShortcut shortcut;
        std::string error;
        if (row.ShortcutInstalled) {
            ASSERT_TRUE(shortcut.Create(e2e::ProgramsShortcut::CurrentUser, linkPath, gameFolder + "game.exe", error))
                << error;
        }
        e2e::Run run;
        ASSERT_TRUE(run.Open(variant, e2e::kTimeoutMs, error)) << error;
        const std::vector<MessageBoxInfo> boxes = run.Process.MessageBoxes();
        ASSERT_EQ(boxes.size(), row.Messages.size()) << Describe(boxes);
        for (size_t i = 0; i < boxes.size(); ++i)
            EXPECT_EQ(boxes[i].Text, row.Messages[i]);
        ExpectAllMessageBoxesOwnedByTheApplication(boxes);

        EXPECT_EQ(run.Info.Caption, row.Caption);
        const ControlInfo* edit = e2e::ControlAt(run.Info, "Edit", 0);
        const ControlInfo* start = e2e::ControlAt(run.Info, "Button", 0);
        ASSERT_NE(edit, nullptr);
        ASSERT_NE(start, nullptr);
        EXPECT_EQ(edit->Text, row.Directory);
        EXPECT_EQ(start->Enabled, row.StartEnabled);

        DWORD exitCode = 1;
        ASSERT_TRUE(run.Finish(e2e::kTimeoutMs, exitCode));
        EXPECT_EQ(exitCode, 0u);

        // The next row starts from a Programs menu without the shortcut's folders.
        shortcut.Remove();
        std::string programs;
        ASSERT_TRUE(e2e::ProgramsFolder(e2e::ProgramsShortcut::CurrentUser, programs));
        EXPECT_EQ(GetFileAttributesA((programs + "mivaroE2E").c_str()), INVALID_FILE_ATTRIBUTES);
    }
}

// Cancel and the close box both end the program, with exit code 0.
TEST_F(E2eWindow, CancelAndCloseBoxEndTheProgramWithExitCodeZero)
{
    enum How { CancelClicked, CancelCommand, CloseBox };
    struct Row {
        How Way;
        const char* Name;
        int Line;
    };
    const Row rows[] = {
        {CancelClicked, "Cancel pressed (BM_CLICK)", __LINE__},
        {CancelCommand, "Cancel's command (WM_COMMAND)", __LINE__},
        {CloseBox, "close box (SC_CLOSE)", __LINE__},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(::testing::Message() << "line " << row.Line << ": " << row.Name);
        e2e::Run run;
        std::string error;
        ASSERT_TRUE(run.Open(installer_, e2e::kTimeoutMs, error)) << error;
        const ControlInfo* cancel = e2e::ControlAt(run.Info, "Button", 1);
        ASSERT_NE(cancel, nullptr);
        ASSERT_EQ(cancel->Text, kCancelCaption);
        // Still running with its window shown: what ends it is the step below.
        Sleep(200);
        ASSERT_TRUE(run.Process.Running());
        bool posted = false;
        switch (row.Way) {
        case CancelClicked: posted = uidriver::PostClick(cancel->Handle); break;
        case CancelCommand: posted = uidriver::PostCommand(cancel->Handle); break;
        case CloseBox: posted = uidriver::PostCloseBox(run.Window); break;
        }
        ASSERT_TRUE(posted);
        DWORD exitCode = 1;
        ASSERT_TRUE(run.Process.WaitForExit(e2e::kTimeoutMs, exitCode)) << "still running";
        EXPECT_EQ(exitCode, 0u);
        ExpectAllMessageBoxesOwnedByTheApplication(run.Process.MessageBoxes());
    }
}

// A .bmp made of its information header and pixels only: the file header missing.
std::string BitmapWithoutFileHeader()
{
    BITMAPINFOHEADER header = {};
    header.biSize = sizeof header;
    header.biWidth = 2;
    header.biHeight = 2;
    header.biPlanes = 1;
    header.biBitCount = 24;
    header.biCompression = BI_RGB;
    header.biSizeImage = 16;
    std::string bytes(reinterpret_cast<const char*>(&header), sizeof header);
    bytes.append(16, '\x7F');
    return bytes;
}

// A .bmp cut after its file header, which promises a whole picture.
std::string TruncatedBitmap()
{
    BITMAPFILEHEADER header = {};
    header.bfType = 0x4D42;  // "BM"
    header.bfSize = 540056;
    header.bfOffBits = 54;
    return std::string(reinterpret_cast<const char*>(&header), sizeof header);
}

// A background that cannot be loaded is reported with the platform's message;
// the set-up stops there, and the window opens all the same, with its form's
// caption and Start disabled.
TEST_F(E2eWindow, BackgroundThatCannotBeLoadedIsReportedAndTheWindowStillOpens)
{
    const std::string invalidPicture = EInvalidGraphic().Message.c_str();
    struct Row {
        const char* Name;
        ResourceChange Change;
        std::string Message;
        int Line;
    };
    const Row rows[] = {
        {"nobackground", ResourceChange::Delete("RESOURCE_BACKGROUND", "BMP"),
         "RESOURCE_BACKGROUND リソースが見つかりません", __LINE__},
        {"textbackground", ResourceChange::Replace("RESOURCE_BACKGROUND", "BMP", "this is not a picture"),
         invalidPicture, __LINE__},
        {"truncatedbackground", ResourceChange::Replace("RESOURCE_BACKGROUND", "BMP", TruncatedBitmap()),
         invalidPicture, __LINE__},
        {"headerlessbackground", ResourceChange::Replace("RESOURCE_BACKGROUND", "BMP", BitmapWithoutFileHeader()),
         invalidPicture, __LINE__},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(::testing::Message() << "line " << row.Line << ": " << row.Name);
        const std::string variant = Variant(row.Name, {row.Change});
        e2e::Run run;
        std::string error;
        ASSERT_TRUE(run.Open(variant, e2e::kTimeoutMs, error)) << error;
        const std::vector<MessageBoxInfo> boxes = run.Process.MessageBoxes();
        ASSERT_EQ(boxes.size(), 1u) << Describe(boxes);
        EXPECT_EQ(boxes[0].Text, row.Message);
        ExpectAllMessageBoxesOwnedByTheApplication(boxes);

        EXPECT_EQ(run.Info.Caption, "FormMain");
        EXPECT_EQ(run.Info.ClientSize.cx, 600);
        EXPECT_EQ(run.Info.ClientSize.cy, 300);
        const ControlInfo* start = e2e::ControlAt(run.Info, "Button", 0);
        ASSERT_NE(start, nullptr);
        EXPECT_EQ(start->Text, kStartCaption);
        EXPECT_FALSE(start->Enabled);

        DWORD exitCode = 1;
        ASSERT_TRUE(run.Finish(e2e::kTimeoutMs, exitCode));
        EXPECT_EQ(exitCode, 0u);
    }
}

}  // namespace
