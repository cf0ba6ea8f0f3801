// The installer from start to finish: what start-up finds and shows, and
// what Start writes, run as a child process against real shortcuts and files.
#include <gtest/gtest.h>

#include <shlobj.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "tests/e2e/E2eHarness.h"
#include "tests/e2e/InstallerTexts.h"

using e2e::ResourceChange;
using uidriver::ControlInfo;
using e2e::Describe;
using uidriver::MessageBoxInfo;

namespace {

using namespace e2e::texts;

const char kLinkFolder[] = "mivaroE2E";

std::vector<std::string> Texts(const std::vector<MessageBoxInfo>& boxes)
{
    std::vector<std::string> texts;
    for (const MessageBoxInfo& box : boxes)
        texts.push_back(box.Text);
    return texts;
}

// Names of temporary files left in a folder.
std::vector<std::string> Leftovers(const std::string& folder)
{
    std::vector<std::string> names;
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA((folder + "*.mivaro-tmp").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE)
        return names;
    do
        names.push_back(data.cFileName);
    while (FindNextFileA(find, &data));
    FindClose(find);
    return names;
}

// The files of a folder (not below it), by name, with their bytes.
std::map<std::string, std::string> FilesIn(const std::string& folder)
{
    std::map<std::string, std::string> files;
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA((folder + "*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE)
        return files;
    do {
        if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            e2e::ReadFileBytes(folder + data.cFileName, files[data.cFileName]);
    } while (FindNextFileA(find, &data));
    FindClose(find);
    return files;
}

// A shortcut whose target is a shell object without a file-system path.
bool MakeVirtualTargetLink(const std::string& path)
{
    IShellLinkA* link = nullptr;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                reinterpret_cast<void**>(&link))))
        return false;
    bool saved = false;
    LPITEMIDLIST drives = nullptr;
    if (SUCCEEDED(SHGetSpecialFolderLocation(nullptr, CSIDL_DRIVES, &drives))) {
        IPersistFile* file = nullptr;
        if (SUCCEEDED(link->SetIDList(drives)) &&
            SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
            WCHAR wide[MAX_PATH];
            saved = MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide, MAX_PATH) > 0 &&
                    SUCCEEDED(file->Save(wide, TRUE));
            file->Release();
        }
        CoTaskMemFree(drives);
    }
    link->Release();
    return saved;
}

class E2ePatch : public ::testing::Test {
protected:
    static void SetUpTestSuite() { CoInitialize(nullptr); }
    static void TearDownTestSuite() { CoUninitialize(); }

    void SetUp() override
    {
        installer_ = e2e::InstallerPath();
        ASSERT_TRUE(e2e::FileExists(installer_)) << installer_;
        ASSERT_TRUE(scratch_.Valid());
        game_ = scratch_.Path() + "Game\\";
        ASSERT_TRUE(CreateDirectoryA(game_.c_str(), nullptr));
        ASSERT_TRUE(e2e::WriteFileBytes(game_ + "game.exe", "MZ"));
    }

    std::string Variant(const std::string& name, const std::vector<std::string>& script,
                        std::vector<ResourceChange> changes = {})
    {
        changes.push_back(ResourceChange::Replace("RESOURCE_SCRIPT", "TEXT", e2e::ScriptFromLines(script)));
        const std::string path = scratch_.Path() + name + ".exe";
        std::string error;
        EXPECT_TRUE(e2e::MakeVariant(installer_, path, changes, error)) << error;
        return path;
    }

    // A script of patch type 1 finding the game through "mivaroE2E\Game.lnk".
    static std::vector<std::string> Script(const std::vector<std::string>& outFiles, const char* type = "1",
                                           const char* link = "Game.lnk")
    {
        std::vector<std::string> lines = {"*Caption", "\tE2E", "*GameTitle", "\tGame", "*PatchType",
                                          std::string("\t") + type, "%LinkPath",
                                          std::string("\tmivaroE2E\\") + link, "%%", "%OutFiles"};
        for (const std::string& item : outFiles)
            lines.push_back("\t" + item);
        lines.push_back("%%");
        return lines;
    }

