// Broken packages run through the installer from start to finish: pictures
// that are cut short, lie about their sizes or are no .bmp file at all, and
// scripts that are empty, binary, one enormous line, cut by a NUL or made of
// thousands of keys. Each one gives exactly the message the set-up raises for
// it, the window opens all the same, and closing it ends the process normally.
#include <gtest/gtest.h>

#include <cstdint>
#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "tests/e2e/E2eHarness.h"
#include "tests/e2e/InstallerTexts.h"

using e2e::Describe;
using e2e::ResourceChange;
using uidriver::ControlInfo;
using uidriver::MessageBoxInfo;

namespace {

using namespace e2e::texts;

const char kInvalidPicture[] = "画像の形式が正しくありません";
const char kNoScript[] = "RESOURCE_SCRIPT リソースが見つかりません";
const char kRangeError[] = "範囲外の位置が参照されました";

const size_t kMiB = size_t(1) << 20;

void Put32(std::string& bytes, size_t offset, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        bytes[offset + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
}

// A complete .bmp file: file header, 40-byte information header, a colour
// table for depths up to 8 bits, and every pixel row filled.
std::string Bitmap(int32_t width, int32_t height, uint16_t bits)
{
    const uint32_t colors = bits <= 8 ? (1u << bits) : 0;
    const uint32_t rows = static_cast<uint32_t>(height < 0 ? -height : height);
    const uint32_t stride = ((static_cast<uint32_t>(width) * bits + 31) / 32) * 4;
    const uint32_t offset = 14 + 40 + colors * 4;
    std::string bytes(offset + stride * rows, '\x5A');
    bytes[0] = 'B';
    bytes[1] = 'M';
    Put32(bytes, 2, static_cast<uint32_t>(bytes.size()));
    Put32(bytes, 6, 0);
    Put32(bytes, 10, offset);
    Put32(bytes, 14, 40);
    Put32(bytes, 18, static_cast<uint32_t>(width));
    Put32(bytes, 22, static_cast<uint32_t>(height));
    Put32(bytes, 26, 1 | (uint32_t(bits) << 16));  // planes, bits per pixel
    Put32(bytes, 30, 0);                            // no compression
    Put32(bytes, 34, stride * rows);
    Put32(bytes, 38, 2834);
    Put32(bytes, 42, 2834);
    Put32(bytes, 46, 0);  // colours used: all the depth allows
    Put32(bytes, 50, 0);
    return bytes;
}

std::string WithField(std::string bytes, size_t offset, uint32_t value)
{
    Put32(bytes, offset, value);
    return bytes;
}

// Pseudo-random bytes from 0x01 to 0xFF: no NUL, so a script of them is read
// to its end, line breaks, lone lead bytes and all.
std::string BinaryBytes(size_t count, uint32_t seed)
{
    std::string bytes(count, '\0');
    for (char& byte : bytes) {
        seed = seed * 1103515245u + 12345u;
        byte = static_cast<char>(1 + (seed >> 16) % 255);
    }
    return bytes;
}

// A literal with the NULs it holds.
template <size_t N>
std::string Bytes(const char (&literal)[N])
{
    return std::string(literal, N - 1);
}

std::string Lines(const std::vector<std::string>& lines)
{
    return e2e::ScriptFromLines(lines);
}

// A long text shown by its size and first bytes only.
std::string Shorten(const std::string& text)
{
    if (text.size() <= 80)
        return "\"" + text + "\"";
    return std::to_string(text.size()) + " bytes \"" + text.substr(0, 40) + "...\"";
}

struct Row {
    const char* Name;
    std::vector<ResourceChange> Changes;
    std::vector<std::string> Messages;  // exactly these, in this order
    bool CheckCaption;                  // false for bytes that are no valid Shift_JIS
    std::string Caption;
    int Line;
};

class E2eBadPackage : public ::testing::Test {
protected:
    void SetUp() override
    {
        installer_ = e2e::InstallerPath();
        ASSERT_TRUE(e2e::FileExists(installer_)) << installer_;
        ASSERT_TRUE(scratch_.Valid());
        ASSERT_TRUE(e2e::ReadResource(installer_, "RESOURCE_BACKGROUND", "BMP", picture_));
        ASSERT_GT(picture_.size(), 54u);
    }

    // Each row: the installer with the changed resources runs until its
    // window shows, answering and keeping every message box; the window is
    // read, then closed through its close box. A few rows run at once, each
    // its own process: most of a run is Wine starting and ending a process.
    void RunRows(const std::vector<Row>& rows)
    {
        const size_t kAtOnce = 4;
        for (size_t first = 0; first < rows.size(); first += kAtOnce) {
            const size_t count = std::min(kAtOnce, rows.size() - first);
            std::vector<std::unique_ptr<e2e::Run>> runs;
            for (size_t i = first; i < first + count; ++i) {
                const Row& row = rows[i];
                SCOPED_TRACE(::testing::Message() << "line " << row.Line << ": " << row.Name);
                const std::string variant = scratch_.Path() + row.Name + ".exe";
                std::string error;
                runs.emplace_back(new e2e::Run());
                ASSERT_TRUE(e2e::MakeVariant(installer_, variant, row.Changes, error)) << error;
                ASSERT_TRUE(runs.back()->Process.Start(variant)) << "CreateProcess " << variant;
            }
            std::vector<bool> opened(count, false);
            for (size_t i = 0; i < count; ++i) {
                SCOPED_TRACE(::testing::Message() << "line " << rows[first + i].Line << ": " << rows[first + i].Name);
                opened[i] = CheckOpenWindow(rows[first + i], *runs[i]);
            }
            for (size_t i = 0; i < count; ++i) {
                if (opened[i]) {
                    EXPECT_TRUE(uidriver::PostCloseBox(runs[i]->Window));
                }
            }
            for (size_t i = 0; i < count; ++i) {
                const Row& row = rows[first + i];
                SCOPED_TRACE(::testing::Message() << "line " << row.Line << ": " << row.Name);
                // A crash, at any point up to the end, shows as another exit
                // code (the prefix has no debugger to stop it in).
                DWORD exitCode = 1;
                ASSERT_TRUE(runs[i]->Process.WaitForExit(e2e::kTimeoutMs, exitCode)) << "the installer did not end";
                EXPECT_EQ(exitCode, 0u);
                EXPECT_EQ(runs[i]->Process.MessageBoxes().size(), row.Messages.size())
                    << "message boxes up to the end:\n" << Describe(runs[i]->Process.MessageBoxes());
            }
        }
    }

    // The window has opened, after exactly the row's message boxes.
    static bool CheckOpenWindow(const Row& row, e2e::Run& run)
    {
        run.Window = run.Process.WaitForMainWindow(e2e::kTimeoutMs);
        if (!run.Window || !uidriver::ReadWindow(run.Window, run.Info)) {
            DWORD exitCode = 0;
            const bool ended = run.Process.WaitForExit(1000, exitCode);
            ADD_FAILURE() << "no window; exit code "
                          << (ended ? std::to_string(exitCode) : std::string("(still running)")) << "\n"
                          << Describe(run.Process.MessageBoxes());
            return false;
        }
        std::vector<std::string> texts;
        for (const MessageBoxInfo& box : run.Process.MessageBoxes()) {
            texts.push_back(box.Text);
            EXPECT_EQ(box.Caption, kTitle) << box.Text;
            EXPECT_EQ(box.Buttons.size(), 1u) << box.Text;
        }
        EXPECT_EQ(texts, row.Messages) << Describe(run.Process.MessageBoxes());

        const uidriver::WindowInfo& info = run.Info;
        EXPECT_TRUE(info.Visible);
        EXPECT_EQ(info.ClientSize.cx, 600);
        EXPECT_EQ(info.ClientSize.cy, 300);
        if (row.CheckCaption) {
            EXPECT_TRUE(info.Caption == row.Caption)
                << "caption " << Shorten(info.Caption) << ", expected " << Shorten(row.Caption);
        }
        // No row finds the game: the field stays empty and Start disabled.
        const ControlInfo* start = e2e::ControlAt(info, "Button", 0);
        const ControlInfo* cancel = e2e::ControlAt(info, "Button", 1);
        const ControlInfo* edit = e2e::ControlAt(info, "Edit", 0);
        EXPECT_TRUE(start && start->Text == kStartCaption && !start->Enabled)
            << (start ? start->Text : std::string("no Start button"));
        EXPECT_TRUE(cancel && cancel->Text == kCancelCaption && cancel->Enabled)
            << (cancel ? cancel->Text : std::string("no Cancel button"));
        EXPECT_TRUE(edit && edit->Text.empty()) << (edit ? edit->Text : std::string("no field"));
        return true;
    }

    std::string installer_;
    std::string picture_;  // the sample package's background, a 600 x 300 24-bit .bmp
    e2e::ScratchDir scratch_;
};

// A picture the loader refuses raises its message first of all: the script
// is never read (its caption and its missing shortcut go unreported), and the
// window opens with the form's caption. A picture it takes is followed by the
// script's own outcome, here the shortcut that is not in the Programs menu.
TEST_F(E2eBadPackage, BrokenBackgroundIsReportedAndTheWindowOpens)
{
    const std::string script =
        Lines({"*Caption", "\tPicture", "%LinkPath", "\tmivaroNone\\None.lnk", "%%"});
    const size_t size = picture_.size();
    auto package = [&](const std::string& picture) {
        return std::vector<ResourceChange>{ResourceChange::Replace("RESOURCE_SCRIPT", "TEXT", script),
                                           ResourceChange::Replace("RESOURCE_BACKGROUND", "BMP", picture)};
    };
    const std::vector<std::string> refused = {kInvalidPicture};
    const std::vector<std::string> taken = {kM2};
    std::string png = Bytes("\x89PNG\r\n\x1A\n\0\0\0\rIHDR");
    png.append(600, '\x11');

    const std::vector<Row> rows = {
        // Cut short.
        {"cuthalf", package(picture_.substr(0, size / 2)), refused, true, kFormCaption, __LINE__},
        {"cutinheader", package(picture_.substr(0, 30)), refused, true, kFormCaption, __LINE__},
        // Sizes that promise more than there is.
        {"filesizeplusone", package(WithField(picture_, 2, static_cast<uint32_t>(size + 1))), refused, true,
         kFormCaption, __LINE__},
        {"pixelspastend", package(WithField(picture_, 10, 0xFFFFFFF0u)), refused, true, kFormCaption, __LINE__},
        {"onerowtoomany", package(WithField(picture_, 22, 301)), refused, true, kFormCaption, __LINE__},
        {"hugewidth", package(WithField(picture_, 18, 0x7FFFFFFFu)), refused, true, kFormCaption, __LINE__},
        {"infosizehuge", package(WithField(picture_, 14, 0xFFFFFFFFu)), refused, true, kFormCaption, __LINE__},
        {"coloursoverdepth", package(WithField(Bitmap(4, 4, 8), 46, 257)), refused, true, kFormCaption, __LINE__},
        // Not a .bmp file.
        {"png", package(png), refused, true, kFormCaption, __LINE__},
        {"nofileheader", package(picture_.substr(14)), refused, true, kFormCaption, __LINE__},
        // Pictures the loader takes: a file size that understates (nothing is
        // read by it), and a picture far smaller than the window.
        {"filesizezero", package(WithField(picture_, 2, 0)), taken, true, "Picture", __LINE__},
        {"onepixel", package(Bitmap(1, 1, 24)), taken, true, "Picture", __LINE__},
    };
    RunRows(rows);
}

// Scripts that hold nothing useful, or far more than a script should, end at
// the set-up's own messages: no key, no shortcut, or the platform's error.
TEST_F(E2eBadPackage, BrokenScriptIsReportedAndTheWindowOpens)
{
    auto script = [](const std::string& bytes) {
        return std::vector<ResourceChange>{ResourceChange::Replace("RESOURCE_SCRIPT", "TEXT", bytes)};
    };
    const std::string bigCaption(kMiB, 'C');
    std::vector<std::string> manyKeys;
    for (int i = 0; i < 3000; ++i) {
        manyKeys.push_back("*Key" + std::to_string(i));
        manyKeys.push_back("\tValue" + std::to_string(i));
        manyKeys.push_back("%List" + std::to_string(i));
        manyKeys.push_back("\titem");
        manyKeys.push_back("%%");
    }
    manyKeys.push_back("*Caption");
    manyKeys.push_back("\tLast");
    manyKeys.push_back("%LinkPath");
    for (int i = 0; i < 200; ++i)
        manyKeys.push_back("\tmivaroNone\\" + std::to_string(i) + ".lnk");
    manyKeys.push_back("%%");

    const std::vector<Row> rows = {
        // A resource cannot be written empty. These read the same as an empty
        // script: one empty line, or no text at all before the first NUL
        // (everything after it is never read), so no key is found.
        {"crlfonly", script("\r\n"), {kM1}, true, kFormCaption, __LINE__},
        {"nulfirst", script(Bytes("\0*Caption\r\n\tHidden\r\n%LinkPath\r\n%%\r\n")), {kM1}, true,
         kFormCaption, __LINE__},
        // No script at all: the platform's resource error, after the picture.
        {"noscript", {ResourceChange::Delete("RESOURCE_SCRIPT", "TEXT")}, {kNoScript}, true, kFormCaption,
         __LINE__},
        // A NUL ends the text, inside a value or between sections.
        {"nulinvalue", script(Bytes("*Caption\r\n\tAB\0CD\r\n%LinkPath\r\n%%\r\n")), {kM1}, true, "AB",
         __LINE__},
        {"nulbetween", script(Bytes("*Caption\r\n\tBefore\r\n\0\r\n%LinkPath\r\n%%\r\n")), {kM1}, true,
         "Before", __LINE__},
        // Binary: 64 KiB of arbitrary bytes, then bytes that are no valid
        // Shift_JIS as a caption and as shortcut names.
        {"binary", script(BinaryBytes(64 * 1024, 20261211)), {kM1}, true, kFormCaption, __LINE__},
        {"badshiftjis",
         script(Lines({"*Caption", "\tAB\x81", "%LinkPath", "\t\x81", "\t\xFC\xFC\x5C\x80\xA0\xFF", "\t\\\x81\\",
                       "%%"})),
         {kM2}, false, "", __LINE__},
        // One enormous line: no key; as a caption; as a shortcut name.
        {"onehugeline", script(std::string(kMiB, 'A')), {kM1}, true, kFormCaption, __LINE__},
        {"hugecaption", script(Lines({"*Caption", "\t" + bigCaption, "%LinkPath", "%%"})), {kM2}, true, bigCaption,
         __LINE__},
        {"hugeshortcutname", script(Lines({"%LinkPath", "\t" + std::string(kMiB, 'L'), "%%"})), {kM2}, true,
         kFormCaption, __LINE__},
        // Thousands of keys and sections before the ones read, then two
        // hundred shortcut names none of which exists (each costs a search of
        // both Programs folders, some 20 ms under Wine).
        {"thousandsofkeys", script(Lines(manyKeys)), {kM2}, true, "Last", __LINE__},
        // An empty shortcut name: the platform's range error ends the search.
        {"emptyshortcutname", script(Lines({"*Caption", "\tEmpty", "%LinkPath", "", "\tmivaroNone\\x.lnk", "%%"})),
         {kRangeError}, true, "Empty", __LINE__},
    };
    RunRows(rows);
}

}  // namespace
