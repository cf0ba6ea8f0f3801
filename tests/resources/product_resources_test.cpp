// The built installer carries exactly the catalogue of resources, with their
// types and languages, and the stated icon, version block and manifest; its
// file is a 32-bit GUI program. The product is opened as a data file, so a
// 64-bit test can read the 32-bit build.
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <map>
#include <regex>
#include <string>
#include <tuple>
#include <vector>

#include <gtest/gtest.h>

#include "ResourceTestSupport.h"

namespace {

const std::string kProduct = MIVARO_PRODUCT_PATH;
const std::string kPackage = MIVARO_PACKAGE_DIR;
const bool kProductIs64 = MIVARO_PRODUCT_IS_64 != 0;
const WORD kJapanese = MAKELANGID(LANG_JAPANESE, SUBLANG_DEFAULT);  // 1041
const WORD kNeutral = MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL);    // 0

// The product loaded as resources only; freed once.
class DataModule {
public:
    explicit DataModule(const std::string& path)
        : module_(LoadLibraryExA(HostPath(path).c_str(), nullptr,
                                 LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE))
    {
    }
    DataModule(const DataModule&) = delete;
    DataModule& operator=(const DataModule&) = delete;
    ~DataModule()
    {
        if (module_)
            FreeLibrary(module_);
    }
    HMODULE get() const { return module_; }

private:
    HMODULE module_;
};

// A resource type or name as text: "#n" for a number, else the name.
std::string IdText(LPCSTR id)
{
    if (IS_INTRESOURCE(id))
        return "#" + std::to_string(reinterpret_cast<ULONG_PTR>(id));
    return id;
}

// Back from the text to what the resource functions take; the text must
// outlive the result.
LPCSTR IdArgument(const std::string& text)
{
    if (!text.empty() && text[0] == '#')
        return MAKEINTRESOURCEA(std::stoi(text.substr(1)));
    return text.c_str();
}

struct Entry {
    std::string type;
    std::string name;
    WORD language;
    bool operator<(const Entry& o) const
    {
        return std::tie(type, name, language) < std::tie(o.type, o.name, o.language);
    }
    bool operator==(const Entry& o) const
    {
        return std::tie(type, name, language) == std::tie(o.type, o.name, o.language);
    }
};

std::ostream& operator<<(std::ostream& out, const Entry& e)
{
    return out << "{" << e.type << ", " << e.name << ", " << e.language << "}";
}

// The enumeration callbacks run inside Windows frames: they only collect,
// and stop the enumeration instead of letting an exception out.
BOOL CALLBACK CollectType(HMODULE, LPSTR type, LONG_PTR param)
{
    try {
        reinterpret_cast<std::vector<std::string>*>(param)->push_back(IdText(type));
        return TRUE;
    } catch (...) {
        return FALSE;
    }
}

BOOL CALLBACK CollectName(HMODULE, LPCSTR, LPSTR name, LONG_PTR param)
{
    try {
        reinterpret_cast<std::vector<std::string>*>(param)->push_back(IdText(name));
        return TRUE;
    } catch (...) {
        return FALSE;
    }
}

BOOL CALLBACK CollectLanguage(HMODULE, LPCSTR, LPCSTR, WORD language, LONG_PTR param)
{
    try {
        reinterpret_cast<std::vector<WORD>*>(param)->push_back(language);
        return TRUE;
    } catch (...) {
        return FALSE;
    }
}

std::vector<Entry> EnumerateResources(HMODULE module)
{
    std::vector<Entry> entries;
    std::vector<std::string> types;
    EXPECT_TRUE(EnumResourceTypesA(module, CollectType, reinterpret_cast<LONG_PTR>(&types)));
    for (const std::string& type : types) {
        std::vector<std::string> names;
        EXPECT_TRUE(EnumResourceNamesA(module, IdArgument(type), CollectName, reinterpret_cast<LONG_PTR>(&names)));
        for (const std::string& name : names) {
            std::vector<WORD> languages;
            EXPECT_TRUE(EnumResourceLanguagesA(module, IdArgument(type), IdArgument(name), CollectLanguage,
                                               reinterpret_cast<LONG_PTR>(&languages)));
            for (WORD language : languages)
                entries.push_back({type, name, language});
        }
    }
    std::sort(entries.begin(), entries.end());
    return entries;
}

// The bytes of one resource, or "(missing)".
std::string ResourceBytes(HMODULE module, LPCSTR type, LPCSTR name, WORD language)
{
    HRSRC info = FindResourceExA(module, type, name, language);
    HGLOBAL handle = info ? LoadResource(module, info) : nullptr;
    const void* memory = handle ? LockResource(handle) : nullptr;
    if (!memory)
        return "(missing)";
    return std::string(static_cast<const char*>(memory), SizeofResource(module, info));
}

