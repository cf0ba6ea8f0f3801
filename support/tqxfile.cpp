#include "support/tqxfile.h"

#include <shlobj.h>

#include <cstring>
#include <memory>

#include "platform/ComOwners.h"
#include "platform/SysUtils.h"
#include "support/tqxfileseam.h"
#include "support/tqxregistry.h"

namespace {

// Null: the shell's own SHGetSpecialFolderLocation.
SpecialFolderLocationFunc specialFolderLocation = nullptr;

HRESULT LocateSpecialFolder(HWND owner, int folder, PIDLIST_ABSOLUTE* idList)
{
    if (specialFolderLocation)
        return specialFolderLocation(owner, folder, idList);
    return SHGetSpecialFolderLocation(owner, folder, idList);
}

// Where the registry keeps the folders when the shell cannot name them. Both
// are values of the current user; the second may hold %VAR% references.
const char currentUserProgramsFallback[] =
    "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders\\Programs";
const char allUsersProgramsFallback[] =
    "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders\\Programs";

// Bits of FindProgramsShortcut's diagnostic mask.
const DWORD currentUserShellFailed = 0x1;
const DWORD currentUserRegistryFailed = 0x2;
const DWORD allUsersShellFailed = 0x4;
const DWORD allUsersRegistryFailed = 0x8;
const DWORD currentUserNotFound = 0x100;
const DWORD allUsersNotFound = 0x200;

}  // namespace

SpecialFolderLocationFunc SetSpecialFolderLocationFunc(SpecialFolderLocationFunc func) noexcept
{
    SpecialFolderLocationFunc previous = specialFolderLocation;
    specialFolderLocation = func;
    return previous;
}

bool TqxFile::ExpandEnvironment(AnsiString& text)
{
    // 260 bytes first; when the expansion needs more, a buffer of the size
    // asked for and its NUL. Some systems count the size in characters, not
    // bytes, and then cut a double-byte expansion without its NUL: such a
    // buffer is never read, the call is repeated with room to spare.
    const DWORD largest = 1u << 20;
    DWORD size = 260;
    for (;;) {
        std::unique_ptr<char[]> buffer(new char[size]);
        const DWORD needed = ExpandEnvironmentStringsA(text.c_str(), buffer.get(), size);
        if (needed == 0)
            return false;
        if (needed <= size) {
            const size_t length = strnlen(buffer.get(), size);
            if (length < size) {
                text = AnsiString(buffer.get(), static_cast<int>(length));
                return true;
            }
            if (size >= largest)
                return false;
            size *= 2;
        } else {
            if (needed >= largest)
                return false;
            size = needed + 1;
        }
    }
}

bool TqxFile::GetSpecialFolderPath(int folder, AnsiString& path)
{
    char buffer[MAX_PATH] = {};
    TComPtr<IMalloc> allocator;
    if (SHGetMalloc(allocator.Put()) != S_OK)
        return false;
    TShellIdList idList(allocator.Get());
    if (LocateSpecialFolder(GetDesktopWindow(), folder, idList.Put()) != S_OK)
        return false;
    if (!SHGetPathFromIDListA(idList.Get(), buffer))
        return false;
    path = AnsiString(buffer, static_cast<int>(strnlen(buffer, sizeof buffer)));
    return true;
}

bool TqxFile::FindProgramsShortcut(AnsiString entry, AnsiString& fullPath, DWORD& mask)
{
    struct Search {
        int folder;
        const char* fallback;
        DWORD shellFailed;
        DWORD registryFailed;
        DWORD notFound;
    };
    static const Search searches[] = {
        {CSIDL_PROGRAMS, currentUserProgramsFallback, currentUserShellFailed, currentUserRegistryFailed,
         currentUserNotFound},
        {CSIDL_COMMON_PROGRAMS, allUsersProgramsFallback, allUsersShellFailed, allUsersRegistryFailed,
         allUsersNotFound},
    };

    mask = 0;
    AnsiString folder;
    bool found = false;
    for (const Search& search : searches) {
        found = GetSpecialFolderPath(search.folder, folder);
        if (!found) {
            mask |= search.shellFailed;
            TqxRegistry registry;
            found = registry.ReadStringByPath(search.fallback, folder);
            if (!found)
                mask |= search.registryFailed;
            ExpandEnvironment(folder);
        }
        if (found) {
            // Checked index: an empty entry raises ERangeError here.
            if (entry[1] != '\\') {
                folder = IncludeTrailingBackslash(folder) + entry;
                found = FileExists(folder);
                if (!found)
                    mask |= search.notFound;
            }
        }
        if (found)
            break;
    }

    if (!found)
        return false;
    fullPath = folder;
    return true;
}

BOOL TqxFile::LoadPersistFile(IUnknown* object, LPCWSTR fileName, DWORD mode)
{
    if (!object)
        return 0;
    TComPtr<IPersistFile> persistFile;
    if (object->QueryInterface(IID_IPersistFile, persistFile.PutVoid()) != S_OK)
        return 0;
    const HRESULT loaded = persistFile->Load(fileName, mode);
    persistFile.Reset();
    return loaded == S_OK ? 1 : 0;
}

BOOL TqxFile::ResolveShortcut(LPCSTR shortcutPath, LPSTR target, WIN32_FIND_DATAA* findData)
{
    if (!target)
        return 0;
    // Declared first: uninitialises after every other owner has released.
    TComInitialization com;
    TComPtr<IShellLinkA> link;
    if (CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA, link.PutVoid()) != S_OK)
        return 0;
    // A path that does not fit is refused rather than loaded cut short.
    WCHAR widePath[MAX_PATH];
    if (!CodePagePathToWide(shortcutPath, CP_ACP, 0, widePath))
        return 0;
    if (!LoadPersistFile(link.Get(), widePath, STGM_READ))
        return 0;
    // GetPath leaves the buffer alone on some failures; the caller always
    // reads a terminated text. The stored path is taken as it is: no Resolve.
    target[0] = '\0';
    link->GetPath(target, MAX_PATH, findData, SLGP_UNCPRIORITY);
    return 1;
}
