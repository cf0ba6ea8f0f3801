// Reading shortcut targets through the shell link object, with shortcut files
// made by the test through IPersistFile::Save.
#include <gtest/gtest.h>

#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include <cstring>
#include <string>
#include <vector>

#include "ShortcutTestSupport.h"
#include "platform/ComOwners.h"
#include "support/tqxfile.h"

namespace {

const char kTargetSentinel = static_cast<char>(0xAA);

// A target buffer of MAX_PATH bytes with a guard zone behind it, and a
// find-data record, all filled with sentinel bytes.
struct Outputs {
    Outputs()
    {
        std::memset(target, kTargetSentinel, sizeof target);
        std::memset(&findData, 0xAA, sizeof findData);
    }
    bool TargetUntouched() const
    {
        for (char byte : target) {
            if (byte != kTargetSentinel)
                return false;
        }
        return true;
    }
    bool GuardUntouched() const
    {
        for (size_t i = MAX_PATH; i < sizeof target; ++i) {
            if (target[i] != kTargetSentinel)
                return false;
        }
        return true;
    }
    bool FindDataUntouched() const
    {
        const unsigned char* bytes = reinterpret_cast<const unsigned char*>(&findData);
        for (size_t i = 0; i < sizeof findData; ++i) {
            if (bytes[i] != 0xAA)
                return false;
        }
        return true;
    }
    char target[MAX_PATH + 64];
    WIN32_FIND_DATAA findData;
};

std::string Repeat(const std::string& part, size_t count)
{
    std::string text;
    for (size_t i = 0; i < count; ++i)
        text += part;
    return text;
}

// <temp>\Hoshizora Soft\Resolve\ holds:
//   Game\Hoshizora.exe              the target of the shortcuts
//   Existing.lnk                    -> Game\Hoshizora.exe
//   Moved.lnk                       -> Game\Moved.exe, deleted after saving
//   NotALink.lnk                    a text file
//   Computer.lnk, ControlPanel.lnk  -> shell folders without a path
//   long shortcuts at the edge of MAX_PATH (see LongPaths)
class ResolveShortcutTest : public testing::Test {
protected:
    static void SetUpTestSuite()
    {
        scratch = new TScratch;
        root = TempFolder() + "\\" + kBrand + "\\Resolve";
        game = root + "\\Game\\Hoshizora.exe";
        moved = root + "\\Game\\Moved.exe";
        TShellIdList computer, controlPanel;
        ready = scratch->File(game, "MZ Hoshizora") && scratch->Shortcut(root + "\\Existing.lnk", game) &&
                scratch->File(moved) && scratch->Shortcut(root + "\\Moved.lnk", moved) &&
                DeleteFileA(moved.c_str()) && scratch->File(root + "\\NotALink.lnk", "not a shortcut") &&
                SHGetSpecialFolderLocation(nullptr, CSIDL_DRIVES, computer.Put()) == S_OK &&
                CreateShortcutToIdList(root + "\\Computer.lnk", computer.Get()) == S_OK &&
                SHGetSpecialFolderLocation(nullptr, CSIDL_CONTROLS, controlPanel.Put()) == S_OK &&
                CreateShortcutToIdList(root + "\\ControlPanel.lnk", controlPanel.Get()) == S_OK;
        scratch->Track(root + "\\Computer.lnk", false);
        scratch->Track(root + "\\ControlPanel.lnk", false);
    }
    static void TearDownTestSuite()
    {
        delete scratch;
        scratch = nullptr;
    }
    void SetUp() override { ASSERT_TRUE(ready) << "scratch shortcuts not made under " << root; }