std::vector<std::string> PayloadNumbers()
{
    std::vector<std::string> numbers;
    for (const std::string& name : ListHostFolder(kPackage + "/payload"))
        if (std::regex_match(name, std::regex("0|[1-9][0-9]*")))
            numbers.push_back(name);
    return numbers;
}

class ProductResources : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_NE(nullptr, product_.get()) << "cannot load " << HostPath(kProduct) << " as data, error "
                                           << GetLastError();
    }
    HMODULE module() const { return product_.get(); }

private:
    DataModule product_{kProduct};
};

TEST_F(ProductResources, AreExactlyTheCatalogue)
{
    std::vector<Entry> expected = {
        {"#10", "TFORMMAIN", kNeutral},                // RCDATA
        {"#14", "MAINICON", kJapanese},                // group icon
        {"#3", "#1", kJapanese},                       // its one icon
        {"#16", "#1", kJapanese},                      // version block
        {"#24", "#1", kNeutral},                       // manifest
        {"TEXT", "RESOURCE_SCRIPT", kNeutral},
        {"BMP", "RESOURCE_BACKGROUND", kNeutral},
    };
    for (const std::string& n : PayloadNumbers())
        expected.push_back({"BIN", "RESOURCE_FILE" + n, kNeutral});
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(expected, EnumerateResources(module()));
}

TEST_F(ProductResources, PackageIsEmbeddedByteForByte)
{
    struct Case {
        std::string type, name, file;
    };
    std::vector<Case> cases = {
        {"TEXT", "RESOURCE_SCRIPT", "script.txt"},
        {"BMP", "RESOURCE_BACKGROUND", "background.bmp"},
    };
    for (const std::string& n : PayloadNumbers())
        cases.push_back({"BIN", "RESOURCE_FILE" + n, "payload/" + n});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string expected = ReadHostFile(kPackage + "/" + c.file);
        const std::string got = ResourceBytes(module(), c.type.c_str(), c.name.c_str(), kNeutral);
        EXPECT_EQ(expected.size(), got.size());
        EXPECT_TRUE(expected == got);
    }
}

uint32_t U32(const std::string& bytes, size_t offset)
{
    uint32_t value = 0;
    if (offset + sizeof value <= bytes.size())
        std::memcpy(&value, bytes.data() + offset, sizeof value);
    return value;
}

uint16_t U16(const std::string& bytes, size_t offset)
{
    uint16_t value = 0;
    if (offset + sizeof value <= bytes.size())
        std::memcpy(&value, bytes.data() + offset, sizeof value);
    return value;
}

TEST_F(ProductResources, IconIsOne32x32ImageOf16Colours)
{
    const std::string ico = ReadHostFile(MIVARO_ICON_PATH);
    ASSERT_EQ(6u + 16u + 744u, ico.size());

    // Group: one entry, 32 x 32, 16 colours, 1 plane, 4 bits, 744 bytes, icon 1.
    const std::string group = ResourceBytes(module(), RT_GROUP_ICON, "MAINICON", kJapanese);
    const std::string expectedGroup("\0\0\1\0\1\0" "\x20\x20\x10\0" "\1\0\4\0" "\xE8\x02\0\0" "\1\0", 20);
    EXPECT_EQ(expectedGroup, group);

    const std::string icon = ResourceBytes(module(), RT_ICON, MAKEINTRESOURCEA(1), kJapanese);
    ASSERT_EQ(744u, icon.size());
    EXPECT_TRUE(ico.substr(22) == icon) << "icon 1 differs from mivaroPatch.ico";
    EXPECT_EQ(40u, U32(icon, 0));
    EXPECT_EQ(32u, U32(icon, 4));
    EXPECT_EQ(64u, U32(icon, 8));  // colour bits and mask
    EXPECT_EQ(4u, U16(icon, 14));
}

// One node of a version block: its key, its text value and its children.
struct VersionNode {
    std::string key;
    std::string text;
    std::vector<VersionNode> children;
};

std::string Narrow(const wchar_t* text, size_t length)
{
    std::string result;
    for (size_t i = 0; i < length && text[i]; ++i)
        result += text[i] < 0x80 ? static_cast<char>(text[i]) : '?';
    return result;
}

