// The program entry: the application object runs the one window.
#include <windows.h>

#include "platform/Forms.h"
#include "ui/uFormMain.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
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
