// Choosing the target folder in the running installer: the link label opens
// the shell's folder dialog on the folder shown, and what is chosen there is
// what Start writes into.
#include <gtest/gtest.h>

#include <objbase.h>

#include <algorithm>
#include <string>
#include <vector>

#include "tests/e2e/E2eHarness.h"
#include "tests/e2e/InstallerTexts.h"
#include "tests/driver/FolderDialogDriver.h"

using e2e::Describe;
using uidriver::ControlInfo;
using uidriver::MessageBoxInfo;

namespace {

using namespace e2e::texts;

std::string WithoutTrailingBackslash(std::string path)
{
    if (!path.empty() && path.back() == '\\')
        path.pop_back();
    return path;
}

class E2eFolder : public ::testing::Test {
protected:
    static void SetUpTestSuite() { CoInitialize(nullptr); }
    static void TearDownTestSuite() { CoUninitialize(); }

    void SetUp() override
    {
        installer_ = e2e::InstallerPath();
        ASSERT_TRUE(e2e::FileExists(installer_)) << installer_;
        ASSERT_TRUE(scratch_.Valid());
        game_ = scratch_.Path() + "Game\\";
        other_ = scratch_.Path() + "Other\\";
        so_ = scratch_.Path() + "データソ\\";  // ends in 0x83 0x5C
        for (const std::string* folder : {&game_, &other_, &so_})
            ASSERT_TRUE(CreateDirectoryA(folder->c_str(), nullptr)) << *folder;
        ASSERT_TRUE(e2e::WriteFileBytes(game_ + "game.exe", "MZ"));
        std::string error;
        ASSERT_TRUE(shortcut_.Create(e2e::ProgramsShortcut::CurrentUser, "mivaroE2EFolder\\Game.lnk",
                                     game_ + "game.exe", error))
            << error;
    }

    // A variant whose script finds the game through the shortcut made above
    // (or, with findsGame false, through one that is not there).
    std::string Variant(const std::string& name, bool findsGame, bool hasTitle = true)
    {
        std::vector<std::string> lines = {"*Caption", "\tE2E", "*PatchType", "\t1", "%LinkPath",
                                          findsGame ? "\tmivaroE2EFolder\\Game.lnk" : "\tmivaroE2EFolder\\None.lnk",
                                          "%%", "%OutFiles", "\tout.bin", "%%"};
        if (hasTitle)
            lines.insert(lines.begin(), {"*GameTitle", "\tGame"});
        const std::string path = scratch_.Path() + name + ".exe";
        std::string error;
        EXPECT_TRUE(e2e::MakeVariant(installer_, path,
                                     {e2e::ResourceChange::Replace("RESOURCE_SCRIPT", "TEXT",
                                                                   e2e::ScriptFromLines(lines))},
                                     error))
            << error;
        return path;
    }

    static void Choose(e2e::Run& run, const std::string& folder, bool confirm)
    {
        std::string error;
        ASSERT_TRUE(uidriver::ChooseFolder(run.Window, run.Process.Id(), folder, confirm, e2e::kTimeoutMs, error))
            << error << "\n" << Describe(run.Process.MessageBoxes());
    }

    static std::string FieldText(e2e::Run& run)
    {
        uidriver::ReadWindow(run.Window, run.Info);
        const ControlInfo* field = e2e::ControlAt(run.Info, "Edit", 0);
        return field ? field->Text : "<no field>";
    }

    static bool StartEnabled(e2e::Run& run)
    {
        uidriver::ReadWindow(run.Window, run.Info);
        const ControlInfo* start = e2e::ControlAt(run.Info, "Button", 0);
        return start && start->Enabled;
    }

    // Presses Start and waits for the run to end; the text of its message.
    static std::string PressStart(e2e::Run& run)
    {
        std::vector<MessageBoxInfo> shown;
        if (!e2e::PressStart(run, e2e::kTimeoutMs, shown))
            return "<Start not pressed>";
        return shown.empty() ? "<no message>" : shown.front().Text;
    }

