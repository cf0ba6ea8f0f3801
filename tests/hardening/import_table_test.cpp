// The installer runs elevated from a download folder: it may import only DLLs
// that Windows always loads from its system folder (known DLLs), so a DLL
// planted beside it is never taken. Read from the PE files themselves.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

std::vector<std::string> g_executables;

std::string Lower(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
    return text;
}

template <typename T>
bool ReadAt(const std::string& file, size_t offset, T& value)
{
    if (offset > file.size() || sizeof(T) > file.size() - offset)
        return false;
    std::memcpy(&value, file.data() + offset, sizeof(T));
    return true;
}

// File offset of a relative virtual address, through the section table.
bool RvaToOffset(const std::string& file, size_t sections, WORD count, DWORD rva, size_t& offset)
{
    for (WORD i = 0; i < count; ++i) {
        IMAGE_SECTION_HEADER section;
        if (!ReadAt(file, sections + i * sizeof section, section))
            return false;
        const DWORD size = std::max(section.Misc.VirtualSize, section.SizeOfRawData);
        if (rva >= section.VirtualAddress && rva < section.VirtualAddress + size) {
            offset = rva - section.VirtualAddress + section.PointerToRawData;
            return true;
        }
    }
    return false;
}

// Names of the DLLs in the import directory, lower case; false when the
// file is not a PE image this reader understands.
bool ImportedDlls(const std::string& file, std::vector<std::string>& dlls)
{
    IMAGE_DOS_HEADER dos;
    DWORD signature = 0;
    IMAGE_FILE_HEADER header;
    if (!ReadAt(file, 0, dos) || dos.e_magic != IMAGE_DOS_SIGNATURE || !ReadAt(file, dos.e_lfanew, signature) ||
        signature != IMAGE_NT_SIGNATURE || !ReadAt(file, dos.e_lfanew + 4, header))
        return false;
    const size_t optional = dos.e_lfanew + 4 + sizeof header;
    WORD magic = 0;
    if (!ReadAt(file, optional, magic))
        return false;
    IMAGE_DATA_DIRECTORY imports;
    if (magic == IMAGE_NT_OPTIONAL_HDR32_MAGIC) {
        IMAGE_OPTIONAL_HEADER32 h;
        if (!ReadAt(file, optional, h))
            return false;
        imports = h.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    } else if (magic == IMAGE_NT_OPTIONAL_HDR64_MAGIC) {
        IMAGE_OPTIONAL_HEADER64 h;
        if (!ReadAt(file, optional, h))
            return false;
        imports = h.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    } else {
        return false;
    }
    const size_t sections = optional + header.SizeOfOptionalHeader;
    size_t offset = 0;
    if (!RvaToOffset(file, sections, header.NumberOfSections, imports.VirtualAddress, offset))
        return false;
    for (;; offset += sizeof(IMAGE_IMPORT_DESCRIPTOR)) {
        IMAGE_IMPORT_DESCRIPTOR descriptor;
        if (!ReadAt(file, offset, descriptor))
            return false;
        if (descriptor.Name == 0)
            return true;
        size_t name = 0;
        if (!RvaToOffset(file, sections, header.NumberOfSections, descriptor.Name, name) || name >= file.size())
            return false;
        dlls.push_back(Lower(std::string(file.c_str() + name)));
    }
}

TEST(Hardening, ImportsOnlyDllsWindowsTakesFromTheSystemFolder)
{
    // Known DLLs: mapped from the system folder whatever lies beside the program.
    const std::vector<std::string> known = {"advapi32.dll", "gdi32.dll", "kernel32.dll", "msvcrt.dll",
                                            "ole32.dll",    "shell32.dll", "user32.dll"};
    ASSERT_FALSE(g_executables.empty());
    for (const std::string& path : g_executables) {
        SCOPED_TRACE(path);
        std::ifstream in(path, std::ios::binary);
        ASSERT_TRUE(in.good());
        const std::string file((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        std::vector<std::string> dlls;
        ASSERT_TRUE(ImportedDlls(file, dlls));
        EXPECT_NE(std::find(dlls.begin(), dlls.end(), "kernel32.dll"), dlls.end());
        for (const std::string& dll : dlls)
            EXPECT_NE(std::find(known.begin(), known.end(), dll), known.end()) << dll << " is not a known DLL";
    }
}

}  // namespace

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    for (int i = 1; i < argc; ++i) {
        if (argv[i][0] != '\0')
            g_executables.push_back(argv[i]);
    }
    return RUN_ALL_TESTS();
}
