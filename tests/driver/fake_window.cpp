// A stand-in for the installer that the driver's own check runs: a message
// box before its main window (class TFormMain) appears, a read-only edit whose
// text ends in a double-byte character with a 0x5C second byte, a button that
// closes it, and an exit code of its own.
#include <windows.h>

namespace {

LRESULT CALLBACK FakeProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_COMMAND:
        if (LOWORD(wParam) == 2 && HIWORD(wParam) == BN_CLICKED)
            DestroyWindow(window);
        return 0;
    case WM_DESTROY:
        PostQuitMessage(7);
        return 0;
    default:
        return DefWindowProcA(window, message, wParam, lParam);
    }
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = FakeProc;
    windowClass.hInstance = instance;
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = "TFormMain";
    if (!RegisterClassA(&windowClass))
        return 1;
    HWND window = CreateWindowExA(0, "TFormMain", "偽の窓", WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU, 10, 10, 320, 120,
                                  nullptr, nullptr, instance, nullptr);
    if (!window)
        return 1;
    CreateWindowExA(0, "Button", "閉じる(&C)", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, 200, 40, 100, 25,
                    window, reinterpret_cast<HMENU>(2), instance, nullptr);
    HWND edit = CreateWindowExA(WS_EX_CLIENTEDGE, "Edit", "", WS_CHILD | WS_VISIBLE | ES_READONLY, 8, 8, 280, 20,
                                window, reinterpret_cast<HMENU>(3), instance, nullptr);
    SetWindowTextA(edit, "C:\\ソフト\\");
    MessageBoxA(nullptr, "一行目\n二行目", "mivaroPatch", MB_OK);
    ShowWindow(window, SW_SHOWNORMAL);
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return static_cast<int>(message.wParam);
}
