#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <string>

#include "platform/Registry.h"
#include "platform/SysUtils.h"
#include "support/tqxregistry.h"

namespace {

const char kScratchKey[] = "Software\\QuillmereTest";
// A value straight under HKEY_CURRENT_USER: reading it without a key open
// must not find it.
const char kRootValue[] = "QuillmereTestRootValue";
const char kSentinel[] = "untouched-sentinel";

void SetValue(HKEY key, const char* name, DWORD type, const void* data, DWORD size)
{
    ASSERT_EQ(ERROR_SUCCESS, RegSetValueExA(key, name, 0, type, static_cast<const BYTE*>(data), size))
        << "value " << name;
}

void SetText(HKEY key, const char* name, const char* text, DWORD type = REG_SZ)
{
    SetValue(key, name, type, text, static_cast<DWORD>(std::strlen(text) + 1));
}

TRegKey CreateKey(HKEY parent, const char* name)
{
    HKEY key = nullptr;
    EXPECT_EQ(ERROR_SUCCESS, RegCreateKeyExA(parent, name, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                                             nullptr))
        << "key " << name;
    return TRegKey(key);
}

// A REG_SZ value as the system reads it; empty when it cannot.
std::string ReadDirectly(HKEY root, const char* key, const char* name)
{
    char text[MAX_PATH] = {};
    DWORD size = sizeof text;
    if (RegGetValueA(root, key, name, RRF_RT_REG_SZ, nullptr, text, &size) != ERROR_SUCCESS)
        return std::string();
    return text;
}

void RemoveScratch()
{
    LONG status = RegDeleteTreeA(HKEY_CURRENT_USER, kScratchKey);
    ASSERT_TRUE(status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND) << status;
    status = RegDeleteValueA(HKEY_CURRENT_USER, kRootValue);
    ASSERT_TRUE(status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND) << status;
}

// Software\QuillmereTest                  (default) = "default"
//   Plain        REG_SZ         C:\Games\Title
//   Expand       REG_EXPAND_SZ  %SystemRoot%\Fonts
//   Number       REG_DWORD      7
//   Multi        REG_MULTI_SZ   a, b
//   Embedded     REG_SZ         abc NUL def
//   Unterminated REG_SZ         xyz, stored without a NUL
//   Empty        REG_SZ         no bytes
//   EmptyBinary  REG_BINARY     no bytes
//   Inner\Deep, Inner\Plain     REG_SZ
//   ソフト\表示  REG_SZ         (both names hold a 0x5C trail byte)
class ScratchRegistry : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(932u, GetACP());
        ASSERT_NO_FATAL_FAILURE(RemoveScratch());
        TRegKey scratch = CreateKey(HKEY_CURRENT_USER, kScratchKey);
        ASSERT_TRUE(scratch);
        ASSERT_NO_FATAL_FAILURE(SetText(scratch.Get(), "", "default"));
        ASSERT_NO_FATAL_FAILURE(SetText(scratch.Get(), "Plain", "C:\\Games\\Title"));
        ASSERT_NO_FATAL_FAILURE(SetText(scratch.Get(), "Expand", "%SystemRoot%\\Fonts", REG_EXPAND_SZ));
        const DWORD number = 7;
        ASSERT_NO_FATAL_FAILURE(SetValue(scratch.Get(), "Number", REG_DWORD, &number, sizeof number));
        ASSERT_NO_FATAL_FAILURE(SetValue(scratch.Get(), "Multi", REG_MULTI_SZ, "a\0b\0", 5));
        ASSERT_NO_FATAL_FAILURE(SetValue(scratch.Get(), "Embedded", REG_SZ, "abc\0def", 8));
        // The "A" call would add the NUL itself; the "W" one stores what it is given.
        ASSERT_EQ(ERROR_SUCCESS, RegSetValueExW(scratch.Get(), L"Unterminated", 0, REG_SZ,
                                                reinterpret_cast<const BYTE*>(L"xyz"), 6));
        ASSERT_NO_FATAL_FAILURE(SetValue(scratch.Get(), "Empty", REG_SZ, "", 0));
        ASSERT_NO_FATAL_FAILURE(SetValue(scratch.Get(), "EmptyBinary", REG_BINARY, "", 0));

