// Helpers of the forms tests: texts read, message boxes answered and
// recorded, and .bmp files built byte by byte.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/AnsiString.h"

// An AnsiString's bytes as a std::string, for comparisons in tests.
inline std::string Text(const AnsiString& text)
{
    return std::string(text.c_str(), static_cast<size_t>(text.Length()));
}

// A window's text, read through the "A" interface.
inline std::string WindowText(HWND window)
{
    char text[256] = "";
    GetWindowTextA(window, text, sizeof text);
    return text;
}

// While it lives, every message box this thread opens is recorded and
// answered with OK. A CBT hook sees each box activated; the box is read and
// answered a moment later, from a helper window whose posted message the
// box's own modal loop dispatches once the box is fully made.
class TMessageBoxCatcher {
public:
    struct TBox {
        std::string Caption;
        std::string Text;
        bool HasCancel;
    };

    TMessageBoxCatcher()
    {
        current_ = this;
        WNDCLASSA helperClass = {};
        helperClass.lpfnWndProc = &TMessageBoxCatcher::HelperProc;
        helperClass.hInstance = GetModuleHandleA(nullptr);
        helperClass.lpszClassName = "MessageBoxCatcher";
        RegisterClassA(&helperClass);  // fails harmlessly once registered
        helper_ = CreateWindowExA(0, "MessageBoxCatcher", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                  GetModuleHandleA(nullptr), nullptr);
        hook_ = SetWindowsHookExA(WH_CBT, &TMessageBoxCatcher::Hook, nullptr, GetCurrentThreadId());
    }
    ~TMessageBoxCatcher()
    {
        UnhookWindowsHookEx(hook_);
        DestroyWindow(helper_);
        current_ = nullptr;
    }
    bool Installed() const { return hook_ != nullptr && helper_ != nullptr; }
    const std::vector<TBox>& Boxes() const { return boxes_; }

private:
    static LRESULT CALLBACK Hook(int code, WPARAM wParam, LPARAM lParam)
    {
        if (code == HCBT_ACTIVATE && current_) {
            HWND window = reinterpret_cast<HWND>(wParam);
            char className[64] = "";
            GetClassNameA(window, className, sizeof className);
            if (std::string(className) == "#32770")
                PostMessageA(current_->helper_, WM_APP, reinterpret_cast<WPARAM>(window), 0);
        }
        return CallNextHookEx(nullptr, code, wParam, lParam);
    }

    static LRESULT CALLBACK HelperProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
    {
        if (message == WM_APP && current_) {
            HWND box = reinterpret_cast<HWND>(wParam);
            if (!IsWindow(box))
                return 0;
            char caption[256] = "";
            GetWindowTextA(box, caption, sizeof caption);
            HWND cancel = GetDlgItem(box, IDCANCEL);
            const bool hasCancel = cancel && (GetWindowLongPtrA(cancel, GWL_STYLE) & WS_VISIBLE);
            current_->boxes_.push_back({caption, MessageText(box), hasCancel});
            PostMessageA(box, WM_COMMAND, IDOK, 0);
            return 0;
        }
        return DefWindowProcA(window, message, wParam, lParam);
    }

    // The text of the box: its static control that holds text (Windows gives
    // it the identifier 0xFFFF, Wine another one).
    static std::string MessageText(HWND box)
    {
        for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
            char className[32] = "", text[1024] = "";
            GetClassNameA(child, className, sizeof className);
            if (lstrcmpiA(className, "Static") == 0 && GetWindowTextA(child, text, sizeof text) > 0)
                return text;
        }
        return std::string();
    }

    static inline TMessageBoxCatcher* current_ = nullptr;
    HWND helper_ = nullptr;
    HHOOK hook_ = nullptr;
    std::vector<TBox> boxes_;
};

inline void Put16(std::vector<unsigned char>& bytes, size_t at, uint16_t value)
{
    bytes[at] = static_cast<unsigned char>(value);
    bytes[at + 1] = static_cast<unsigned char>(value >> 8);
}

inline void Put32(std::vector<unsigned char>& bytes, size_t at, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        bytes[at + i] = static_cast<unsigned char>(value >> (8 * i));
}

// A complete .bmp file: file header, 40-byte information header, colour
// table of colorCount entries, then rows of the given bytes (each row padded
// to 4 bytes) and trailing extra bytes.
inline std::vector<unsigned char> MakeBmp(int32_t width, int32_t height, uint16_t bitCount,
                                          const std::vector<uint32_t>& colors,
                                          const std::vector<std::vector<unsigned char>>& rows,
                                          size_t extra = 0)
{
    const size_t stride = ((size_t(width) * bitCount + 31) / 32) * 4;
    const size_t offset = 14 + 40 + colors.size() * 4;
    std::vector<unsigned char> bytes(offset + stride * rows.size() + extra, 0);
    bytes[0] = 'B';
    bytes[1] = 'M';
    Put32(bytes, 2, static_cast<uint32_t>(bytes.size()));
    Put32(bytes, 10, static_cast<uint32_t>(offset));
    Put32(bytes, 14, 40);
    Put32(bytes, 18, static_cast<uint32_t>(width));
    Put32(bytes, 22, static_cast<uint32_t>(height));
    Put16(bytes, 26, 1);
    Put16(bytes, 28, bitCount);
    Put32(bytes, 34, static_cast<uint32_t>(stride * rows.size() + extra));
    Put32(bytes, 38, 2834);
    Put32(bytes, 42, 2834);
    Put32(bytes, 46, static_cast<uint32_t>(colors.size()));
    for (size_t i = 0; i < colors.size(); ++i)
        Put32(bytes, 54 + 4 * i, colors[i]);
    for (size_t r = 0; r < rows.size(); ++r)
        for (size_t i = 0; i < rows[r].size() && i < stride; ++i)
            bytes[offset + r * stride + i] = rows[r][i];
    return bytes;
}
