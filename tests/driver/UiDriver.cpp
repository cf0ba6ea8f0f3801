#include "tests/driver/UiDriver.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace uidriver {
namespace {

// How often the waits look at the windows again.
constexpr DWORD kPollMs = 30;
// How long a window may take to answer a message that reads it.
constexpr UINT kMessageTimeoutMs = 2000;

class ScreenDc {
public:
    ScreenDc() : dc_(GetDC(nullptr)) {}
    ~ScreenDc() { if (dc_) ReleaseDC(nullptr, dc_); }
    ScreenDc(const ScreenDc&) = delete;
    ScreenDc& operator=(const ScreenDc&) = delete;
    HDC Get() const noexcept { return dc_; }

private:
    HDC dc_;
};

class MemoryDc {
public:
    explicit MemoryDc(HDC like) : dc_(CreateCompatibleDC(like)) {}
    ~MemoryDc() { if (dc_) DeleteDC(dc_); }
    MemoryDc(const MemoryDc&) = delete;
    MemoryDc& operator=(const MemoryDc&) = delete;
    HDC Get() const noexcept { return dc_; }

private:
    HDC dc_;
};

class GdiBitmap {
public:
    explicit GdiBitmap(HBITMAP bitmap) : bitmap_(bitmap) {}
    ~GdiBitmap() { if (bitmap_) DeleteObject(bitmap_); }
    GdiBitmap(const GdiBitmap&) = delete;
    GdiBitmap& operator=(const GdiBitmap&) = delete;
    HBITMAP Get() const noexcept { return bitmap_; }

private:
    HBITMAP bitmap_;
};

class StdioFile {
public:
    StdioFile(const char* path, const char* mode) : file_(std::fopen(path, mode)) {}
    ~StdioFile() { if (file_) std::fclose(file_); }
    StdioFile(const StdioFile&) = delete;
    StdioFile& operator=(const StdioFile&) = delete;
    FILE* Get() const noexcept { return file_; }
    // Closes now, so that a failed flush is seen.
    bool Close() noexcept
    {
        const bool closed = file_ && std::fclose(file_) == 0;
        file_ = nullptr;
        return closed;
    }

private:
    FILE* file_;
};

struct FindRequest {
    DWORD ProcessId;
    const char* ClassName;
    std::vector<HWND>* Found;
};

BOOL CALLBACK CollectTopWindow(HWND window, LPARAM param) noexcept
{
    FindRequest& request = *reinterpret_cast<FindRequest*>(param);
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    if (processId != request.ProcessId || !IsWindowVisible(window))
        return TRUE;
    char className[256];
    if (GetClassNameA(window, className, sizeof className) > 0 && std::strcmp(className, request.ClassName) == 0) {
        try {
            request.Found->push_back(window);
        } catch (...) {
            return FALSE;  // out of memory: stop here rather than unwind through EnumWindows
        }
    }
    return TRUE;
}

// A message box has the text static and nothing but statics and buttons; the
// folder dialog, also a "#32770", has a tree.
bool IsMessageBox(HWND dialog)
{
    HWND text = GetDlgItem(dialog, kMessageBoxTextId);
    if (!text || ClassNameOf(text) != "Static")
        return false;
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        const std::string className = ClassNameOf(child);
        if (className != "Static" && className != "Button")
            return false;
    }
    return true;
}

bool ReadMessageBox(HWND dialog, MessageBoxInfo& box)
{
    MessageBoxInfo read;
    read.Caption = TextOf(dialog);
    read.Text = TextOf(GetDlgItem(dialog, kMessageBoxTextId));
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if (ClassNameOf(child) == "Button" && IsWindowVisible(child))
            read.Buttons.push_back(TextOf(child));
    }
    if (!IsWindow(dialog))
        return false;
    box = std::move(read);
    return true;
}

}  // namespace

std::vector<size_t> SeparatorPositions(const std::string& path)
{
    std::vector<size_t> positions;
    for (size_t i = 0; i < path.size(); ++i) {
        if (IsDBCSLeadByteEx(932, static_cast<BYTE>(path[i])) && i + 1 < path.size())
            ++i;
        else if (path[i] == '\\')
            positions.push_back(i);
    }
    return positions;
}

std::string ClassNameOf(HWND window)
{
    char name[256];
    const int length = window ? GetClassNameA(window, name, sizeof name) : 0;
    return std::string(name, length > 0 ? static_cast<size_t>(length) : 0);
}

std::string TextOf(HWND window)
{
    // WM_GETTEXT, not GetWindowText: for a window of another process that
    // gives only the caption kept by the system, never an edit's own text.
    DWORD_PTR length = 0;
    if (!window || !SendMessageTimeoutA(window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, kMessageTimeoutMs, &length))
        return std::string();
    std::string text(static_cast<size_t>(length) + 1, '\0');
    DWORD_PTR got = 0;
    if (!SendMessageTimeoutA(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(&text[0]), SMTO_ABORTIFHUNG,
                             kMessageTimeoutMs, &got))
        return std::string();
    text.resize(std::min(static_cast<size_t>(got), text.size() - 1));
    return text;
}

