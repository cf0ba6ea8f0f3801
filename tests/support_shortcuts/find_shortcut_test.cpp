// Finding a shortcut under the Programs menu: real shortcut files in the
// prefix's Programs folders, the shell's lookup replaced where a failure of
// the shell is wanted, and the registry fallbacks set and put back per case.
#include <gtest/gtest.h>

#include <windows.h>
#include <shlobj.h>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "ShortcutTestSupport.h"
#include "platform/SysUtils.h"
#include "support/tqxfile.h"

namespace {

const wchar_t kShellFoldersKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
const wchar_t kUserShellFoldersKey[] =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";
const char kTestRootVariable[] = "HOSHIZORA_SHORTCUT_TEST";
const char kSentinelPath[] = "sentinel-full-path";
const DWORD kSentinelMask = 0xDEADBEEF;

// Folder layout shared by the cases (made once, removed at the end):
//   <Programs>\Hoshizora Soft\Current.lnk, Both.lnk, Folder.lnk (a folder)
//   <Common Programs>\Hoshizora Soft\Common.lnk, Both.lnk, Folder.lnk (a folder)
//   C:\Hoshizora Soft\Root.lnk
//   <temp>\Hoshizora Soft\Game\Hoshizora.exe          (every shortcut's target)
//   <temp>\Hoshizora Soft\Trail.lnk
//   <temp>\Hoshizora Soft\Registry\Hoshizora Soft\Fallback.lnk
//   <temp>\Hoshizora Soft\UserShell\Hoshizora Soft\Fallback.lnk
//   <temp>\Hoshizora Soft\Empty                    (a folder)
enum class Make { File, Shortcut, Folder };

class FindProgramsShortcutTest : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        scratch = new TScratch;
        currentPrograms = RealSpecialFolder(CSIDL_PROGRAMS);
        commonPrograms = RealSpecialFolder(CSIDL_COMMON_PROGRAMS);
        temp = TempFolder() + "\\" + kBrand;
        game = temp + "\\Game\\Hoshizora.exe";
        trailFolder = temp + "\\Hoshizora ソ";
        if (currentPrograms.empty() || commonPrograms.empty() || currentPrograms == commonPrograms) {
            failure = "Programs folders not named";
            return;
        }
        const struct {
            std::string path;
            Make kind;
        } steps[] = {
            {game, Make::File},
            {currentPrograms + "\\Hoshizora Soft\\Current.lnk", Make::Shortcut},
            {currentPrograms + "\\Hoshizora Soft\\Both.lnk", Make::Shortcut},
            {currentPrograms + "\\Hoshizora Soft\\Folder.lnk", Make::Folder},
            {commonPrograms + "\\Hoshizora Soft\\Common.lnk", Make::Shortcut},
            {commonPrograms + "\\Hoshizora Soft\\Both.lnk", Make::Shortcut},
            {commonPrograms + "\\Hoshizora Soft\\Folder.lnk", Make::Folder},
            {"C:\\Hoshizora Soft\\Root.lnk", Make::Shortcut},
            {temp + "\\Trail.lnk", Make::Shortcut},
            {temp + "\\Registry\\Hoshizora Soft\\Fallback.lnk", Make::Shortcut},
            {temp + "\\UserShell\\Hoshizora Soft\\Fallback.lnk", Make::Shortcut},
            {temp + "\\Empty", Make::Folder},
        };
        for (const auto& step : steps) {
            const bool made = step.kind == Make::File       ? scratch->File(step.path)
                              : step.kind == Make::Shortcut ? scratch->Shortcut(step.path, game)
                                                           : scratch->Folder(step.path);
            if (!made) {
                failure = "not made: " + step.path;
                return;
            }
        }
    }
    static void TearDownTestSuite()
    {
        delete scratch;
        scratch = nullptr;
    }
    void SetUp() override
    {
        ASSERT_EQ("", failure);
    }

    static TScratch* scratch;
    static std::string failure;
    static std::string currentPrograms, commonPrograms, temp, game, trailFolder;
};