    std::string installer_;
    e2e::ScratchDir scratch_;
    std::string game_;
    std::string other_;
    std::string so_;
    e2e::ProgramsShortcut shortcut_;
};

TEST_F(E2eFolder, DialogOpensOnTheFolderShownAndNamesTheGame)
{
    struct Row {
        const char* Name;
        bool HasTitle;
        std::string Instruction;
        int Line;
    };
    const std::vector<Row> rows = {
        {"titled", true, std::string("\"Game\"") + kInstruction, __LINE__},
        // No title in the script: the quotes stay, with nothing between them.
        {"untitled", false, std::string("\"\"") + kInstruction, __LINE__},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(::testing::Message() << "line " << row.Line << ": " << row.Name);
        e2e::Run run;
        std::string error;
        ASSERT_TRUE(run.Open(Variant(row.Name, true, row.HasTitle), e2e::kTimeoutMs, error)) << error;
        ASSERT_EQ(FieldText(run), game_);

        uidriver::FolderDialog dialog(run.Process.Id());
        ASSERT_TRUE(uidriver::PostClientClick(run.Window, uidriver::kChangePathLabel));
        ASSERT_TRUE(dialog.WaitShown(e2e::kTimeoutMs)) << Describe(run.Process.MessageBoxes());
        const std::vector<std::string> statics = dialog.Statics();
        EXPECT_NE(std::find(statics.begin(), statics.end(), row.Instruction), statics.end())
            << "instruction \"" << row.Instruction << "\" not among the dialog's texts";
        std::string selected;
        EXPECT_TRUE(dialog.SelectedItem(selected));
        EXPECT_EQ(selected, "Game");
        ASSERT_TRUE(dialog.Close(false, e2e::kTimeoutMs));

        DWORD exitCode = 1;
        EXPECT_TRUE(run.Finish(e2e::kTimeoutMs, exitCode));
        EXPECT_EQ(exitCode, 0u);
        EXPECT_TRUE(run.Process.MessageBoxes().empty()) << Describe(run.Process.MessageBoxes());
    }
}

TEST_F(E2eFolder, ChosenFolderIsStoredWithOneTrailingBackslash)
{
    struct Row {
        const char* Name;
        bool FindsGame;
        std::string Chosen;  // as selected in the dialog
        bool Confirm;
        std::string Field;   // the field afterwards
        bool StartEnabled;
        int Line;
    };
    const std::vector<Row> rows = {
        {"other", true, WithoutTrailingBackslash(other_), true, other_, true, __LINE__},
        {"driveroot", true, "C:\\", true, "C:\\", true, __LINE__},
        {"sofolder", true, WithoutTrailingBackslash(so_), true, so_, true, __LINE__},
        // The opening selection confirmed: the folder shown, unchanged.
        {"unchanged", true, "", true, game_, true, __LINE__},
        {"cancelled", true, WithoutTrailingBackslash(other_), false, game_, true, __LINE__},
        // The game not found: choosing a folder is what enables Start.
        {"notfound", false, WithoutTrailingBackslash(other_), true, other_, true, __LINE__},
        {"notfoundcancelled", false, WithoutTrailingBackslash(other_), false, "", false, __LINE__},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(::testing::Message() << "line " << row.Line << ": " << row.Name);
        e2e::Run run;
        std::string error;
        ASSERT_TRUE(run.Open(Variant(row.Name, row.FindsGame), e2e::kTimeoutMs, error)) << error;
        const std::vector<std::string> startUp = row.FindsGame ? std::vector<std::string>{}
                                                               : std::vector<std::string>{kM2};
        ASSERT_EQ(run.Process.MessageBoxes().size(), startUp.size()) << Describe(run.Process.MessageBoxes());
        ASSERT_EQ(FieldText(run), row.FindsGame ? game_ : "");

        Choose(run, row.Chosen, row.Confirm);
        EXPECT_EQ(FieldText(run), row.Field);
        EXPECT_EQ(StartEnabled(run), row.StartEnabled);

        DWORD exitCode = 1;
        EXPECT_TRUE(run.Finish(e2e::kTimeoutMs, exitCode));
        EXPECT_EQ(exitCode, 0u);
        EXPECT_EQ(run.Process.MessageBoxes().size(), startUp.size()) << Describe(run.Process.MessageBoxes());
    }
}

// A whole session: Start, then the same folder (Start stays off), then
// another folder (Start comes back) and a second run that writes there.
TEST_F(E2eFolder, AfterARunAnotherFolderCanBePatchedToo)
{
    std::string payload;
    ASSERT_TRUE(e2e::ReadResource(installer_, "RESOURCE_FILE0", "BIN", payload));
    e2e::Run run;
    std::string error;
    ASSERT_TRUE(run.Open(Variant("session", true), e2e::kTimeoutMs, error)) << error;
    ASSERT_TRUE(StartEnabled(run));

    EXPECT_EQ(PressStart(run), kDone);
    EXPECT_FALSE(StartEnabled(run));

    Choose(run, WithoutTrailingBackslash(game_), true);
    EXPECT_EQ(FieldText(run), game_);
    EXPECT_FALSE(StartEnabled(run)) << "the folder already patched must not enable Start again";

    Choose(run, WithoutTrailingBackslash(other_), true);
    EXPECT_EQ(FieldText(run), other_);
    ASSERT_TRUE(StartEnabled(run));
    EXPECT_EQ(PressStart(run), kDone);

    std::string first, second;
    EXPECT_TRUE(e2e::ReadFileBytes(game_ + "out.bin", first));
    EXPECT_TRUE(e2e::ReadFileBytes(other_ + "out.bin", second));
    EXPECT_TRUE(first == payload) << "first run's file differs from the payload";
    EXPECT_TRUE(second == payload) << "second run's file differs from the payload";

    DWORD exitCode = 1;
    EXPECT_TRUE(run.Finish(e2e::kTimeoutMs, exitCode));
    EXPECT_EQ(exitCode, 0u);
    EXPECT_EQ(run.Process.MessageBoxes().size(), 2u) << Describe(run.Process.MessageBoxes());
}

}  // namespace