bool ReadWindow(HWND window, WindowInfo& info)
{
    if (!window || !IsWindow(window))
        return false;
    WindowInfo read;
    read.Handle = window;
    read.ClassName = ClassNameOf(window);
    read.Caption = TextOf(window);
    RECT client = {};
    if (!GetWindowRect(window, &read.Bounds) || !GetClientRect(window, &client))
        return false;
    read.ClientSize.cx = client.right - client.left;
    read.ClientSize.cy = client.bottom - client.top;
    read.Style = GetWindowLongPtrA(window, GWL_STYLE);
    read.ExStyle = GetWindowLongPtrA(window, GWL_EXSTYLE);
    read.Enabled = IsWindowEnabled(window) != FALSE;
    read.Visible = IsWindowVisible(window) != FALSE;
    for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        ControlInfo control;
        control.Handle = child;
        control.ClassName = ClassNameOf(child);
        control.Text = TextOf(child);
        control.Id = GetDlgCtrlID(child);
        if (!GetWindowRect(child, &control.Bounds))
            return false;
        MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&control.Bounds), 2);
        control.Style = GetWindowLongPtrA(child, GWL_STYLE);
        control.Enabled = IsWindowEnabled(child) != FALSE;
        control.Visible = IsWindowVisible(child) != FALSE;
        read.Controls.push_back(std::move(control));
    }
    info = std::move(read);
    return true;
}

std::vector<ControlInfo> ControlsOfClass(const WindowInfo& info, const char* className)
{
    std::vector<ControlInfo> found;
    for (const ControlInfo& control : info.Controls) {
        if (control.ClassName == className)
            found.push_back(control);
    }
    return found;
}

bool IsCentredOnScreen(const RECT& bounds)
{
    const int screenWidth = GetSystemMetrics(SM_CXSCREEN);
    const int screenHeight = GetSystemMetrics(SM_CYSCREEN);
    // Equal margins on both sides; an odd remainder may fall on either side.
    const int horizontal = bounds.left - (screenWidth - bounds.right);
    const int vertical = bounds.top - (screenHeight - bounds.bottom);
    return horizontal >= -1 && horizontal <= 1 && vertical >= -1 && vertical <= 1;
}

std::vector<HWND> FindTopWindows(DWORD processId, const char* className)
{
    std::vector<HWND> found;
    FindRequest request = {processId, className, &found};
    EnumWindows(CollectTopWindow, reinterpret_cast<LPARAM>(&request));
    return found;
}

bool PostClick(HWND button)
{
    return button && PostMessageA(button, BM_CLICK, 0, 0);
}

bool PostCommand(HWND button)
{
    HWND parent = button ? GetParent(button) : nullptr;
    if (!parent)
        return false;
    const WPARAM command = MAKEWPARAM(static_cast<WORD>(GetDlgCtrlID(button)), BN_CLICKED);
    return PostMessageA(parent, WM_COMMAND, command, reinterpret_cast<LPARAM>(button));
}

bool PostCloseBox(HWND window)
{
    return window && PostMessageA(window, WM_SYSCOMMAND, SC_CLOSE, 0);
}

bool SaveScreenshot(HWND window, const std::string& path)
{
    RECT bounds;
    if (!GetWindowRect(window, &bounds))
        return false;
    const int width = bounds.right - bounds.left;
    const int height = bounds.bottom - bounds.top;
    if (width <= 0 || height <= 0)
        return false;
    ScreenDc screen;
    if (!screen.Get())
        return false;
    MemoryDc memory(screen.Get());
    GdiBitmap bitmap(CreateCompatibleBitmap(screen.Get(), width, height));
    if (!memory.Get() || !bitmap.Get())
        return false;
    HGDIOBJ old = SelectObject(memory.Get(), bitmap.Get());
    const BOOL copied = BitBlt(memory.Get(), 0, 0, width, height, screen.Get(), bounds.left, bounds.top, SRCCOPY);
    SelectObject(memory.Get(), old);
    if (!copied)
        return false;

    BITMAPINFOHEADER header = {};
    header.biSize = sizeof header;
    header.biWidth = width;
    header.biHeight = height;
    header.biPlanes = 1;
    header.biBitCount = 24;
    header.biCompression = BI_RGB;
    const DWORD rowBytes = (static_cast<DWORD>(width) * 3 + 3) & ~3u;
    header.biSizeImage = rowBytes * static_cast<DWORD>(height);
    std::vector<unsigned char> pixels(header.biSizeImage);
    BITMAPINFO info = {};
    info.bmiHeader = header;
    if (GetDIBits(memory.Get(), bitmap.Get(), 0, static_cast<UINT>(height), pixels.data(), &info, DIB_RGB_COLORS) !=
        height)
        return false;

    BITMAPFILEHEADER file = {};
    file.bfType = 0x4D42;  // "BM"
    file.bfOffBits = sizeof file + sizeof header;
    file.bfSize = file.bfOffBits + header.biSizeImage;
    StdioFile out(path.c_str(), "wb");
    if (!out.Get())
        return false;
    const bool written = std::fwrite(&file, sizeof file, 1, out.Get()) == 1 &&
                         std::fwrite(&header, sizeof header, 1, out.Get()) == 1 &&
                         std::fwrite(pixels.data(), 1, pixels.size(), out.Get()) == pixels.size();
    return out.Close() && written;
}