    void InstallGameShortcut()
    {
        std::string error;
        ASSERT_TRUE(shortcut_.Create(e2e::ProgramsShortcut::CurrentUser, "mivaroE2E\\Game.lnk",
                                     game_ + "game.exe", error))
            << error;
    }

    // Presses Start and waits for the run to end; the message boxes it showed.
    std::vector<MessageBoxInfo> PressStart(e2e::Run& run, bool expectMessage)
    {
        const ControlInfo* start = e2e::ControlAt(run.Info, "Button", 0);
        EXPECT_TRUE(start && start->Enabled);
        std::vector<MessageBoxInfo> shown;
        EXPECT_TRUE(e2e::PressStart(run, expectMessage ? e2e::kTimeoutMs : 1500, shown));
        EXPECT_EQ(!shown.empty(), expectMessage);
        return shown;
    }

    std::string installer_;
    e2e::ScratchDir scratch_;
    std::string game_;
    e2e::ProgramsShortcut shortcut_;
};

// What start-up shows, one run per way a script and the Programs menu can be.
TEST_F(E2ePatch, StartUpFindsTheGameOrSaysWhy)
{
    const std::string so = scratch_.Path() + "ゲーム\\データソ\\";  // ends in 0x83 0x5C
    ASSERT_TRUE(CreateDirectoryA((scratch_.Path() + "ゲーム").c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryA(so.c_str(), nullptr));
    ASSERT_TRUE(e2e::WriteFileBytes(so + "game.exe", "MZ"));

    enum Links { None, First, Second, Both, PlainFile, SoFolder, Virtual };
    struct Row {
        const char* Name;
        std::vector<std::string> Script;
        Links Installed;
        const char* Caption;
        std::string Directory;
        bool StartEnabled;
        std::vector<std::string> Messages;
        int Line;
    };
    const std::vector<std::string> full = {"*Caption", "\t星図 修正プログラム ver 1.1", "*GameTitle", "\tGame",
                                           "*PatchType", "\t1", "%LinkPath", "\tmivaroE2E\\A.lnk",
                                           "\tmivaroE2E\\B.lnk", "%%", "%OutFiles", "\tout.bin", "%%"};
    std::vector<std::string> noLinkPath = {"*Caption", "\tNoLinks", "*PatchType", "\t1", "%OutFiles", "\tx", "%%"};
    std::vector<std::string> emptyLinkPath = {"*Caption", "\tEmpty", "%LinkPath", "%%"};
    std::vector<std::string> noOutFiles = {"*PatchType", "\t1", "%LinkPath", "\tmivaroE2E\\A.lnk", "%%"};
    std::vector<std::string> noOutFilesType2 = {"*PatchType", "\t2", "%LinkPath", "\tmivaroE2E\\A.lnk", "%%"};
    const std::vector<Row> rows = {
        {"all", full, First, "星図 修正プログラム ver 1.1", game_, true, {}, __LINE__},
        {"secondonly", full, Second, "星図 修正プログラム ver 1.1", game_, true, {}, __LINE__},
        {"bothfirstwins", full, Both, "星図 修正プログラム ver 1.1", game_, true, {}, __LINE__},
        {"nolinkpath", noLinkPath, First, "NoLinks", "", false, {kM1}, __LINE__},
        {"emptylist", emptyLinkPath, First, "Empty", "", false, {kM2}, __LINE__},
        {"allmissing", full, None, "星図 修正プログラム ver 1.1", "", false, {kM2}, __LINE__},
        {"notashortcut", full, PlainFile, "星図 修正プログラム ver 1.1", "", false, {kM2}, __LINE__},
        {"sofolder", full, SoFolder, "星図 修正プログラム ver 1.1", so, true, {}, __LINE__},
        {"nooutfiles", noOutFiles, First, "FormMain", game_, true, {kM3}, __LINE__},
        {"nooutfilestype2", noOutFilesType2, First, "FormMain", game_, true, {}, __LINE__},
        // A link to no file-system folder leads nowhere (not to a lone "\").
        {"virtualtarget", full, Virtual, "星図 修正プログラム ver 1.1", "", false, {kM2}, __LINE__},
    };

    std::string programs;
    ASSERT_TRUE(e2e::ProgramsFolder(e2e::ProgramsShortcut::CurrentUser, programs));
    for (const Row& row : rows) {
        SCOPED_TRACE(::testing::Message() << "line " << row.Line << ": " << row.Name);
        const std::string exe = Variant(row.Name, row.Script);
        e2e::ProgramsShortcut a, b;
        std::string error;
        const std::string folder = programs + "\\" + kLinkFolder;
        switch (row.Installed) {
        case First:
            ASSERT_TRUE(a.Create(e2e::ProgramsShortcut::CurrentUser, "mivaroE2E\\A.lnk", game_ + "game.exe", error));
            break;
        case Second:
            ASSERT_TRUE(b.Create(e2e::ProgramsShortcut::CurrentUser, "mivaroE2E\\B.lnk", game_ + "game.exe", error));
            break;
        case Both:
            ASSERT_TRUE(a.Create(e2e::ProgramsShortcut::CurrentUser, "mivaroE2E\\A.lnk", game_ + "game.exe", error));
            ASSERT_TRUE(b.Create(e2e::ProgramsShortcut::CurrentUser, "mivaroE2E\\B.lnk", so + "game.exe", error));
            break;
        case SoFolder:
            ASSERT_TRUE(a.Create(e2e::ProgramsShortcut::CurrentUser, "mivaroE2E\\A.lnk", so + "game.exe", error));
            break;
        case PlainFile:
            CreateDirectoryA(folder.c_str(), nullptr);
            ASSERT_TRUE(e2e::WriteFileBytes(folder + "\\A.lnk", "not a shortcut"));
            break;
        case Virtual:
            CreateDirectoryA(folder.c_str(), nullptr);
            ASSERT_TRUE(MakeVirtualTargetLink(folder + "\\A.lnk"));
            break;
        case None:
            break;
        }

        e2e::Run run;
        ASSERT_TRUE(run.Open(exe, e2e::kTimeoutMs, error)) << error;
        EXPECT_EQ(Texts(run.Process.MessageBoxes()), row.Messages) << Describe(run.Process.MessageBoxes());
        EXPECT_EQ(run.Info.Caption, row.Caption);
        const ControlInfo* edit = e2e::ControlAt(run.Info, "Edit", 0);
        const ControlInfo* start = e2e::ControlAt(run.Info, "Button", 0);
        ASSERT_NE(edit, nullptr);
        ASSERT_NE(start, nullptr);
        EXPECT_EQ(edit->Text, row.Directory);
        EXPECT_EQ(start->Enabled, row.StartEnabled);
        DWORD exitCode = 1;
        EXPECT_TRUE(run.Finish(e2e::kTimeoutMs, exitCode));
        EXPECT_EQ(exitCode, 0u);

        DeleteFileA((folder + "\\A.lnk").c_str());
        RemoveDirectoryA(folder.c_str());
    }
}

// Start writes every payload under its name, or fails without harm.
// Every way a write can fail, and the ways it succeeds. After each run every
// file the game folder held before is byte for byte as it was or wholly the
// payload meant for it, and no temporary file is left.
TEST_F(E2ePatch, StartWritesThePayloadsOrFailsLeavingOldFilesIntact)
{
    InstallGameShortcut();
    const std::string payload0 = std::string("payload zero\0\x01\x02", 15) + std::string(70000, 'z');
    const std::string payload1 = "payload one";
    const std::string old = "old content of the game's file";

    // A small filesystem of its own that scripts/test maps as a drive: the
    // full-disk row plays there, with less free space than payload0 needs.
    const char* fullDrive = std::getenv("MIVARO_FULLDISK_DRIVE");
    const std::string fullGame = fullDrive && *fullDrive ? std::string(fullDrive) + "\\FullGame\\" : "";
    e2e::ProgramsShortcut fullLink;

    enum Setup { Nothing, Existing, ReadOnly, HeldOpen, FolderRemoved, DiskFull };
    struct Row {
        const char* Name;
        std::vector<std::string> OutFiles;
        std::vector<ResourceChange> Payloads;
        Setup Before;
        std::vector<std::string> Messages;
        const char* CancelAfter;
        // Expected files afterwards: name and content ("" = absent).
        std::vector<std::pair<std::string, std::string>> Files;
        int Line;
    };
    const ResourceChange p0 = ResourceChange::Replace("RESOURCE_FILE0", "BIN", payload0);
    const ResourceChange p1 = ResourceChange::Replace("RESOURCE_FILE1", "BIN", payload1);
    const ResourceChange no0 = ResourceChange::Delete("RESOURCE_FILE0", "BIN");
    const std::vector<Row> rows = {
        {"one", {"data.xp3"}, {p0}, Nothing, {kDone}, kExitCaption, {{"data.xp3", payload0}}, __LINE__},
        {"replace", {"data.xp3"}, {p0}, Existing, {kDone}, kExitCaption, {{"data.xp3", payload0}}, __LINE__},
        {"emptyfirst", {"", "b.dat"}, {no0, p1}, Nothing, {kDone}, kExitCaption, {{"b.dat", payload1}}, __LINE__},
        {"missingpayload", {"data.xp3", "b.dat"}, {p0}, Nothing, {kFailed}, kCancelCaption,
         {{"data.xp3", payload0}, {"b.dat", ""}}, __LINE__},
        // The second item's payload is missing: the game's file it names stays.
        {"missingpayloadold", {"b.dat", "data.xp3"}, {p0}, Existing, {kFailed}, kCancelCaption,
         {{"b.dat", payload0}, {"data.xp3", old}}, __LINE__},
        {"nofolder", {"nosuch\\x.bin"}, {p0}, Nothing, {kFailed}, kCancelCaption, {{"nosuch\\x.bin", ""}}, __LINE__},
        {"readonly", {"data.xp3"}, {p0}, ReadOnly, {kFailed}, kCancelCaption, {{"data.xp3", old}}, __LINE__},
        {"heldopen", {"data.xp3"}, {p0}, HeldOpen, {kFailed}, kCancelCaption, {{"data.xp3", old}}, __LINE__},
        {"folderremoved", {"data.xp3"}, {p0}, FolderRemoved, {kFailed}, kCancelCaption, {}, __LINE__},
        {"diskfull", {"data.xp3"}, {p0}, DiskFull, {kFailed}, kCancelCaption, {{"data.xp3", old}}, __LINE__},
        {"emptylist", {}, {p0}, Nothing, {kDone}, kExitCaption, {{"data.xp3", ""}}, __LINE__},
    };

    for (const Row& row : rows) {
        SCOPED_TRACE(::testing::Message() << "line " << row.Line << ": " << row.Name);
        const bool diskFull = row.Before == DiskFull;
        if (diskFull && fullGame.empty()) {
            std::printf("[  SKIPPED ] %s: no small filesystem mapped (MIVARO_FULLDISK_DRIVE unset)\n", row.Name);
            continue;
        }
        const std::string folder = diskFull ? fullGame : game_;
        const std::string exe = Variant(row.Name, Script(row.OutFiles, "1", diskFull ? "Full.lnk" : "Game.lnk"),
                                        row.Payloads);
        const std::string target = folder + "data.xp3";
        const std::string filler = diskFull ? std::string(fullDrive) + "\\filler.bin" : "";
        if (diskFull) {
            DeleteFileA(filler.c_str());
            CreateDirectoryA(folder.c_str(), nullptr);
            ASSERT_TRUE(e2e::WriteFileBytes(folder + "game.exe", "MZ"));
            std::string error;
            if (fullLink.Path().empty()) {
                ASSERT_TRUE(fullLink.Create(e2e::ProgramsShortcut::CurrentUser, "mivaroE2E\\Full.lnk",
                                            folder + "game.exe", error))
                    << error;
            }
        }
        SetFileAttributesA(target.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileA(target.c_str());
        DeleteFileA((folder + "b.dat").c_str());
        if (row.Before == Existing || row.Before == ReadOnly || row.Before == HeldOpen || diskFull) {
            ASSERT_TRUE(e2e::WriteFileBytes(target, old));
        }
        if (row.Before == ReadOnly) {
            ASSERT_TRUE(SetFileAttributesA(target.c_str(), FILE_ATTRIBUTE_READONLY));
        }
        if (diskFull) {
            ULARGE_INTEGER freeBytes;
            ASSERT_TRUE(GetDiskFreeSpaceExA(fullDrive, &freeBytes, nullptr, nullptr));
            const ULONGLONG keepFree = 48 * 1024;
            ASSERT_GT(freeBytes.QuadPart, keepFree);
            ASSERT_TRUE(e2e::WriteFileBytes(filler, std::string(static_cast<size_t>(freeBytes.QuadPart - keepFree), 'f')));
        }
        const std::map<std::string, std::string> before = FilesIn(folder);

        e2e::Run run;
        std::string error;
        ASSERT_TRUE(run.Open(exe, e2e::kTimeoutMs, error)) << error;
        ASSERT_EQ(Texts(run.Process.MessageBoxes()), std::vector<std::string>()) << Describe(run.Process.MessageBoxes());
        const ControlInfo* edit = e2e::ControlAt(run.Info, "Edit", 0);
        ASSERT_NE(edit, nullptr);
        EXPECT_EQ(edit->Text, folder);

        HANDLE held = INVALID_HANDLE_VALUE;
        if (row.Before == HeldOpen) {
            held = CreateFileA(target.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
            ASSERT_NE(held, INVALID_HANDLE_VALUE);
        }
        std::string moved;
        if (row.Before == FolderRemoved) {
            moved = scratch_.Path() + "Moved\\";
            ASSERT_TRUE(MoveFileA(game_.c_str(), moved.c_str()));
        }

        EXPECT_EQ(Texts(PressStart(run, true)), row.Messages);
        if (held != INVALID_HANDLE_VALUE)
            CloseHandle(held);
        const ControlInfo* start = e2e::ControlAt(run.Info, "Button", 0);
        const ControlInfo* cancel = e2e::ControlAt(run.Info, "Button", 1);
        ASSERT_NE(start, nullptr);
        ASSERT_NE(cancel, nullptr);
        EXPECT_FALSE(start->Enabled);
        EXPECT_TRUE(cancel->Enabled);
        EXPECT_EQ(cancel->Text, row.CancelAfter);
        DWORD exitCode = 1;
        EXPECT_TRUE(run.Finish(e2e::kTimeoutMs, exitCode));
        EXPECT_EQ(exitCode, 0u);

        if (!moved.empty()) {
            EXPECT_FALSE(e2e::FileExists(game_ + "data.xp3"));
            EXPECT_EQ(Leftovers(moved), std::vector<std::string>());
            ASSERT_TRUE(MoveFileA(moved.c_str(), game_.c_str()));
        }
        for (const auto& file : row.Files) {
            SCOPED_TRACE(file.first);
            std::string bytes;
            if (file.second.empty()) {
                EXPECT_FALSE(e2e::FileExists(folder + file.first));
            } else {
                ASSERT_TRUE(e2e::ReadFileBytes(folder + file.first, bytes));
                EXPECT_TRUE(bytes == file.second) << "got " << bytes.size() << " bytes";
            }
        }
        // Whatever the folder held before: unchanged, or wholly the payload
        // its output item names.
        const std::map<std::string, std::string> after = FilesIn(folder);
        for (const auto& file : before) {
            SCOPED_TRACE(file.first);
            const auto now = after.find(file.first);
            ASSERT_NE(now, after.end()) << "an existing file went away";
            if (now->second == file.second)
                continue;
            const std::string* meant = nullptr;
            for (size_t n = 0; n < row.OutFiles.size(); ++n) {
                if (row.OutFiles[n] == file.first)
                    meant = n == 0 ? &payload0 : &payload1;  // as the rows' payloads are numbered
            }
            EXPECT_TRUE(meant && now->second == *meant) << "changed, but not to its payload: "
                                                         << now->second.size() << " bytes";
        }
        EXPECT_EQ(Leftovers(folder), std::vector<std::string>());
        SetFileAttributesA(target.c_str(), FILE_ATTRIBUTE_NORMAL);
        if (diskFull) {
            DeleteFileA(filler.c_str());
            DeleteFileA(target.c_str());
        }
    }
    if (!fullGame.empty()) {
        fullLink.Remove();
        DeleteFileA((fullGame + "game.exe").c_str());
        RemoveDirectoryA(fullGame.c_str());
    }
}

// Types other than 1 write nothing and say nothing; type 1 after start-up
// found no output list reports failure rather than a success.
TEST_F(E2ePatch, OtherPatchTypesAndAMissingListWriteNothing)
{
    InstallGameShortcut();
    const ResourceChange p0 = ResourceChange::Replace("RESOURCE_FILE0", "BIN", "bytes");
    struct Row {
        const char* Name;
        std::vector<std::string> Script;
        std::vector<std::string> StartUpMessages;
        std::vector<std::string> StartMessages;
        int Line;
    };
    std::vector<std::string> noList = {"*PatchType", "\t1", "%LinkPath", "\tmivaroE2E\\Game.lnk", "%%"};
    const std::vector<Row> rows = {
        {"type0", Script({"data.xp3"}, "0"), {}, {}, __LINE__},
        {"type2", Script({"data.xp3"}, "2"), {}, {}, __LINE__},
        {"typeminus1", Script({"data.xp3"}, "-1"), {}, {}, __LINE__},
        {"nooutfiles", noList, {kM3}, {kFailed}, __LINE__},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(::testing::Message() << "line " << row.Line << ": " << row.Name);
        const std::string exe = Variant(row.Name, row.Script, {p0});
        e2e::Run run;
        std::string error;
        ASSERT_TRUE(run.Open(exe, e2e::kTimeoutMs, error)) << error;
        EXPECT_EQ(Texts(run.Process.MessageBoxes()), row.StartUpMessages);
        EXPECT_EQ(Texts(PressStart(run, !row.StartMessages.empty())), row.StartMessages);
        const ControlInfo* start = e2e::ControlAt(run.Info, "Button", 0);
        const ControlInfo* cancel = e2e::ControlAt(run.Info, "Button", 1);
        ASSERT_NE(start, nullptr);
        ASSERT_NE(cancel, nullptr);
        EXPECT_FALSE(start->Enabled);
        EXPECT_TRUE(cancel->Enabled);
        EXPECT_EQ(cancel->Text, kCancelCaption);
        EXPECT_FALSE(e2e::FileExists(game_ + "data.xp3"));
        DWORD exitCode = 1;
        EXPECT_TRUE(run.Finish(e2e::kTimeoutMs, exitCode));
        EXPECT_EQ(exitCode, 0u);
    }
}

}  // namespace
