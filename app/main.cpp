// The program entry: the application object runs the one window.
#include <windows.h>

#include "platform/Forms.h"
#include "ui/uFormMain.h"

namespace {

// The installer runs elevated from wherever it was downloaded: DLLs that lie
// beside it must never be loaded. Where the system offers it, every later
// DLL load searches only the system folder.
void RestrictDllSearchToSystemFolder()
{
    using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    FARPROC proc = kernel ? GetProcAddress(kernel, "SetDefaultDllDirectories") : nullptr;
    if (proc)
        reinterpret_cast<SetDefaultDllDirectoriesFn>(reinterpret_cast<void*>(proc))(LOAD_LIBRARY_SEARCH_SYSTEM32);
    SetDllDirectoryA("");
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    RestrictDllSearchToSystemFolder();
    try {
        Application->Initialize();
        Application->SetTitle("mivaroPatch");
        Application->CreateForm(FormMain);
        Application->Run();
    } catch (const Exception& exception) {
        Application->ShowException(exception);
    }
    return 0;
}
