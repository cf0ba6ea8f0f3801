// uidriver: runs the installer once and prints what it shows, one fact a line,
// for scripts and for people.
//
//   uidriver [--timeout MS] [--utf8] [--screenshot FILE] <installer.exe> [STEP...]
//
// Steps, done in order once the main window is shown (default: close):
//   close        the close box (WM_SYSCOMMAND SC_CLOSE)
//   click:N      button N (in tab order) pressed with BM_CLICK
//   command:N    button N's command sent to the window (WM_COMMAND)
//   wait:MS      answer message boxes for MS milliseconds
//   choose:DIR   click the link label, select DIR in the folder dialog, OK
//   shot:FILE    save what the window shows as a .bmp file
//   read         print the window's facts again
// Afterwards it waits for the installer to end and prints its exit code.
//
// Every message box is answered with OK and printed as msgbox[i]=<text>, with
// a line feed shown as \n. Texts are printed in the installer's code page
// (Shift_JIS), or in UTF-8 with --utf8.
// Exit code: 0 the installer ended, 1 bad arguments, 2 it did not start,
// 3 no main window, 4 it did not end in time (it is then terminated).
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "tests/driver/FolderDialogDriver.h"
#include "tests/driver/UiDriver.h"

using namespace uidriver;

namespace {

bool utf8Output = false;

std::string ToOutput(const std::string& text)
{
    if (!utf8Output || text.empty())
        return text;
    const int wideLength = MultiByteToWideChar(932, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    if (wideLength <= 0)
        return text;
    std::wstring wide(static_cast<size_t>(wideLength), L'\0');
    MultiByteToWideChar(932, 0, text.data(), static_cast<int>(text.size()), &wide[0], wideLength);
    const int length = WideCharToMultiByte(CP_UTF8, 0, wide.data(), wideLength, nullptr, 0, nullptr, nullptr);
    if (length <= 0)
        return text;
    std::string out(static_cast<size_t>(length), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), wideLength, &out[0], length, nullptr, nullptr);
    return out;
}

// One line per fact: control characters are escaped so that a text stays on its line.
std::string Escaped(const std::string& text)
{
    std::string out;
    for (char c : text) {
        switch (c) {
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default: out += c; break;
        }
    }
    return out;
}

void PrintFact(const std::string& key, const std::string& value)
{
    const std::string line = key + "=" + ToOutput(Escaped(value)) + "\n";
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fflush(stdout);
}

std::string Number(long long value)
{
    return std::to_string(value);
}

std::string Hex(unsigned long long value)
{
    char text[32];
    std::snprintf(text, sizeof text, "0x%08llX", value);
    return text;
}

void PrintNewMessageBoxes(const Process& process, size_t& printed)
{
    const std::vector<MessageBoxInfo>& boxes = process.MessageBoxes();
    for (; printed < boxes.size(); ++printed) {
        const std::string key = "msgbox[" + Number(static_cast<long long>(printed)) + "]";
        PrintFact(key, boxes[printed].Text);
        PrintFact(key + ".caption", boxes[printed].Caption);
        std::string buttons;
        for (const std::string& button : boxes[printed].Buttons)
            buttons += (buttons.empty() ? "" : ",") + button;
        PrintFact(key + ".buttons", buttons);
    }
}

void PrintWindow(const WindowInfo& info)
{
    const int width = info.Bounds.right - info.Bounds.left;
    const int height = info.Bounds.bottom - info.Bounds.top;
    PrintFact("window", info.ClassName);
    PrintFact("caption", info.Caption);
    PrintFact("position", Number(info.Bounds.left) + "," + Number(info.Bounds.top));
    PrintFact("size", Number(width) + "x" + Number(height));
    PrintFact("client", Number(info.ClientSize.cx) + "x" + Number(info.ClientSize.cy));
    PrintFact("screen", Number(GetSystemMetrics(SM_CXSCREEN)) + "x" + Number(GetSystemMetrics(SM_CYSCREEN)));
    PrintFact("centred", IsCentredOnScreen(info.Bounds) ? "1" : "0");
    PrintFact("style", Hex(static_cast<unsigned long long>(info.Style)));
    PrintFact("exstyle", Hex(static_cast<unsigned long long>(info.ExStyle)));
    PrintFact("minimizebox", (info.Style & WS_MINIMIZEBOX) ? "1" : "0");
    PrintFact("maximizebox", (info.Style & WS_MAXIMIZEBOX) ? "1" : "0");
    PrintFact("sizeframe", (info.Style & WS_THICKFRAME) ? "1" : "0");
    PrintFact("enabled", info.Enabled ? "1" : "0");
    int buttons = 0;
    int edits = 0;
    for (size_t i = 0; i < info.Controls.size(); ++i) {
        const ControlInfo& control = info.Controls[i];
        const RECT& r = control.Bounds;
        const std::string state = " enabled=" + std::string(control.Enabled ? "1" : "0") +
                                  " visible=" + std::string(control.Visible ? "1" : "0");
        PrintFact("control[" + Number(static_cast<long long>(i)) + "]",
                  control.ClassName + " " + Number(r.left) + "," + Number(r.top) + " " +
                      Number(r.right - r.left) + "x" + Number(r.bottom - r.top) + state +
                      " tabstop=" + ((control.Style & WS_TABSTOP) ? "1" : "0") + " text=" + control.Text);
        if (control.ClassName == "Button")
            PrintFact("button[" + Number(buttons++) + "]", control.Text + state);
        else if (control.ClassName == "Edit")
            PrintFact("edit[" + Number(edits++) + "]",
                      control.Text + state + " readonly=" + ((control.Style & ES_READONLY) ? "1" : "0"));
    }
}

int Usage()
{
    std::fputs("usage: uidriver [--timeout MS] [--utf8] [--screenshot FILE] <installer.exe>"
               " [close|click:N|command:N|wait:MS|choose:DIR|shot:FILE|read]...\n",
               stderr);
    return 1;
}

bool ParseNumber(const std::string& text, unsigned long& value)
{
    if (text.empty())
        return false;
    char* end = nullptr;
    const unsigned long parsed = std::strtoul(text.c_str(), &end, 10);
    if (*end != '\0')
        return false;
    value = parsed;
    return true;
}

// The button at a position in tab order (the buttons' Z order).
HWND ButtonAt(HWND window, unsigned long index)
{
    WindowInfo info;
    if (!ReadWindow(window, info))
        return nullptr;
    const std::vector<ControlInfo> buttons = ControlsOfClass(info, "Button");
    return index < buttons.size() ? buttons[index].Handle : nullptr;
}

}  // namespace