        TRegKey inner = CreateKey(scratch.Get(), "Inner");
        ASSERT_TRUE(inner);
        ASSERT_NO_FATAL_FAILURE(SetText(inner.Get(), "Deep", "deep"));
        ASSERT_NO_FATAL_FAILURE(SetText(inner.Get(), "Plain", "inner plain"));

        TRegKey japanese = CreateKey(scratch.Get(), "ソフト");
        ASSERT_TRUE(japanese);
        ASSERT_NO_FATAL_FAILURE(SetText(japanese.Get(), "表示", "ソフトの値"));

        ASSERT_NO_FATAL_FAILURE(SetText(HKEY_CURRENT_USER, kRootValue, "root"));
    }

    void TearDown() override { RemoveScratch(); }
};

struct PathCase {
    const char* path;
    int length;  // bytes of path; 0: up to its NUL
    bool result;
    const char* value;  // nullptr: the output keeps the sentinel
    bool raises;
    int line;
};

const char* const kUntouched = nullptr;
// A path literal that holds a NUL byte, with its length.
#define WITH_NUL(text) text, static_cast<int>(sizeof(text) - 1)

const PathCase kPathCases[] = {
    {"HKEY_CURRENT_USER\\Software\\QuillmereTest\\Plain", 0, true, "C:\\Games\\Title", false, __LINE__},
    {"hkey_current_user\\software\\quillmeretest\\plain", 0, true, "C:\\Games\\Title", false, __LINE__},
    {"Hkey_Current_User\\Software\\QuillmereTest\\Plain", 0, true, "C:\\Games\\Title", false, __LINE__},
    {"HKCU\\Software\\QuillmereTest\\Plain", 0, false, kUntouched, false, __LINE__},
    {"HKEY_CURRENT_USER\\\\Software\\\\QuillmereTest\\Plain", 0, true, "C:\\Games\\Title", false, __LINE__},
    {"\\HKEY_CURRENT_USER\\Software\\QuillmereTest\\Plain\\", 0, true, "C:\\Games\\Title", false, __LINE__},
    {"HKEY_CURRENT_USER\\Software\\QuillmereTest\\Inner\\Deep", 0, true, "deep", false, __LINE__},
    {"HKEY_CURRENT_USER\\\"Software\\QuillmereTest\\Inner\"\\Plain", 0, true, "inner plain", false,
     __LINE__},
    // A trailing backslash names the value "QuillmereTest" of Software, not
    // the default value of QuillmereTest.
    {"HKEY_CURRENT_USER\\Software\\QuillmereTest\\", 0, true, "", false, __LINE__},
    // Nothing or only a root: nothing read.
    {"", 0, true, kUntouched, false, __LINE__},
    {"\\\\\\", 0, true, kUntouched, false, __LINE__},
    {"HKEY_CURRENT_USER", 0, true, kUntouched, false, __LINE__},
    {"\\HKEY_CURRENT_USER\\", 0, true, kUntouched, false, __LINE__},
    // A root and a value: no key is open, so even a value of the root is not found.
    {"HKEY_CURRENT_USER\\QuillmereTestRootValue", 0, true, "", false, __LINE__},
    {"HKEY_CURRENT_USER\\Software\\QuillmereTest\\Missing", 0, true, "", false, __LINE__},
    {"HKEY_CURRENT_USER\\Software\\QuillmereTest\\Empty", 0, true, "", false, __LINE__},
    {"HKEY_CURRENT_USER\\Software\\QuillmereTest\\EmptyBinary", 0, true, "", false, __LINE__},
    {"HKEY_CURRENT_USER\\Software\\QuillmereTest\\Expand", 0, true, "%SystemRoot%\\Fonts", false, __LINE__},
    {"HKEY_CURRENT_USER\\Software\\QuillmereTest\\Embedded", 0, true, "abc", false, __LINE__},
    {"HKEY_CURRENT_USER\\Software\\QuillmereTest\\Unterminated", 0, true, "xyz", false, __LINE__},
    {"HKEY_CURRENT_USER\\Software\\QuillmereTest\\ソフト\\表示", 0, true, "ソフトの値", false, __LINE__},
    // Keys that cannot be opened.
    {"HKEY_CURRENT_USER\\Software\\QuillmereTest\\Nokey\\Plain", 0, false, kUntouched, false, __LINE__},
    {"HKEY_CURRENT_USER\\Software\\Nokey\\QuillmereTest\\Plain", 0, false, kUntouched, false, __LINE__},
    {"HKEY_LOCAL_MACHINE\\Software\\QuillmereTest\\Plain", 0, false, kUntouched, false, __LINE__},
    // Values that are not text.
    {"HKEY_CURRENT_USER\\Software\\QuillmereTest\\Number", 0, false, kUntouched, true, __LINE__},
    {"HKEY_CURRENT_USER\\Software\\QuillmereTest\\Multi", 0, false, kUntouched, true, __LINE__},
    // Roots that are refused.
    {"HKEY_PERFORMANCE_DATA\\Software\\QuillmereTest\\Plain", 0, false, kUntouched, false, __LINE__},
    {"HKEY_PERFORMANCE_DATA", 0, false, kUntouched, false, __LINE__},
    {"HKEY_CURRENT_USERX\\Software\\QuillmereTest\\Plain", 0, false, kUntouched, false, __LINE__},
    // A NUL byte inside a name would cut it short and name another key or value.
    {WITH_NUL("HKEY_CURRENT_USER\\Software\\QuillmereTest\0Inner\\Plain"), false, kUntouched, false, __LINE__},
    {WITH_NUL("HKEY_CURRENT_USER\\Software\\QuillmereTest\\Plain\0x"), true, "", false, __LINE__},
};

