#include "platform/DllSearch.h"

#include <windows.h>

bool RestrictDllSearchToSystemFolder() noexcept
{
    // Looked up by name: older systems lack it and would refuse to start a
    // program that imports it.
    using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    FARPROC proc = kernel ? GetProcAddress(kernel, "SetDefaultDllDirectories") : nullptr;
    const bool restricted =
        proc && reinterpret_cast<SetDefaultDllDirectoriesFn>(reinterpret_cast<void*>(proc))(
                    LOAD_LIBRARY_SEARCH_SYSTEM32) != FALSE;
    SetDllDirectoryA("");
    return restricted;
}