TScratch* FindProgramsShortcutTest::scratch = nullptr;
std::string FindProgramsShortcutTest::failure;
std::string FindProgramsShortcutTest::currentPrograms;
std::string FindProgramsShortcutTest::commonPrograms;
std::string FindProgramsShortcutTest::temp;
std::string FindProgramsShortcutTest::game;
std::string FindProgramsShortcutTest::trailFolder;

// How the shell's lookup answers for one folder.
enum class Lookup { Real, Fail, Path };
struct FolderAnswer {
    Lookup shell;
    std::string path;
};
const FolderAnswer kReal{Lookup::Real, ""};
const FolderAnswer kFail{Lookup::Fail, ""};
FolderAnswer Named(const std::string& path)
{
    return {Lookup::Path, path};
}

// What the registry holds under a fallback key for the case.
enum class Reg { Untouched, Text, Absent, KeyLocked, Number };
struct FallbackValue {
    Reg reg;
    std::string text;
    DWORD type;
};
const FallbackValue kUntouched{Reg::Untouched, "", REG_SZ};
const FallbackValue kAbsent{Reg::Absent, "", REG_SZ};
const FallbackValue kKeyLocked{Reg::KeyLocked, "", REG_SZ};
const FallbackValue kNumber{Reg::Number, "", REG_DWORD};
FallbackValue Text(const std::string& text, DWORD type = REG_SZ)
{
    return {Reg::Text, text, type};
}

enum class Raises { Nothing, RangeError, RegistryError };

struct Case {
    int line;
    FolderAnswer currentUser, allUsers;
    FallbackValue shellFolders, userShellFolders;
    std::string entry;
    Raises raises;
    bool result;
    std::string fullPath;  // empty: the sentinel stays
    DWORD mask;
};

// Sets up the registry for one fallback key; what it changed is put back
// when the returned guards go.
void PrepareFallback(const wchar_t* key, const FallbackValue& value, std::unique_ptr<TRegistryValueGuard>& valueGuard,
                     std::unique_ptr<TRegistryKeyLock>& keyLock)
{
    switch (value.reg) {
    case Reg::Untouched:
        break;
    case Reg::Text:
        valueGuard.reset(new TRegistryValueGuard(HKEY_CURRENT_USER, key, L"Programs"));
        ASSERT_EQ(ERROR_SUCCESS, valueGuard->SetString(value.text, value.type));
        break;
    case Reg::Absent: {
        valueGuard.reset(new TRegistryValueGuard(HKEY_CURRENT_USER, key, L"Programs"));
        const LSTATUS status = valueGuard->Delete();
        ASSERT_TRUE(status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND) << status;
        break;
    }
    case Reg::Number:
        valueGuard.reset(new TRegistryValueGuard(HKEY_CURRENT_USER, key, L"Programs"));
        ASSERT_EQ(ERROR_SUCCESS, valueGuard->SetDword(7));
        break;
    case Reg::KeyLocked:
        keyLock.reset(new TRegistryKeyLock(HKEY_CURRENT_USER, key));
        ASSERT_EQ(ERROR_SUCCESS, keyLock->Status());
        break;
    }
}

void RunCase(const Case& c)
{
    SCOPED_TRACE(testing::Message() << "case at line " << c.line << ", entry \"" << c.entry << "\"");

    std::map<int, FolderStandIn> standIns;
    if (c.currentUser.shell != Lookup::Real)
        standIns[CSIDL_PROGRAMS] = {c.currentUser.shell == Lookup::Fail, c.currentUser.path};
    if (c.allUsers.shell != Lookup::Real)
        standIns[CSIDL_COMMON_PROGRAMS] = {c.allUsers.shell == Lookup::Fail, c.allUsers.path};
    // Cases where the shell answers for itself run without any stand-in.
    std::unique_ptr<TFolderStandIns> folders;
    if (!standIns.empty()) {
        folders.reset(new TFolderStandIns(standIns));
        ASSERT_TRUE(folders->Ready());
    }

    std::unique_ptr<TRegistryValueGuard> shellValue, userShellValue;
    std::unique_ptr<TRegistryKeyLock> shellLock, userShellLock;
    ASSERT_NO_FATAL_FAILURE(PrepareFallback(kShellFoldersKey, c.shellFolders, shellValue, shellLock));
    ASSERT_NO_FATAL_FAILURE(PrepareFallback(kUserShellFoldersKey, c.userShellFolders, userShellValue, userShellLock));

    TqxFile file;
    AnsiString fullPath(kSentinelPath);
    DWORD mask = kSentinelMask;
    bool result = !c.result;
    switch (c.raises) {
    case Raises::Nothing:
        EXPECT_NO_THROW(result = file.FindProgramsShortcut(c.entry.c_str(), fullPath, mask));
        EXPECT_EQ(c.result, result);
        break;
    case Raises::RangeError:
        EXPECT_THROW(file.FindProgramsShortcut(c.entry.c_str(), fullPath, mask), ERangeError);
        break;
    case Raises::RegistryError:
        EXPECT_THROW(file.FindProgramsShortcut(c.entry.c_str(), fullPath, mask), ERegistryException);
        break;
    }
    EXPECT_EQ(c.fullPath.empty() ? std::string(kSentinelPath) : c.fullPath, fullPath.c_str());
    EXPECT_EQ(c.mask, mask) << std::hex << "mask 0x" << mask;
}