int main(int argc, char** argv)
{
    unsigned long timeoutMs = 5000;
    std::string screenshot;
    std::string installer;
    std::vector<std::string> steps;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--timeout" && i + 1 < argc) {
            if (!ParseNumber(argv[++i], timeoutMs))
                return Usage();
        } else if (arg == "--utf8") {
            utf8Output = true;
        } else if (arg == "--screenshot" && i + 1 < argc) {
            screenshot = argv[++i];
        } else if (installer.empty() && arg.compare(0, 2, "--") != 0) {
            installer = arg;
        } else if (!installer.empty()) {
            steps.push_back(arg);
        } else {
            return Usage();
        }
    }
    if (installer.empty())
        return Usage();
    if (steps.empty())
        steps.push_back("close");

    Process process;
    if (!process.Start(installer)) {
        PrintFact("error", "cannot start " + installer + " (error " + Number(GetLastError()) + ")");
        return 2;
    }
    PrintFact("pid", Number(process.Id()));
    size_t printed = 0;
    HWND window = process.WaitForMainWindow(timeoutMs);
    PrintNewMessageBoxes(process, printed);
    WindowInfo info;
    if (!window || !ReadWindow(window, info)) {
        PrintFact("window", "none");
        DWORD exitCode = 0;
        if (process.WaitForExit(timeoutMs, exitCode)) {
            PrintNewMessageBoxes(process, printed);
            PrintFact("exit", Number(exitCode));
        }
        return 3;
    }
    PrintWindow(info);
    if (!screenshot.empty())
        PrintFact("screenshot", SaveScreenshot(window, screenshot) ? screenshot : "failed");

    for (const std::string& step : steps) {
        PrintFact("step", step);
        unsigned long value = 0;
        bool done = false;
        if (step == "close") {
            done = PostCloseBox(window);
        } else if (step == "read") {
            done = ReadWindow(window, info);
            if (done)
                PrintWindow(info);
        } else if (step.compare(0, 6, "click:") == 0 && ParseNumber(step.substr(6), value)) {
            done = PostClick(ButtonAt(window, value));
        } else if (step.compare(0, 8, "command:") == 0 && ParseNumber(step.substr(8), value)) {
            done = PostCommand(ButtonAt(window, value));
        } else if (step.compare(0, 5, "wait:") == 0 && ParseNumber(step.substr(5), value)) {
            MessageBoxInfo box;
            const ULONGLONG deadline = GetTickCount64() + value;
            while (GetTickCount64() < deadline && process.Running())
                process.WaitForMessageBox(static_cast<DWORD>(deadline - GetTickCount64()), box);
            done = true;
        } else if (step.compare(0, 7, "choose:") == 0 && step.size() > 7) {
            std::string error;
            done = ChooseFolder(window, process.Id(), step.substr(7), true, timeoutMs, error);
            if (!done)
                PrintFact("error", error);
        } else if (step.compare(0, 5, "shot:") == 0 && step.size() > 5) {
            done = SaveScreenshot(window, step.substr(5));
        } else {
            return Usage();
        }
        if (!done)
            PrintFact("error", "step failed: " + step);
        PrintNewMessageBoxes(process, printed);
        if (!process.Running())
            break;
    }

    DWORD exitCode = 0;
    const bool ended = process.WaitForExit(timeoutMs, exitCode);
    PrintNewMessageBoxes(process, printed);
    if (!ended) {
        PrintFact("exit", "timeout");
        process.Kill();
        return 4;
    }
    PrintFact("exit", Number(exitCode));
    return 0;
}
