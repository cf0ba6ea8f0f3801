#include "tests/driver/FolderDialogDriver.h"

#include <commctrl.h>
#include <shlobj.h>

#include "tests/driver/UiDriver.h"

namespace uidriver {

namespace {

constexpr UINT kSendTimeoutMs = 5000;

bool SendBounded(HWND window, UINT message, WPARAM wParam, LPARAM lParam, DWORD_PTR& result)
{
    return SendMessageTimeoutA(window, message, wParam, lParam, SMTO_ABORTIFHUNG, kSendTimeoutMs, &result) != 0;
}

}  // namespace

bool PostClientClick(HWND window, POINT point)
{
    const LPARAM at = MAKELPARAM(point.x, point.y);
    return PostMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, at) && PostMessageA(window, WM_LBUTTONUP, 0, at);
}

RemoteMemory::RemoteMemory(HANDLE process, SIZE_T size) : process_(process)
{
    address_ = VirtualAllocEx(process, nullptr, size, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
}

RemoteMemory::~RemoteMemory()
{
    if (address_)
        VirtualFreeEx(process_, address_, 0, MEM_RELEASE);
}

bool RemoteMemory::Write(SIZE_T offset, const void* bytes, SIZE_T size) const
{
    SIZE_T written = 0;
    return address_ && WriteProcessMemory(process_, static_cast<char*>(address_) + offset, bytes, size, &written) &&
           written == size;
}

bool RemoteMemory::Read(SIZE_T offset, void* bytes, SIZE_T size) const
{
    SIZE_T read = 0;
    return address_ && ReadProcessMemory(process_, static_cast<char*>(address_) + offset, bytes, size, &read) &&
           read == size;
}

FolderDialog::FolderDialog(DWORD processId) : processId_(processId)
{
    process_ = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, processId);
}

FolderDialog::~FolderDialog()
{
    if (process_)
        CloseHandle(process_);
}

HWND FolderDialog::Tree() const
{
    return dialog_ ? FindWindowExA(dialog_, nullptr, WC_TREEVIEWA, nullptr) : nullptr;
}

bool FolderDialog::WaitShown(DWORD timeoutMs)
{
    const DWORD start = GetTickCount();
    do {
        // Message boxes are dialogs too: the folder dialog is the one with a tree.
        for (HWND dialog : FindTopWindows(processId_, kDialogClass)) {
            HWND tree = FindWindowExA(dialog, nullptr, WC_TREEVIEWA, nullptr);
            DWORD_PTR selected = 0;
            if (tree && SendBounded(tree, TVM_GETNEXTITEM, TVGN_CARET, 0, selected) && selected) {
                dialog_ = dialog;
                return true;
            }
        }
        Sleep(50);
    } while (GetTickCount() - start < timeoutMs);
    return false;
}

std::vector<std::string> FolderDialog::Statics() const
{
    std::vector<std::string> texts;
    for (HWND child = dialog_ ? GetWindow(dialog_, GW_CHILD) : nullptr; child; child = GetWindow(child, GW_HWNDNEXT)) {
        if (ClassNameOf(child) == "Static")
            texts.push_back(TextOf(child));
    }
    return texts;
}

bool FolderDialog::SelectedItem(std::string& text) const
{
    HWND tree = Tree();
    DWORD_PTR item = 0;
    if (!process_ || !tree || !SendBounded(tree, TVM_GETNEXTITEM, TVGN_CARET, 0, item) || !item)
        return false;
    // The item query and its text buffer both live in the dialog's process.
    constexpr SIZE_T kTextBytes = MAX_PATH + 1;
    RemoteMemory memory(process_, sizeof(TVITEMA) + kTextBytes);
    char* remoteText = static_cast<char*>(memory.Address()) + sizeof(TVITEMA);
    TVITEMA query = {};
    query.mask = TVIF_TEXT;
    query.hItem = reinterpret_cast<HTREEITEM>(item);
    query.pszText = remoteText;
    query.cchTextMax = kTextBytes;
    const char empty = '\0';
    DWORD_PTR done = 0;
    if (!memory.Write(0, &query, sizeof query) || !memory.Write(sizeof query, &empty, 1) ||
        !SendBounded(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(memory.Address()), done) || !done)
        return false;
    char buffer[kTextBytes] = "";
    if (!memory.Read(sizeof query, buffer, kTextBytes))
        return false;
    buffer[kTextBytes - 1] = '\0';
    text = buffer;
    return true;
}

bool FolderDialog::Select(const std::string& path) const
{
    if (!process_ || !dialog_)
        return false;
    RemoteMemory memory(process_, path.size() + 1);
    DWORD_PTR ignored = 0;
    // TRUE: the parameter is a path text, read in the dialog's process.
    return memory.Write(0, path.c_str(), path.size() + 1) &&
           SendBounded(dialog_, BFFM_SETSELECTIONA, TRUE, reinterpret_cast<LPARAM>(memory.Address()), ignored);
}

bool FolderDialog::Close(bool confirm, DWORD timeoutMs)
{
    const int button = confirm ? IDOK : IDCANCEL;
    if (!dialog_ || !PostMessageA(dialog_, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
                                  reinterpret_cast<LPARAM>(GetDlgItem(dialog_, button))))
        return false;
    const DWORD start = GetTickCount();
    while (IsWindow(dialog_)) {
        if (GetTickCount() - start >= timeoutMs)
            return false;
        Sleep(50);
    }
    dialog_ = nullptr;
    return true;
}

std::string TreeItemName(const std::string& folder)
{
    if (folder.size() == 3 && folder.compare(1, 2, ":\\") == 0)
        return " (" + folder.substr(0, 2) + ")";
    const std::vector<size_t> separators = SeparatorPositions(folder);
    const size_t name = separators.empty() ? 0 : separators.back() + 1;
    return folder.substr(name);
}

bool ChooseFolder(HWND mainWindow, DWORD processId, const std::string& folder, bool confirm, DWORD timeoutMs,
                  std::string& error)
{
    const std::string wanted = TreeItemName(folder);
    for (int attempt = 1; attempt <= 3; ++attempt) {
        FolderDialog dialog(processId);
        if (!PostClientClick(mainWindow, kChangePathLabel) || !dialog.WaitShown(timeoutMs)) {
            error = "no folder dialog after a click on the link label";
            return false;
        }
        std::string selected;
        if (!folder.empty() && (!dialog.Select(folder) || !dialog.SelectedItem(selected))) {
            error = "the folder dialog did not answer";
            return false;
        }
        const bool shown = folder.empty() || selected == wanted;
        if (!dialog.Close(shown && confirm, timeoutMs)) {
            error = "the folder dialog did not close";
            return false;
        }
        if (shown)
            return true;
        error = "the folder dialog did not select " + folder + " (it shows " + selected + ")";
    }
    return false;
}

}  // namespace uidriver
