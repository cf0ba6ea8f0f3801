// Shell folders, environment references and shortcut files.
#pragma once

#include <windows.h>
#include <unknwn.h>

#include "platform/AnsiString.h"

class TqxFile {
public:
    // Replaces text by its expansion of %VAR% references.
    bool ExpandEnvironment(AnsiString& text);
    // Path of a shell special folder (CSIDL); written only on success.
    bool GetSpecialFolderPath(int folder, AnsiString& path);
    // Full path of an existing shortcut file named relative to the Programs
    // menu, current user first, then all users. mask records failed steps.
    bool FindProgramsShortcut(AnsiString entry, AnsiString& fullPath, DWORD& mask);

    // 1 when the object loads the file through IPersistFile, else 0.
    BOOL LoadPersistFile(IUnknown* object, LPCWSTR fileName, DWORD mode);
    // 1 when the shortcut was loaded and its target asked for; target
    // (MAX_PATH bytes) then holds a NUL-terminated path, possibly empty.
    BOOL ResolveShortcut(LPCSTR shortcutPath, LPSTR target, WIN32_FIND_DATAA* findData);
};