    static TScratch* scratch;
    static bool ready;
    static std::string root, game, moved;
};

TScratch* ResolveShortcutTest::scratch = nullptr;
bool ResolveShortcutTest::ready = false;
std::string ResolveShortcutTest::root;
std::string ResolveShortcutTest::game;
std::string ResolveShortcutTest::moved;

TEST_F(ResolveShortcutTest, ReadsTheStoredTarget)
{
    struct Row {
        int line;
        std::string shortcut;
        BOOL result;
        std::string target;  // when the result is 1
    };
    const Row rows[] = {
        {__LINE__, root + "\\Existing.lnk", 1, game},
        // The stored path, stale or not: no search for a moved target.
        {__LINE__, root + "\\Moved.lnk", 1, moved},
        // Shell objects without a file-system path give an empty text.
        {__LINE__, root + "\\Computer.lnk", 1, ""},
        {__LINE__, root + "\\ControlPanel.lnk", 1, ""},
        {__LINE__, root + "\\Missing.lnk", 0, ""},
        {__LINE__, root + "\\NotALink.lnk", 0, ""},
        {__LINE__, root, 0, ""},
        {__LINE__, "", 0, ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << "row at line " << row.line << ": " << row.shortcut);
        TqxFile file;
        Outputs out;
        EXPECT_EQ(row.result, file.ResolveShortcut(row.shortcut.c_str(), out.target, &out.findData));
        if (row.result) {
            EXPECT_EQ(row.target, std::string(out.target, strnlen(out.target, MAX_PATH)));
            EXPECT_LT(strnlen(out.target, MAX_PATH), static_cast<size_t>(MAX_PATH)) << "target not terminated";
            EXPECT_TRUE(out.GuardUntouched()) << "written beyond MAX_PATH bytes";
        } else {
            EXPECT_TRUE(out.TargetUntouched());
            EXPECT_TRUE(out.FindDataUntouched());
        }
    }
}

TEST_F(ResolveShortcutTest, FillsTheFindDataOfTheTarget)
{
    TqxFile file;
    Outputs out;
    ASSERT_EQ(1, file.ResolveShortcut((root + "\\Existing.lnk").c_str(), out.target, &out.findData));
    EXPECT_STREQ("Hoshizora.exe", out.findData.cFileName);
    EXPECT_EQ(std::strlen("MZ Hoshizora"), out.findData.nFileSizeLow);
}

TEST_F(ResolveShortcutTest, NullArgumentsAreRefused)
{
    TqxFile file;
    Outputs out;
    EXPECT_EQ(0, file.ResolveShortcut(nullptr, out.target, &out.findData));
    EXPECT_TRUE(out.TargetUntouched());
    EXPECT_EQ(0, file.ResolveShortcut((root + "\\Existing.lnk").c_str(), nullptr, &out.findData));
    EXPECT_TRUE(out.FindDataUntouched());
    // The find data is optional.
    EXPECT_EQ(1, file.ResolveShortcut((root + "\\Existing.lnk").c_str(), out.target, nullptr));
    EXPECT_EQ(game, out.target);
}

// The path is converted into MAX_PATH UTF-16 units, terminator included.
// Paths that fit are loaded; longer ones are refused, although a valid
// shortcut lies there. Japanese names take two bytes but one unit; as the
// host takes no such file names, the path climbs out of one with "..".
TEST_F(ResolveShortcutTest, LongPaths)
{
    struct Row {
        int line;
        std::string detour;  // folder entered and left again
        size_t units;        // of the whole shortcut path, without terminator
        BOOL result;
    };
    const std::string detour = "\\" + Repeat("星空", 60) + "\\..";  // 120 units, 240 bytes
    const Row rows[] = {
        {__LINE__, "", MAX_PATH - 1, 1},
        {__LINE__, "", MAX_PATH, 0},
        {__LINE__, "", MAX_PATH + 40, 0},
        {__LINE__, detour, MAX_PATH - 1, 1},
        {__LINE__, detour, MAX_PATH, 0},
    };
    const std::string folder = root + "\\Long";
    for (const Row& row : rows) {
        const size_t prefixUnits = Wide(folder + row.detour).size();
        ASSERT_LT(prefixUnits + 10, row.units);
        // Name of the shortcut file: "x...x.lnk" making up the length.
        const std::string name = "\\" + std::string(row.units - prefixUnits - 1 - 4, 'x') + ".lnk";
        const std::string link = folder + row.detour + name;
        SCOPED_TRACE(testing::Message() << "row at line " << row.line << ": " << link.size() << " bytes, "
                                        << Wide(link).size() << " units");
        ASSERT_EQ(row.units, Wide(link).size());
        if (!row.detour.empty()) {
            ASSERT_GT(link.size(), static_cast<size_t>(MAX_PATH));
        }
        ASSERT_TRUE(scratch->Shortcut(folder + name, game));
        ASSERT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(Wide(link).c_str()));

        TqxFile file;
        Outputs out;
        EXPECT_EQ(row.result, file.ResolveShortcut(link.c_str(), out.target, &out.findData));
        if (row.result) {
            EXPECT_EQ(game, out.target);
        } else {
            EXPECT_TRUE(out.TargetUntouched());
            EXPECT_TRUE(out.FindDataUntouched());
        }
    }
}

