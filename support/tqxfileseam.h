// The one door through which TqxFile asks the shell for a special folder.
//
// TqxFile::GetSpecialFolderPath always calls SHGetSpecialFolderLocation
// through this pointer. A shell that cannot name a folder cannot be brought
// about on a working system, so tests put a stand-in here for the length of
// a case; nothing else changes it.
#pragma once

#include <windows.h>
#include <shlobj.h>

// Same contract as SHGetSpecialFolderLocation: S_OK and an ID list allocated
// by the shell allocator, or a failure code and a null list.
using SpecialFolderLocationFunc = HRESULT(WINAPI*)(HWND owner, int folder, PIDLIST_ABSOLUTE* idList);

// Installs func (null puts the shell's own function back) and returns the
// one installed before.
SpecialFolderLocationFunc SetSpecialFolderLocationFunc(SpecialFolderLocationFunc func) noexcept;