TEST_F(ScratchRegistry, ReadStringByPathFollowsTheOutcomeTable)
{
    for (const PathCase& c : kPathCases) {
        SCOPED_TRACE(testing::Message() << "path at line " << c.line);
        const AnsiString path = c.length ? AnsiString(c.path, c.length) : AnsiString(c.path);
        AnsiString value = kSentinel;
        TqxRegistry registry;
        if (c.raises) {
            EXPECT_THROW(registry.ReadStringByPath(path, value), ERegistryException);
        } else {
            EXPECT_EQ(c.result, registry.ReadStringByPath(path, value));
        }
        EXPECT_STREQ(c.value ? c.value : kSentinel, value.c_str());
    }
}

// Each root name selects its own handle: a value that lives only under that
// root is read as the system's own call reads it.
TEST_F(ScratchRegistry, ReadStringByPathSelectsEachRoot)
{
    struct RootCase {
        const char* root;
        HKEY handle;
        const char* key;
        const char* name;
        int line;
    };
    const RootCase cases[] = {
        {"HKEY_CLASSES_ROOT", HKEY_CLASSES_ROOT, "AppID\\BITS", "AppID", __LINE__},
        {"HKEY_CURRENT_USER", HKEY_CURRENT_USER, kScratchKey, "Plain", __LINE__},
        {"HKEY_LOCAL_MACHINE", HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows NT\\CurrentVersion",
         "CurrentVersion", __LINE__},
        {"HKEY_USERS", HKEY_USERS, ".Default\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders",
         "Fonts", __LINE__},
        {"HKEY_CURRENT_CONFIG", HKEY_CURRENT_CONFIG, "Software\\Fonts", "FONTS.FON", __LINE__},
    };
    for (const RootCase& c : cases) {
        SCOPED_TRACE(testing::Message() << "root at line " << c.line);
        const std::string expected = ReadDirectly(c.handle, c.key, c.name);
        ASSERT_FALSE(expected.empty());

        AnsiString value = kSentinel;
        EXPECT_TRUE(TqxRegistry().ReadStringByPath(AnsiString(c.root) + "\\" + c.key + "\\" + c.name, value));
        EXPECT_EQ(expected, value.c_str());
    }

    // HKEY_DYN_DATA is accepted as a root; whether a key opens below it is
    // the system's answer.
    HKEY dynKey = nullptr;
    const bool dynOpens = RegOpenKeyExA(HKEY_DYN_DATA, "PerfStats", 0, KEY_READ, &dynKey) == ERROR_SUCCESS;
    TRegKey dynOwner(dynKey);
    AnsiString value = kSentinel;
    EXPECT_EQ(!dynOpens, TqxRegistry().ReadStringByPath("hkey_dyn_data\\PerfStats\\Missing", value) == false);
    EXPECT_STREQ(dynOpens ? "" : kSentinel, value.c_str());
    EXPECT_TRUE(TqxRegistry().ReadStringByPath("HKEY_DYN_DATA", value));
}