// Each call initialises COM and undoes exactly that, whatever the thread
// held before: nothing, the single-threaded apartment, or the multithreaded
// apartment (where its own initialisation fails and must not be undone).
TEST_F(ResolveShortcutTest, LeavesTheThreadsComStateAsItWas)
{
    const std::string existing = root + "\\Existing.lnk";
    const std::string missing = root + "\\Missing.lnk";
    struct Row {
        int line;
        bool initialise;
        DWORD model;
    };
    const Row rows[] = {
        {__LINE__, false, 0},
        {__LINE__, true, COINIT_APARTMENTTHREADED},
        {__LINE__, true, COINIT_MULTITHREADED},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << "row at line " << row.line);
        if (row.initialise) {
            ASSERT_EQ(S_OK, CoInitializeEx(nullptr, row.model));
        }
        TqxFile file;
        for (int i = 0; i < 20; ++i) {
            SCOPED_TRACE(testing::Message() << "call " << i);
            Outputs out;
            ASSERT_EQ(1, file.ResolveShortcut(existing.c_str(), out.target, &out.findData));
            ASSERT_EQ(game, out.target);
            ASSERT_EQ(0, file.ResolveShortcut(missing.c_str(), out.target, &out.findData));
            // Still in the apartment the test chose, with one initialisation.
            if (!row.initialise) {
                ASSERT_EQ(S_OK, CoInitializeEx(nullptr, COINIT_MULTITHREADED)) << "COM left initialised";
                CoUninitialize();
            } else {
                const DWORD other =
                    row.model == COINIT_MULTITHREADED ? COINIT_APARTMENTTHREADED : COINIT_MULTITHREADED;
                ASSERT_EQ(RPC_E_CHANGED_MODE, CoInitializeEx(nullptr, other)) << "apartment changed";
            }
        }
        if (row.initialise) {
            CoUninitialize();
            EXPECT_EQ(S_OK, CoInitializeEx(nullptr, COINIT_MULTITHREADED)) << "more than one initialisation left";
            CoUninitialize();
        }
    }
}

