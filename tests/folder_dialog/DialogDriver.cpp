#include "tests/folder_dialog/DialogDriver.h"

#include <commctrl.h>
#include <shlobj.h>

#include <atomic>

namespace {

// The folder dialog whose WM_INITDIALOG has returned on the thread that
// made the driver: only then has the dialog run its callback's opening.
std::atomic<HWND> g_initialised{nullptr};

LRESULT CALLBACK AfterMessage(int code, WPARAM wParam, LPARAM lParam) noexcept
{
    const CWPRETSTRUCT* call = reinterpret_cast<const CWPRETSTRUCT*>(lParam);
    if (code == HC_ACTION && call->message == WM_INITDIALOG) {
        char className[16] = "";
        GetClassNameA(call->hwnd, className, sizeof className);
        if (lstrcmpA(className, "#32770") == 0)
            g_initialised = call->hwnd;
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

BOOL CALLBACK CollectStatic(HWND child, LPARAM data)
{
    char className[16] = "";
    GetClassNameA(child, className, sizeof className);
    if (lstrcmpiA(className, "Static") == 0) {
        char text[1024] = "";
        GetWindowTextA(child, text, sizeof text);
        reinterpret_cast<std::vector<std::string>*>(data)->push_back(text);
    }
    return TRUE;
}

std::string ItemText(HWND tree, HTREEITEM item)
{
    char text[MAX_PATH + 1] = "";
    TVITEMA query = {};
    query.mask = TVIF_TEXT;
    query.hItem = item;
    query.pszText = text;
    query.cchTextMax = sizeof text;
    if (!SendMessageA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&query)))
        return "<unreadable item>";
    return text;
}

HWND TreeOf(HWND dialog)
{
    return FindWindowExA(dialog, nullptr, WC_TREEVIEWA, nullptr);
}

}  // namespace

std::string SelectedItemText(HWND dialog, bool* hasSelection)
{
    HWND tree = TreeOf(dialog);
    HTREEITEM item = tree ? TreeView_GetSelection(tree) : nullptr;
    if (hasSelection)
        *hasSelection = item != nullptr;
    return item ? ItemText(tree, item) : std::string();
}

TDialogDriver::TDialogDriver(bool confirm, TChange change, DWORD timeoutMs)
{
    g_initialised = nullptr;
    hook_ = SetWindowsHookExA(WH_CALLWNDPROCRET, &AfterMessage, nullptr, GetCurrentThreadId());
    if (hook_)
        thread_ = std::thread(&TDialogDriver::Run, this, confirm, std::move(change), timeoutMs);
}

void TDialogDriver::Join()
{
    if (thread_.joinable())
        thread_.join();
    if (hook_) {
        UnhookWindowsHookEx(hook_);
        hook_ = nullptr;
    }
}

void TDialogDriver::Run(bool confirm, TChange change, DWORD timeoutMs)
{
    HWND dialog = nullptr;
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < timeoutMs) {
        dialog = g_initialised;
        if (dialog && IsWindowVisible(dialog))
            break;
        dialog = nullptr;
        Sleep(50);
    }
    if (!dialog)
        return;

    view_.Found = true;
    view_.Owner = GetWindow(dialog, GW_OWNER);
    view_.OwnerEnabled = view_.Owner && IsWindowEnabled(view_.Owner);
    EnumChildWindows(dialog, &CollectStatic, reinterpret_cast<LPARAM>(&view_.Statics));
    HWND tree = TreeOf(dialog);
    if (tree) {
        HTREEITEM root = TreeView_GetRoot(tree);
        if (root)
            view_.RootText = ItemText(tree, root);
    }
    view_.SelectedText = SelectedItemText(dialog, &view_.HasSelection);
    if (change) {
        change(dialog);
        view_.SelectedAfterChange = SelectedItemText(dialog);
    }
    const int button = confirm ? IDOK : IDCANCEL;
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, button)));
}

std::wstring Wide(const std::string& text)
{
    const int units = MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, nullptr, 0);
    std::wstring wide(units > 0 ? units : 1, L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, &wide[0], units);
    wide.resize(wide.size() - 1);
    return wide;
}

std::string Narrow(const std::wstring& text)
{
    const int bytes = WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string narrow(bytes > 0 ? bytes : 1, '\0');
    WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, &narrow[0], bytes, nullptr, nullptr);
    narrow.resize(narrow.size() - 1);
    return narrow;
}

std::string TempFolder()
{
    char path[MAX_PATH + 1] = "";
    const DWORD length = GetTempPathA(sizeof path, path);
    std::string folder(path, length);
    if (!folder.empty() && folder.back() == '\\')
        folder.pop_back();
    // The long form, as the shell gives paths back.
    char longPath[MAX_PATH + 1] = "";
    const DWORD longLength = GetLongPathNameA(folder.c_str(), longPath, sizeof longPath);
    if (longLength > 0 && longLength < sizeof longPath)
        folder.assign(longPath, longLength);
    return folder;
}

TScratchFolders::~TScratchFolders()
{
    for (auto it = made_.rbegin(); it != made_.rend(); ++it)
        RemoveDirectoryW(it->c_str());
}

bool TScratchFolders::Make(const std::string& path)
{
    const std::wstring wide = L"\\\\?\\" + Wide(path);
    // Each folder from the drive's root down ("\\?\C:\" is 7 units).
    for (size_t end = wide.find(L'\\', 7); ; end = wide.find(L'\\', end + 1)) {
        const std::wstring folder = wide.substr(0, end);
        if (CreateDirectoryW(folder.c_str(), nullptr))
            made_.push_back(folder);
        else if (GetLastError() != ERROR_ALREADY_EXISTS)
            return false;
        if (end == std::wstring::npos)
            break;
    }
    const DWORD attributes = GetFileAttributesW(wide.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}
