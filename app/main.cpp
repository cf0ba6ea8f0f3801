// The program entry: the application object runs the one window.
#include <windows.h>

#include "platform/DllSearch.h"
#include "platform/Forms.h"
#include "ui/uFormMain.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    // Before anything else can load a DLL. Where the system cannot limit the
    // search, the program runs all the same: it imports only known DLLs.
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
