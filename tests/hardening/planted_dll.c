/* Stands in for a DLL planted in a download folder. Whichever process loads
   it, it leaves a marker next to itself, "<its own path>.loaded", holding the
   path of that process's program. It exports nothing. */
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved)
{
    char marker[MAX_PATH + 8];
    char program[MAX_PATH];
    DWORD length;
    DWORD programLength;
    DWORD written = 0;
    HANDLE file;

    (void)reserved;
    if (reason != DLL_PROCESS_ATTACH)
        return TRUE;
    length = GetModuleFileNameA(instance, marker, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return TRUE;
    lstrcpyA(marker + length, ".loaded");
    programLength = GetModuleFileNameA(NULL, program, MAX_PATH);
    file = CreateFileA(marker, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file != INVALID_HANDLE_VALUE) {
        if (programLength > 0 && programLength < MAX_PATH)
            WriteFile(file, program, programLength, &written, NULL);
        CloseHandle(file);
    }
    return TRUE;
}