TEST_F(FindProgramsShortcutTest, ShellNamesTheFolders)
{
    const std::string cu = currentPrograms;
    const std::string au = commonPrograms;
    const Case cases[] = {
        {__LINE__, kReal, kReal, kUntouched, kUntouched, "Hoshizora Soft\\Current.lnk", Raises::Nothing, true,
         cu + "\\Hoshizora Soft\\Current.lnk", 0},
        // The current user's shortcut wins when both exist.
        {__LINE__, kReal, kReal, kUntouched, kUntouched, "Hoshizora Soft\\Both.lnk", Raises::Nothing, true,
         cu + "\\Hoshizora Soft\\Both.lnk", 0},
        {__LINE__, kReal, kReal, kUntouched, kUntouched, "Hoshizora Soft\\Common.lnk", Raises::Nothing, true,
         au + "\\Hoshizora Soft\\Common.lnk", 0x100},
        {__LINE__, kReal, kReal, kUntouched, kUntouched, "Hoshizora Soft\\Missing.lnk", Raises::Nothing, false,
         "", 0x300},
        // Folders, even when named like a shortcut, are not found.
        {__LINE__, kReal, kReal, kUntouched, kUntouched, "Hoshizora Soft\\Folder.lnk", Raises::Nothing, false,
         "", 0x300},
        {__LINE__, kReal, kReal, kUntouched, kUntouched, "Hoshizora Soft", Raises::Nothing, false, "", 0x300},
        // A leading backslash: the bare folder, nothing joined or tested.
        {__LINE__, kReal, kReal, kUntouched, kUntouched, "\\Hoshizora Soft\\Missing.lnk", Raises::Nothing, true,
         cu, 0},
        // The entry's first byte is read with the range test.
        {__LINE__, kReal, kReal, kUntouched, kUntouched, "", Raises::RangeError, false, "", 0},
        // A drive root already ends in a backslash: none is added.
        {__LINE__, Named("C:\\"), kReal, kUntouched, kUntouched, "Hoshizora Soft\\Root.lnk", Raises::Nothing,
         true, "C:\\Hoshizora Soft\\Root.lnk", 0},
        // "ソ" ends in a 0x5C trail byte, which is no separator: one is
        // added. (The folder cannot exist here, as the host takes no such
        // file names; ".." climbs out of it to the shortcut beside it.)
        {__LINE__, Named(trailFolder), kReal, kUntouched, kUntouched, "..\\Trail.lnk", Raises::Nothing, true,
         trailFolder + "\\..\\Trail.lnk", 0},
        // The folder the shell names is used as it is, never expanded.
        {__LINE__, Named(temp + "\\Empty"), Named(temp + "\\UserShell"), kUntouched, kUntouched,
         "Hoshizora Soft\\Fallback.lnk", Raises::Nothing, true, temp + "\\UserShell\\Hoshizora Soft\\Fallback.lnk",
         0x100},
    };
    ASSERT_EQ(932u, GetACP()) << "the trail-byte case needs code page 932";
    for (const Case& c : cases)
        RunCase(c);
}