// A COM object whose persist-file interface records what it is given.
class FakePersistFile : public IPersistFile {
public:
    explicit FakePersistFile(bool offersPersistFile, HRESULT loadResult)
        : offersPersistFile_(offersPersistFile), loadResult_(loadResult)
    {
    }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override
    {
        if (iid == IID_IUnknown || (offersPersistFile_ && iid == IID_IPersistFile)) {
            *object = static_cast<IPersistFile*>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(++references); }
    ULONG STDMETHODCALLTYPE Release() override { return static_cast<ULONG>(--references); }
    HRESULT STDMETHODCALLTYPE GetClassID(CLSID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE IsDirty() override { return S_FALSE; }
    HRESULT STDMETHODCALLTYPE Load(LPCOLESTR fileName, DWORD mode) override
    {
        ++loads;
        loadedName = fileName;
        loadedMode = mode;
        referencesDuringLoad = references;
        return loadResult_;
    }
    HRESULT STDMETHODCALLTYPE Save(LPCOLESTR, BOOL) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SaveCompleted(LPCOLESTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetCurFile(LPOLESTR*) override { return E_NOTIMPL; }

    long references = 1;  // the test's own
    long referencesDuringLoad = 0;
    int loads = 0;
    std::wstring loadedName;
    DWORD loadedMode = 0xFFFFFFFF;

private:
    bool offersPersistFile_;
    HRESULT loadResult_;
};

TEST(LoadPersistFileTest, LoadsThroughThePersistFileInterface)
{
    struct Row {
        int line;
        bool offersPersistFile;
        HRESULT loadResult;
        BOOL expected;
        int loads;
    };
    const Row rows[] = {
        {__LINE__, true, S_OK, 1, 1},
        // Only S_OK counts as loaded.
        {__LINE__, true, S_FALSE, 0, 1},
        {__LINE__, true, E_FAIL, 0, 1},
        {__LINE__, true, STG_E_FILENOTFOUND, 0, 1},
        {__LINE__, false, S_OK, 0, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << "row at line " << row.line);
        FakePersistFile object(row.offersPersistFile, row.loadResult);
        TqxFile file;
        EXPECT_EQ(row.expected, file.LoadPersistFile(&object, L"C:\\Hoshizora Soft\\ゲーム.lnk", STGM_READ | STGM_SHARE_DENY_NONE));
        EXPECT_EQ(row.loads, object.loads);
        // The interface it asked for is released once, and the object stays the caller's.
        EXPECT_EQ(1, object.references);
        if (row.loads) {
            EXPECT_EQ(2, object.referencesDuringLoad);
            EXPECT_EQ(std::wstring(L"C:\\Hoshizora Soft\\ゲーム.lnk"), object.loadedName);
            EXPECT_EQ(static_cast<DWORD>(STGM_READ | STGM_SHARE_DENY_NONE), object.loadedMode);
        }
    }
    TqxFile file;
    EXPECT_EQ(0, file.LoadPersistFile(nullptr, L"C:\\x.lnk", STGM_READ));
}

}  // namespace

namespace {

// A shell link object standing in for the shell's own: it logs the calls
// the shortcut reader makes and answers as the case says.
struct LinkScript {
    bool offersPersistFile = true;
    HRESULT loadResult = S_OK;
    HRESULT getPathResult = S_OK;
    const char* path = nullptr;  // written by GetPath when not null
};

class FakeShellLink final : public IShellLinkA, public IPersistFile {
public:
    FakeShellLink(const LinkScript& script, std::vector<std::string>& log) : script_(script), log_(log) {}
    virtual ~FakeShellLink() = default;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override
    {
        if (iid == IID_IUnknown || iid == IID_IShellLinkA) {
            *object = static_cast<IShellLinkA*>(this);
        } else if (iid == IID_IPersistFile) {
            log_.push_back("QueryInterface IPersistFile");
            if (!script_.offersPersistFile) {
                *object = nullptr;
                return E_NOINTERFACE;
            }
            *object = static_cast<IPersistFile*>(this);
        } else {
            *object = nullptr;
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(++references_); }
    ULONG STDMETHODCALLTYPE Release() override
    {
        const long left = --references_;
        log_.push_back("Release, " + std::to_string(left) + " left");
        if (left == 0)
            delete this;
        return static_cast<ULONG>(left);
    }

    // IShellLinkA
    HRESULT STDMETHODCALLTYPE GetPath(LPSTR file, int size, WIN32_FIND_DATAA* findData, DWORD flags) override
    {
        log_.push_back("GetPath " + std::to_string(size) + " flags " + std::to_string(flags) +
                       (findData ? " with find data" : " without find data"));
        if (script_.path)
            lstrcpynA(file, script_.path, size);
        return script_.getPathResult;
    }
    HRESULT STDMETHODCALLTYPE GetIDList(PIDLIST_ABSOLUTE*) override { return Unexpected("GetIDList"); }
    HRESULT STDMETHODCALLTYPE SetIDList(PCIDLIST_ABSOLUTE) override { return Unexpected("SetIDList"); }
    HRESULT STDMETHODCALLTYPE GetDescription(LPSTR, int) override { return Unexpected("GetDescription"); }
    HRESULT STDMETHODCALLTYPE SetDescription(LPCSTR) override { return Unexpected("SetDescription"); }
    HRESULT STDMETHODCALLTYPE GetWorkingDirectory(LPSTR, int) override { return Unexpected("GetWorkingDirectory"); }
    HRESULT STDMETHODCALLTYPE SetWorkingDirectory(LPCSTR) override { return Unexpected("SetWorkingDirectory"); }
    HRESULT STDMETHODCALLTYPE GetArguments(LPSTR, int) override { return Unexpected("GetArguments"); }
    HRESULT STDMETHODCALLTYPE SetArguments(LPCSTR) override { return Unexpected("SetArguments"); }
    HRESULT STDMETHODCALLTYPE GetHotkey(WORD*) override { return Unexpected("GetHotkey"); }
    HRESULT STDMETHODCALLTYPE SetHotkey(WORD) override { return Unexpected("SetHotkey"); }
    HRESULT STDMETHODCALLTYPE GetShowCmd(int*) override { return Unexpected("GetShowCmd"); }
    HRESULT STDMETHODCALLTYPE SetShowCmd(int) override { return Unexpected("SetShowCmd"); }
    HRESULT STDMETHODCALLTYPE GetIconLocation(LPSTR, int, int*) override { return Unexpected("GetIconLocation"); }
    HRESULT STDMETHODCALLTYPE SetIconLocation(LPCSTR, int) override { return Unexpected("SetIconLocation"); }
    HRESULT STDMETHODCALLTYPE SetRelativePath(LPCSTR, DWORD) override { return Unexpected("SetRelativePath"); }
    HRESULT STDMETHODCALLTYPE Resolve(HWND, DWORD) override { return Unexpected("Resolve"); }
    HRESULT STDMETHODCALLTYPE SetPath(LPCSTR) override { return Unexpected("SetPath"); }

    // IPersistFile
    HRESULT STDMETHODCALLTYPE GetClassID(CLSID*) override { return Unexpected("GetClassID"); }
    HRESULT STDMETHODCALLTYPE IsDirty() override { return Unexpected("IsDirty"); }
    HRESULT STDMETHODCALLTYPE Load(LPCOLESTR fileName, DWORD mode) override
    {
        log_.push_back("Load " + Narrow(fileName) + " mode " + std::to_string(mode));
        return script_.loadResult;
    }
    HRESULT STDMETHODCALLTYPE Save(LPCOLESTR, BOOL) override { return Unexpected("Save"); }
    HRESULT STDMETHODCALLTYPE SaveCompleted(LPCOLESTR) override { return Unexpected("SaveCompleted"); }
    HRESULT STDMETHODCALLTYPE GetCurFile(LPOLESTR*) override { return Unexpected("GetCurFile"); }

private:
    HRESULT Unexpected(const char* name)
    {
        log_.push_back(name);
        return E_NOTIMPL;
    }

    LinkScript script_;
    std::vector<std::string>& log_;
    long references_ = 1;
};

class FakeLinkFactory : public IClassFactory {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override
    {
        if (iid == IID_IUnknown || iid == IID_IClassFactory) {
            *object = static_cast<IClassFactory*>(this);
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** object) override
    {
        *object = nullptr;
        log.push_back(std::string("CreateInstance") + (outer ? " with outer" : "") +
                      (iid == IID_IShellLinkA ? " IShellLinkA" : " other interface"));
        if (createResult != S_OK)
            return createResult;
        FakeShellLink* link = new FakeShellLink(script, log);
        const HRESULT result = link->QueryInterface(iid, object);
        link->Release();
        return result;
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }

    HRESULT createResult = S_OK;
    LinkScript script;
    std::vector<std::string> log;
};

std::string Joined(const std::vector<std::string>& lines)
{
    std::string text;
    for (const std::string& line : lines)
        text += line + "\n";
    return text;
}

}  // namespace

// The calls made of the link object, in order, on each way out; the link
// object stands in for the shell's through a class registered in-process.
TEST(ResolveShortcutCallsTest, CallsInOrderAndReleasesOnce)
{
    ASSERT_EQ(S_OK, CoInitialize(nullptr));
    FakeLinkFactory factory;
    DWORD cookie = 0;
    ASSERT_EQ(S_OK, CoRegisterClassObject(CLSID_ShellLink, &factory, CLSCTX_INPROC_SERVER, REGCLS_MULTIPLEUSE,
                                          &cookie));
    const char* const created = "CreateInstance IShellLinkA";
    // The link's own Release after QueryInterface in the factory.
    const char* const handedOut = "Release, 1 left";
    const char* const asked = "QueryInterface IPersistFile";
    const std::string loaded = "Load C:\\Hoshizora Soft\\Game.lnk mode " + std::to_string(STGM_READ);
    const char* const persistReleased = "Release, 1 left";
    const char* const gotPath = "GetPath 260 flags 2 with find data";
    const char* const linkReleased = "Release, 0 left";
    struct Row {
        int line;
        HRESULT createResult;
        LinkScript script;
        BOOL result;
        const char* target;  // null: untouched
        std::vector<std::string> calls;
    };
    const Row rows[] = {
        {__LINE__, S_OK, {true, S_OK, S_OK, "C:\\Games\\Title\\game.exe"}, 1, "C:\\Games\\Title\\game.exe",
         {created, handedOut, asked, loaded, persistReleased, gotPath, linkReleased}},
        // GetPath failing without writing: still 1, and a terminated empty text.
        {__LINE__, S_OK, {true, S_OK, E_FAIL, nullptr}, 1, "",
         {created, handedOut, asked, loaded, persistReleased, gotPath, linkReleased}},
        {__LINE__, S_OK, {true, S_OK, S_FALSE, ""}, 1, "",
         {created, handedOut, asked, loaded, persistReleased, gotPath, linkReleased}},
        {__LINE__, S_OK, {true, E_FAIL, S_OK, "C:\\x"}, 0, nullptr,
         {created, handedOut, asked, loaded, persistReleased, linkReleased}},
        {__LINE__, S_OK, {true, S_FALSE, S_OK, "C:\\x"}, 0, nullptr,
         {created, handedOut, asked, loaded, persistReleased, linkReleased}},
        {__LINE__, S_OK, {false, S_OK, S_OK, "C:\\x"}, 0, nullptr, {created, handedOut, asked, linkReleased}},
        {__LINE__, E_OUTOFMEMORY, {}, 0, nullptr, {created}},
        {__LINE__, CLASS_E_NOAGGREGATION, {}, 0, nullptr, {created}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << "row at line " << row.line);
        factory.createResult = row.createResult;
        factory.script = row.script;
        factory.log.clear();
        TqxFile file;
        Outputs out;
        EXPECT_EQ(row.result, file.ResolveShortcut("C:\\Hoshizora Soft\\Game.lnk", out.target, &out.findData));
        EXPECT_EQ(Joined(row.calls), Joined(factory.log));
        if (row.target) {
            EXPECT_STREQ(row.target, out.target);
        } else {
            EXPECT_TRUE(out.TargetUntouched());
        }
    }
    EXPECT_EQ(S_OK, CoRevokeClassObject(cookie));
    CoUninitialize();
}
