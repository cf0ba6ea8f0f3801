// Drives the installer from outside, as a user would: starts it, answers its
// message boxes, reads its main window and controls, clicks, closes, and
// takes the exit code. Every wait is bounded. Texts are the window's own
// code-page bytes (Shift_JIS), read through the "A" interfaces.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace uidriver {

// The class names the installer's windows are found by.
constexpr const char* kMainWindowClass = "TFormMain";
constexpr const char* kDialogClass = "#32770";
// The static control that holds a message box's text.
constexpr int kMessageBoxTextId = 0xFFFF;

// A message box as it was shown, before it was answered.
struct MessageBoxInfo {
    std::string Caption;
    std::string Text;
    std::vector<std::string> Buttons;  // captions of the visible buttons, in Z order
};

// One child control of a window.
struct ControlInfo {
    HWND Handle = nullptr;
    std::string ClassName;
    std::string Text;
    int Id = 0;
    RECT Bounds = {};  // in the parent's client coordinates
    LONG_PTR Style = 0;
    bool Enabled = false;
    bool Visible = false;
};

// What a top-level window shows.
struct WindowInfo {
    HWND Handle = nullptr;
    std::string ClassName;
    std::string Caption;
    RECT Bounds = {};        // screen coordinates
    SIZE ClientSize = {};
    LONG_PTR Style = 0;
    LONG_PTR ExStyle = 0;
    bool Enabled = false;
    bool Visible = false;
    std::vector<ControlInfo> Controls;  // direct children, in Z order
};

// Positions of the delimiters (0x5C) in a Shift_JIS path; the second byte of
// a double-byte character, which may be 0x5C as in "ソ", is not one.
std::vector<size_t> SeparatorPositions(const std::string& path);

std::string ClassNameOf(HWND window);
std::string TextOf(HWND window);
// Reads a window and its direct children. Fails only for a handle that is no window.
bool ReadWindow(HWND window, WindowInfo& info);
// The controls of one class, in Z order.
std::vector<ControlInfo> ControlsOfClass(const WindowInfo& info, const char* className);
// True when the window's rectangle lies centred on the primary screen, to the pixel.
bool IsCentredOnScreen(const RECT& bounds);

// Visible top-level windows of one process and one class, in Z order.
std::vector<HWND> FindTopWindows(DWORD processId, const char* className);

// Presses a button as a click would: BM_CLICK, posted.
bool PostClick(HWND button);
// Sends the button's command to its parent, as the dialog keys would.
bool PostCommand(HWND button);
// Asks the window to close through its close box.
bool PostCloseBox(HWND window);

// Saves what the window shows on the screen as a 24-bit .bmp file.
bool SaveScreenshot(HWND window, const std::string& path);

// One started installer. Owns the process and thread handles; a process still
// running when its owner goes is terminated.
class Process {
public:
    Process() = default;
    ~Process();
    Process(const Process&) = delete;
    Process& operator=(const Process&) = delete;

    // Starts the program in its own folder. False when it could not be started.
    bool Start(const std::string& exePath);
    DWORD Id() const noexcept { return info_.dwProcessId; }
    bool Running() const;

    // Waits for a visible main window (class kMainWindowClass), answering each
    // message box with OK on the way. Null after the timeout or when the
    // process ended first.
    HWND WaitForMainWindow(DWORD timeoutMs);
    // Waits for the next message box, reads and answers it. False after the
    // timeout or when the process ended.
    bool WaitForMessageBox(DWORD timeoutMs, MessageBoxInfo& box);
    // Answers message boxes until the process ends; then its exit code.
    bool WaitForExit(DWORD timeoutMs, DWORD& exitCode);
    // Ends the process at once (exit code 1) and waits for it.
    void Kill();

    // Every message box answered so far, in the order shown.
    const std::vector<MessageBoxInfo>& MessageBoxes() const noexcept { return boxes_; }

private:
    // Answers the message boxes that are shown now; true if there was one.
    bool AnswerMessageBoxes();
    void Close() noexcept;

    PROCESS_INFORMATION info_ = {};
    std::vector<MessageBoxInfo> boxes_;
    std::vector<HWND> answered_;
};

}  // namespace uidriver
