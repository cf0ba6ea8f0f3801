// The shell's folder dialog: choosing a folder, preselecting the one the
// user starts from, and turning a path into a shell item ID list. These
// functions use nothing of the main window but its handle as the owner.
#pragma once

#include <windows.h>
#include <shlobj.h>

#include "platform/AnsiString.h"

// Shows the folder dialog, modal to owner, and returns the file-system path
// of the folder the user confirms (no trailing backslash except a drive's
// root), or an empty text when the user cancels or the chosen item is no
// file-system folder. root, when not null, is the folder the tree starts
// at (the desktop otherwise, and when root does not parse); title is the
// instruction text above the tree; initialPath is the folder shown selected
// when the dialog opens. COM is initialised on the calling thread for the
// length of the dialog.
AnsiString BrowseForFolder(HWND owner, const char* root, const AnsiString& title, const AnsiString& initialPath);

// The dialog's callback: when the dialog opens (BFFM_INITIALIZED) it selects
// the folder whose NUL-terminated code-page path is the user data. Always 0.
int CALLBACK BrowseCallback(HWND dialog, UINT message, LPARAM lParam, LPARAM data) noexcept;

// The item ID list of a NUL-terminated code-page path, parsed by the desktop
// folder, or null when the path does not parse, is null, or needs more than
// MAX_PATH UTF-16 units. The caller frees the list with the shell allocator.
LPITEMIDLIST PathToIDList(const char* path) noexcept;