// Reads the node at offset; false when its lengths do not fit.
bool ParseVersionNode(const std::string& block, size_t offset, size_t end, VersionNode& node, size_t& next)
{
    if (offset + 6 > end)
        return false;
    const size_t length = U16(block, offset);
    const size_t valueLength = U16(block, offset + 2);
    const uint16_t type = U16(block, offset + 4);
    const size_t nodeEnd = offset + length;
    if (length < 6 || nodeEnd > end)
        return false;
    size_t p = offset + 6;
    std::wstring key;
    while (p + 2 <= nodeEnd && U16(block, p) != 0) {
        key += static_cast<wchar_t>(U16(block, p));
        p += 2;
    }
    p += 2;
    p = (p + 3) & ~size_t(3);
    node.key = Narrow(key.c_str(), key.size());
    const size_t valueBytes = type == 1 ? valueLength * 2 : valueLength;
    if (valueBytes && p + valueBytes <= nodeEnd && type == 1) {
        std::wstring value;
        for (size_t i = 0; i < valueLength; ++i)
            value += static_cast<wchar_t>(U16(block, p + 2 * i));
        node.text = Narrow(value.c_str(), value.size());
    }
    p = (p + valueBytes + 3) & ~size_t(3);
    while (p < nodeEnd) {
        VersionNode child;
        size_t after = 0;
        if (!ParseVersionNode(block, p, nodeEnd, child, after))
            return false;
        node.children.push_back(child);
        p = (after + 3) & ~size_t(3);
    }
    next = nodeEnd;
    return true;
}

TEST_F(ProductResources, VersionBlockHoldsTheStatedValues)
{
    const std::string block = ResourceBytes(module(), RT_VERSION, MAKEINTRESOURCEA(1), kJapanese);
    VersionNode root;
    size_t next = 0;
    ASSERT_TRUE(ParseVersionNode(block, 0, block.size(), root, next));
    EXPECT_EQ("VS_VERSION_INFO", root.key);

    // Every string table and its entries, as key -> value.
    std::map<std::string, std::map<std::string, std::string>> tables;
    for (const VersionNode& info : root.children)
        if (info.key == "StringFileInfo")
            for (const VersionNode& table : info.children)
                for (const VersionNode& entry : table.children)
                    tables[table.key][entry.key] = entry.text;
    const std::map<std::string, std::map<std::string, std::string>> expected = {
        {"041103A4",
         {{"CompanyName", ""}, {"FileDescription", ""}, {"FileVersion", "1.3.1.7"}, {"InternalName", ""},
          {"LegalCopyright", ""}, {"LegalTrademarks", ""}, {"OriginalFilename", ""}, {"ProductName", ""},
          {"ProductVersion", "1.0.0.0"}, {"Comments", ""}}},
    };
    EXPECT_EQ(expected, tables);

    // What the file's properties read, through the version API.
    const std::string path = HostPath(kProduct);
    DWORD handle = 0;
    const DWORD size = GetFileVersionInfoSizeA(path.c_str(), &handle);
    ASSERT_GT(size, 0u);
    std::vector<char> info(size);
    ASSERT_TRUE(GetFileVersionInfoA(path.c_str(), 0, size, info.data()));

    void* value = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueA(info.data(), "\\", &value, &length));
    ASSERT_EQ(sizeof(VS_FIXEDFILEINFO), length);
    const VS_FIXEDFILEINFO fixed = *static_cast<const VS_FIXEDFILEINFO*>(value);
    EXPECT_EQ(0xFEEF04BDu, fixed.dwSignature);
    EXPECT_EQ(0x00010003u, fixed.dwFileVersionMS);
    EXPECT_EQ(0x00010007u, fixed.dwFileVersionLS);
    EXPECT_EQ(0x00010003u, fixed.dwProductVersionMS);
    EXPECT_EQ(0x00010007u, fixed.dwProductVersionLS);
    EXPECT_EQ(0x3Fu, fixed.dwFileFlagsMask);
    EXPECT_EQ(0u, fixed.dwFileFlags);
    EXPECT_EQ(static_cast<DWORD>(VOS__WINDOWS32), fixed.dwFileOS);
    EXPECT_EQ(static_cast<DWORD>(VFT_APP), fixed.dwFileType);
    EXPECT_EQ(0u, fixed.dwFileSubtype);
    EXPECT_EQ(0u, fixed.dwFileDateMS);
    EXPECT_EQ(0u, fixed.dwFileDateLS);

    ASSERT_TRUE(VerQueryValueA(info.data(), "\\VarFileInfo\\Translation", &value, &length));
    ASSERT_EQ(4u, length);
    EXPECT_EQ(0x0411, static_cast<const WORD*>(value)[0]);
    EXPECT_EQ(0x03A4, static_cast<const WORD*>(value)[1]);

    struct Query {
        const char* key;
        const char* expected;
    } queries[] = {{"FileVersion", "1.3.1.7"}, {"ProductVersion", "1.0.0.0"}};
    for (const Query& q : queries) {
        SCOPED_TRACE(q.key);
        const std::string sub = std::string("\\StringFileInfo\\041103A4\\") + q.key;
        ASSERT_TRUE(VerQueryValueA(info.data(), sub.c_str(), &value, &length));
        EXPECT_EQ(std::string(q.expected), static_cast<const char*>(value));
    }
}