TEST_F(ScratchRegistry, FailedOpenKeepsTheKeyHeldBefore)
{
    TRegistry registry;
    EXPECT_EQ(HKEY_CURRENT_USER, registry.RootKey());
    ASSERT_TRUE(registry.OpenKeyReadOnly(kScratchKey));
    EXPECT_FALSE(registry.OpenKeyReadOnly("Nokey"));
    EXPECT_STREQ("C:\\Games\\Title", registry.ReadString("Plain").c_str());

    // Opening is relative to the key held, which the new one replaces.
    ASSERT_TRUE(registry.OpenKeyReadOnly("Inner"));
    EXPECT_STREQ("inner plain", registry.ReadString("Plain").c_str());
    EXPECT_FALSE(registry.OpenKeyReadOnly("Inner"));
    EXPECT_STREQ("deep", registry.ReadString("Deep").c_str());
}

TEST_F(ScratchRegistry, NoKeyOpenReadsNothing)
{
    TRegistry registry;
    EXPECT_STREQ("", registry.ReadString(kRootValue).c_str());
}

TEST_F(ScratchRegistry, SettingTheRootClosesTheKeyHeld)
{
    TRegistry registry;
    ASSERT_TRUE(registry.OpenKeyReadOnly(kScratchKey));
    registry.SetRootKey(HKEY_LOCAL_MACHINE);
    EXPECT_EQ(HKEY_LOCAL_MACHINE, registry.RootKey());
    EXPECT_STREQ("", registry.ReadString("Plain").c_str());
    EXPECT_FALSE(registry.OpenKeyReadOnly(kScratchKey));
    const char versionKey[] = "Software\\Microsoft\\Windows NT\\CurrentVersion";
    ASSERT_TRUE(registry.OpenKeyReadOnly(versionKey));
    const std::string expected = ReadDirectly(HKEY_LOCAL_MACHINE, versionKey, "CurrentVersion");
    ASSERT_FALSE(expected.empty());
    EXPECT_EQ(expected, registry.ReadString("CurrentVersion").c_str());
}

TEST_F(ScratchRegistry, ReadStringTakesStoredBytesOnly)
{
    TRegistry registry;
    ASSERT_TRUE(registry.OpenKeyReadOnly(kScratchKey));

    // "Unterminated" is stored without its NUL (Wine's query adds one; Windows
    // hands the bytes back as stored).
    const AnsiString text = registry.ReadString("Unterminated");
    EXPECT_EQ(3, text.Length());
    EXPECT_STREQ("xyz", text.c_str());
    EXPECT_EQ(AnsiString("abc"), registry.ReadString("Embedded"));
}

TEST_F(ScratchRegistry, NonTextValueRaisesWithItsName)
{
    TRegistry registry;
    ASSERT_TRUE(registry.OpenKeyReadOnly(kScratchKey));
    try {
        registry.ReadString("Number");
        ADD_FAILURE() << "no exception";
    } catch (const ERegistryException& e) {
        EXPECT_STREQ("レジストリの値 'Number' は文字列ではありません", e.Message.c_str());
    }
    // The accessor stays usable.
    ASSERT_TRUE(registry.OpenKeyReadOnly("Inner"));
    EXPECT_STREQ("deep", registry.ReadString("Deep").c_str());
}

}  // namespace
