// mkshortcut: makes or removes a shortcut (.lnk) in the Programs menu of the
// current user, as a game's own installer would, so that scripts can show the
// installer finding a game.
//
//   mkshortcut <name.lnk below Programs> <target file>
//   mkshortcut --remove <name.lnk below Programs>
//
// Names are in the ANSI code page. Folders missing on the way are made; on
// removal the folders left empty are removed too. Exit code 0 on success.
#include <windows.h>
#include <shlobj.h>

#include <cstdio>
#include <string>

namespace {

std::string ProgramsFolder()
{
    char path[MAX_PATH] = "";
    if (FAILED(SHGetFolderPathA(nullptr, CSIDL_PROGRAMS, nullptr, SHGFP_TYPE_CURRENT, path)))
        return std::string();
    return path;
}

// Positions of the path delimiters, judged on whole characters.
std::string::size_type NextDelimiter(const std::string& path, std::string::size_type from)
{
    for (std::string::size_type i = from; i < path.size(); ++i) {
        if (IsDBCSLeadByte(static_cast<BYTE>(path[i])) && i + 1 < path.size())
            ++i;
        else if (path[i] == '\\')
            return i;
    }
    return std::string::npos;
}

bool Create(const std::string& link, const std::string& target)
{
    for (auto end = NextDelimiter(link, 3); end != std::string::npos; end = NextDelimiter(link, end + 1))
        CreateDirectoryA(link.substr(0, end).c_str(), nullptr);

    IShellLinkA* shellLink = nullptr;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                reinterpret_cast<void**>(&shellLink))))
        return false;
    bool saved = false;
    IPersistFile* file = nullptr;
    WCHAR wide[MAX_PATH];
    if (SUCCEEDED(shellLink->SetPath(target.c_str())) &&
        SUCCEEDED(shellLink->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
        saved = MultiByteToWideChar(CP_ACP, 0, link.c_str(), -1, wide, MAX_PATH) > 0 &&
                SUCCEEDED(file->Save(wide, TRUE));
        file->Release();
    }
    shellLink->Release();
    return saved;
}

bool Remove(const std::string& programs, const std::string& link)
{
    if (!DeleteFileA(link.c_str()) && GetLastError() != ERROR_FILE_NOT_FOUND)
        return false;
    // The folders below Programs, innermost first, while they are empty.
    std::string folder = link;
    for (;;) {
        std::string::size_type last = std::string::npos;
        for (auto at = NextDelimiter(folder, 0); at != std::string::npos; at = NextDelimiter(folder, at + 1))
            last = at;
        if (last == std::string::npos || last <= programs.size())
            break;
        folder.resize(last);
        if (!RemoveDirectoryA(folder.c_str()))
            break;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv)
{
    const bool remove = argc == 3 && std::string(argv[1]) == "--remove";
    if (!remove && argc != 3) {
        std::fputs("usage: mkshortcut <name.lnk below Programs> <target> | --remove <name.lnk below Programs>\n",
                   stderr);
        return 2;
    }
    const std::string programs = ProgramsFolder();
    if (programs.empty()) {
        std::fputs("mkshortcut: the Programs folder is unknown\n", stderr);
        return 1;
    }
    const std::string link = programs + "\\" + argv[remove ? 2 : 1];
    if (remove)
        return Remove(programs, link) ? 0 : 1;

    const bool com = SUCCEEDED(CoInitialize(nullptr));
    const bool made = Create(link, argv[2]);
    if (com)
        CoUninitialize();
    if (!made)
        std::fprintf(stderr, "mkshortcut: cannot save %s\n", link.c_str());
    return made ? 0 : 1;
}