// Attributes of every element with the given tag.
std::vector<std::map<std::string, std::string>> Elements(const std::string& xml, const std::string& tag)
{
    std::vector<std::map<std::string, std::string>> result;
    const std::regex attribute("([A-Za-z:]+)=\"([^\"]*)\"");
    size_t at = 0;
    while ((at = xml.find("<" + tag + " ", at)) != std::string::npos) {
        const size_t end = xml.find('>', at);
        const std::string element = xml.substr(at, end - at);
        std::map<std::string, std::string> attributes;
        for (std::sregex_iterator i(element.begin(), element.end(), attribute), last; i != last; ++i)
            attributes[(*i)[1]] = (*i)[2];
        result.push_back(attributes);
        at = end;
    }
    return result;
}

TEST_F(ProductResources, ManifestAsksForAdministratorAndCommonControls6)
{
    const std::string manifest = ResourceBytes(module(), RT_MANIFEST, MAKEINTRESOURCEA(1), kNeutral);
    EXPECT_EQ(0u, manifest.find("<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>"));
    const std::string architecture = kProductIs64 ? "amd64" : "X86";

    const auto assemblies = Elements(manifest, "assembly");
    ASSERT_EQ(1u, assemblies.size());
    EXPECT_EQ("1.0", assemblies[0].at("manifestVersion"));

    const auto identities = Elements(manifest, "assemblyIdentity");
    ASSERT_EQ(2u, identities.size());
    std::map<std::string, std::string> own = identities[0];
    const std::string name = own["name"];
    EXPECT_TRUE(std::regex_match(name, std::regex("[A-Za-z0-9]+\\.[A-Za-z0-9]+\\.mivaroPatch"))) << name;
    own.erase("name");
    const std::map<std::string, std::string> expectedOwn = {
        {"version", "1.0.0.0"}, {"processorArchitecture", architecture}, {"type", "win32"}};
    EXPECT_EQ(expectedOwn, own);

    const std::map<std::string, std::string> expectedControls = {
        {"type", "win32"}, {"name", "Microsoft.Windows.Common-Controls"}, {"version", "6.0.0.0"},
        {"processorArchitecture", architecture}, {"publicKeyToken", "6595b64144ccf1df"}, {"language", "*"}};
    EXPECT_EQ(expectedControls, identities[1]);
    EXPECT_NE(std::string::npos, manifest.find("<dependentAssembly>"));

    const auto levels = Elements(manifest, "requestedExecutionLevel");
    ASSERT_EQ(1u, levels.size());
    const std::map<std::string, std::string> expectedLevel = {{"level", "requireAdministrator"},
                                                              {"uiAccess", "false"}};
    EXPECT_EQ(expectedLevel, levels[0]);
}

TEST(ProductFile, IsAWindowsGuiProgramForTheTargetMachine)
{
    const std::string file = ReadHostFile(kProduct);
    ASSERT_GE(file.size(), 0x200u);
    EXPECT_EQ("MZ", file.substr(0, 2));
    const size_t pe = U32(file, 0x3C);
    ASSERT_LT(pe + 24 + 72, file.size());
    EXPECT_EQ(std::string("PE\0\0", 4), file.substr(pe, 4));
    const size_t optional = pe + 24;
    const uint16_t subsystem = U16(file, optional + 68);  // same offset in PE32 and PE32+
    EXPECT_EQ(IMAGE_SUBSYSTEM_WINDOWS_GUI, subsystem);
    if (kProductIs64) {
        EXPECT_EQ(IMAGE_FILE_MACHINE_AMD64, U16(file, pe + 4));
        EXPECT_EQ(0x20B, U16(file, optional));
    } else {
        EXPECT_EQ(IMAGE_FILE_MACHINE_I386, U16(file, pe + 4));  // the shipped build
        EXPECT_EQ(0x10B, U16(file, optional));                    // PE32
    }
}

}  // namespace