TEST_F(FindProgramsShortcutTest, RegistryStandsInWhenTheShellFails)
{
    const std::string registry = temp + "\\Registry";
    const std::string userShell = temp + "\\UserShell";
    const std::string empty = temp + "\\Empty";
    const std::string fallbackEntry = "Hoshizora Soft\\Fallback.lnk";
    TEnvironmentGuard root(kTestRootVariable, temp);
    // An empty fallback folder makes the path start at the current drive's root.
    TCurrentDirectoryGuard drive("C:\\");
    ASSERT_TRUE(drive.Changed());

    const Case cases[] = {
        {__LINE__, kFail, kReal, Text(registry), kUntouched, fallbackEntry, Raises::Nothing, true,
         registry + "\\" + fallbackEntry, 0x1},
        // The current user's fallback is expanded too.
        {__LINE__, kFail, kReal, Text("%HOSHIZORA_SHORTCUT_TEST%\\Registry"), kUntouched, fallbackEntry,
         Raises::Nothing, true, registry + "\\" + fallbackEntry, 0x1},
        {__LINE__, kFail, Named(userShell), kKeyLocked, kUntouched, fallbackEntry, Raises::Nothing, true,
         userShell + "\\" + fallbackEntry, 0x3},
        // The all-users fallback is the current user's User Shell Folders
        // value, expanded.
        {__LINE__, Named(empty), kFail, kUntouched, Text("%HOSHIZORA_SHORTCUT_TEST%\\UserShell", REG_EXPAND_SZ),
         fallbackEntry, Raises::Nothing, true, userShell + "\\" + fallbackEntry, 0x104},
        {__LINE__, Named(empty), kFail, kUntouched, kUntouched, "Hoshizora Soft\\Current.lnk", Raises::Nothing,
         true, currentPrograms + "\\Hoshizora Soft\\Current.lnk", 0x104},
        {__LINE__, Named(empty), kFail, kUntouched, kKeyLocked, fallbackEntry, Raises::Nothing, false, "", 0x10C},
        {__LINE__, kFail, kFail, kKeyLocked, kKeyLocked, fallbackEntry, Raises::Nothing, false, "", 0xF},
        // No folder obtained at all: the empty entry is never read.
        {__LINE__, kFail, kFail, kKeyLocked, kKeyLocked, "", Raises::Nothing, false, "", 0xF},
        {__LINE__, kFail, kReal, Text(registry), kUntouched, "", Raises::RangeError, false, "", 0x1},
        // A value present but empty, or missing under an existing key, gives
        // an empty folder: the entry is looked for from the drive's root.
        {__LINE__, kFail, kReal, Text(""), kUntouched, "Hoshizora Soft\\Root.lnk", Raises::Nothing, true,
         "\\Hoshizora Soft\\Root.lnk", 0x1},
        {__LINE__, kFail, kReal, kAbsent, kUntouched, "Hoshizora Soft\\Root.lnk", Raises::Nothing, true,
         "\\Hoshizora Soft\\Root.lnk", 0x1},
        {__LINE__, kFail, kReal, kNumber, kUntouched, fallbackEntry, Raises::RegistryError, false, "", 0x1},
    };
    for (const Case& c : cases)
        RunCase(c);
}

class GetSpecialFolderPathTest : public testing::Test {};

TEST_F(GetSpecialFolderPathTest, NamesTheShellsFolder)
{
    for (int folder : {CSIDL_PROGRAMS, CSIDL_COMMON_PROGRAMS}) {
        SCOPED_TRACE(testing::Message() << "CSIDL " << folder);
        const std::string expected = RealSpecialFolder(folder);
        ASSERT_FALSE(expected.empty());
        TqxFile file;
        AnsiString path(kSentinelPath);
        EXPECT_TRUE(file.GetSpecialFolderPath(folder, path));
        EXPECT_EQ(expected, path.c_str());
    }
}