Process::~Process()
{
    if (info_.hProcess && Running())
        Kill();
    Close();
}

void Process::Close() noexcept
{
    if (info_.hThread)
        CloseHandle(info_.hThread);
    if (info_.hProcess)
        CloseHandle(info_.hProcess);
    info_ = PROCESS_INFORMATION();
}

bool Process::Start(const std::string& exePath)
{
    if (info_.hProcess && Running())
        Kill();
    Close();
    boxes_.clear();
    answered_.clear();

    // The full path, so that the program runs in its own folder.
    char full[MAX_PATH];
    const DWORD length = GetFullPathNameA(exePath.c_str(), sizeof full, full, nullptr);
    if (length == 0 || length >= sizeof full)
        return false;
    const std::string path(full, length);
    const std::string folder = path.substr(0, path.find_last_of('\\') + 1);
    std::string commandLine = "\"" + path + "\"";
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started = {};
    if (!CreateProcessA(path.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, folder.c_str(),
                        &startup, &started))
        return false;
    info_ = started;
    return true;
}

bool Process::Running() const
{
    return info_.hProcess && WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT;
}

bool Process::AnswerMessageBoxes()
{
    // Forget the boxes that are gone, so that a reused handle counts as new.
    answered_.erase(std::remove_if(answered_.begin(), answered_.end(), [](HWND w) { return !IsWindow(w); }),
                    answered_.end());
    bool any = false;
    for (HWND dialog : FindTopWindows(info_.dwProcessId, kDialogClass)) {
        if (std::find(answered_.begin(), answered_.end(), dialog) != answered_.end() || !IsMessageBox(dialog))
            continue;
        MessageBoxInfo box;
        if (!ReadMessageBox(dialog, box))
            continue;
        HWND ok = GetDlgItem(dialog, IDOK);
        const WPARAM command = MAKEWPARAM(ok ? IDOK : IDCANCEL, BN_CLICKED);
        if (!PostMessageA(dialog, WM_COMMAND, command, reinterpret_cast<LPARAM>(ok)))
            continue;
        answered_.push_back(dialog);
        boxes_.push_back(std::move(box));
        any = true;
    }
    return any;
}

HWND Process::WaitForMainWindow(DWORD timeoutMs)
{
    if (!info_.hProcess)
        return nullptr;
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    for (;;) {
        AnswerMessageBoxes();
        const std::vector<HWND> windows = FindTopWindows(info_.dwProcessId, kMainWindowClass);
        if (!windows.empty())
            return windows.front();
        if (!Running() || GetTickCount64() >= deadline)
            return nullptr;
        Sleep(kPollMs);
    }
}

bool Process::WaitForMessageBox(DWORD timeoutMs, MessageBoxInfo& box)
{
    if (!info_.hProcess)
        return false;
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    const size_t seen = boxes_.size();
    for (;;) {
        AnswerMessageBoxes();
        if (boxes_.size() > seen) {
            box = boxes_[seen];
            return true;
        }
        if (!Running() || GetTickCount64() >= deadline)
            return false;
        Sleep(kPollMs);
    }
}

bool Process::WaitForExit(DWORD timeoutMs, DWORD& exitCode)
{
    if (!info_.hProcess)
        return false;
    const ULONGLONG deadline = GetTickCount64() + timeoutMs;
    for (;;) {
        AnswerMessageBoxes();
        if (WaitForSingleObject(info_.hProcess, kPollMs) == WAIT_OBJECT_0) {
            DWORD code = 0;
            if (!GetExitCodeProcess(info_.hProcess, &code))
                return false;
            exitCode = code;
            return true;
        }
        if (GetTickCount64() >= deadline)
            return false;
    }
}

void Process::Kill()
{
    if (!info_.hProcess)
        return;
    TerminateProcess(info_.hProcess, 1);
    WaitForSingleObject(info_.hProcess, 5000);
}

}  // namespace uidriver
