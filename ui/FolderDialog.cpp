// The shell's folder dialog and the path-to-ID-list conversion it needs.
#include "ui/FolderDialog.h"

#include "platform/ComOwners.h"

AnsiString BrowseForFolder(HWND owner, const char* root, const AnsiString& title, const AnsiString& initialPath)
{
    AnsiString result;

    // The shell wants an apartment-threaded COM on the thread that shows the
    // dialog. Declared first, so that every ID list below is freed before
    // the initialisation is undone.
    const TComInitialization com;

    TShellIdList rootList;
    if (root)
        rootList.Reset(PathToIDList(root));

    BROWSEINFOA info;
    ZeroMemory(&info, sizeof info);
    info.hwndOwner = owner;
    info.pidlRoot = rootList.Get();  // null: the tree starts at the desktop
    info.pszDisplayName = nullptr;
    info.lpszTitle = title.c_str();
    info.ulFlags = BIF_RETURNONLYFSDIRS;
    info.lpfn = BrowseCallback;
    // c_str() stays valid for the dialog's life: initialPath is not changed meanwhile.
    info.lParam = reinterpret_cast<LPARAM>(initialPath.c_str());

    TShellIdList chosen;
    chosen.Reset(SHBrowseForFolderA(&info));

    char path[MAX_PATH];
    if (chosen && SHGetPathFromIDListA(chosen.Get(), path))
        result = AnsiString(path);
    return result;
}

int CALLBACK BrowseCallback(HWND dialog, UINT message, LPARAM, LPARAM data) noexcept
{
    if (message != BFFM_INITIALIZED)
        return 0;

    TShellIdList initial;
    initial.Reset(PathToIDList(reinterpret_cast<const char*>(data)));
    if (!initial)
        return 0;
    // FALSE: the second parameter is an ID list, not a path text.
    SendMessageA(dialog, BFFM_SETSELECTIONA, FALSE, reinterpret_cast<LPARAM>(initial.Get()));
    return 0;
}

LPITEMIDLIST PathToIDList(const char* path) noexcept
{
    TComPtr<IShellFolder> desktop;
    if (FAILED(SHGetDesktopFolder(desktop.Put())))
        return nullptr;

    // A path longer than the buffer is refused whole, never parsed cut short.
    WCHAR wide[MAX_PATH];
    if (!CodePagePathToWide(path, CP_ACP, MB_PRECOMPOSED, wide))
        return nullptr;

    TShellIdList idList;
    if (FAILED(desktop->ParseDisplayName(nullptr, nullptr, wide, nullptr, idList.Put(), nullptr)))
        return nullptr;
    return idList.Detach();
}