TEST_F(GetSpecialFolderPathTest, FailureLeavesThePathAlone)
{
    struct Row {
        int line;
        bool standIn;  // the lookup itself fails
        int folder;
    };
    const Row rows[] = {
        {__LINE__, true, CSIDL_PROGRAMS},
        // Real folders without a file-system path, and no folder at all.
        {__LINE__, false, CSIDL_DRIVES},
        {__LINE__, false, CSIDL_CONTROLS},
        {__LINE__, false, 0x7E},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << "row at line " << row.line);
        std::unique_ptr<TFolderStandIns> standIns;
        if (row.standIn)
            standIns.reset(new TFolderStandIns({{row.folder, {true, ""}}}));
        TqxFile file;
        AnsiString path(kSentinelPath);
        EXPECT_FALSE(file.GetSpecialFolderPath(row.folder, path));
        EXPECT_STREQ(kSentinelPath, path.c_str());
    }
}

TEST_F(GetSpecialFolderPathTest, AsksWithTheDesktopWindowAsOwner)
{
    TFolderStandIns standIns({{CSIDL_PROGRAMS, {false, "C:\\"}}});
    ASSERT_TRUE(standIns.Ready());
    TqxFile file;
    AnsiString path;
    EXPECT_TRUE(file.GetSpecialFolderPath(CSIDL_PROGRAMS, path));
    EXPECT_STREQ("C:\\", path.c_str());
    EXPECT_EQ(1, TFolderStandIns::Calls());
    EXPECT_EQ(GetDesktopWindow(), TFolderStandIns::LastOwner());
}

// Every ID list the shell hands out is freed again, on success and when the
// list names no file-system folder.
TEST_F(GetSpecialFolderPathTest, FreesEveryIdList)
{
    TAllocationCounter counter;
    ASSERT_TRUE(counter.Registered());
    TqxFile file;
    AnsiString path;
    // First calls may leave the shell's own caches behind.
    file.GetSpecialFolderPath(CSIDL_PROGRAMS, path);
    file.GetSpecialFolderPath(CSIDL_DRIVES, path);
    const long before = counter.Outstanding();
    for (int i = 0; i < 5; ++i) {
        EXPECT_TRUE(file.GetSpecialFolderPath(CSIDL_PROGRAMS, path));
        EXPECT_FALSE(file.GetSpecialFolderPath(CSIDL_DRIVES, path));
    }
    EXPECT_EQ(before, counter.Outstanding());
}

TEST(ExpandEnvironmentTest, ExpandsIntoABufferLargeEnough)
{
    struct Row {
        int line;
        std::string variable;  // value of HOSHIZORA_EXPAND_TEST
        std::string text;
        std::string expected;
    };
    const std::string x259(259, 'x'), x260(260, 'x'), x300(300, 'x'), x5000(5000, 'x');
    std::string stars;  // 200 double-byte characters: 400 bytes
    for (int i = 0; i < 200; ++i)
        stars += "星";
    const Row rows[] = {
        {__LINE__, "", "", ""},
        {__LINE__, "", "C:\\Games\\Title", "C:\\Games\\Title"},
        {__LINE__, "", "%HOSHIZORA_NOT_SET%\\x", "%HOSHIZORA_NOT_SET%\\x"},
        {__LINE__, "Title", "C:\\%HOSHIZORA_EXPAND_TEST%\\", "C:\\Title\\"},
        // 259 bytes and the NUL fill the first buffer exactly.
        {__LINE__, x259, "%HOSHIZORA_EXPAND_TEST%", x259},
        {__LINE__, x260, "%HOSHIZORA_EXPAND_TEST%", x260},
        {__LINE__, x300, "%HOSHIZORA_EXPAND_TEST%\\tail", x300 + "\\tail"},
        {__LINE__, x5000, "[%HOSHIZORA_EXPAND_TEST%]", "[" + x5000 + "]"},
        {__LINE__, stars, "%HOSHIZORA_EXPAND_TEST%\\ソフト", stars + "\\ソフト"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << "row at line " << row.line);
        TEnvironmentGuard variable("HOSHIZORA_EXPAND_TEST", row.variable);
        TqxFile file;
        AnsiString text(row.text.c_str());
        EXPECT_TRUE(file.ExpandEnvironment(text));
        EXPECT_EQ(row.expected, text.c_str());
    }
}

}  // namespace
