// The shell's folder dialog of another process, driven as a user would: the
// link label that opens it is clicked, the dialog is read, a folder is
// selected in it and the dialog is confirmed or cancelled. Every wait is
// bounded.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace e2e {

// Clicks a windowless control of a window at a point of its client area:
// button down and up, posted.
bool PostClientClick(HWND window, POINT point);

// Memory in another process, freed when it goes.
class RemoteMemory {
public:
    RemoteMemory(HANDLE process, SIZE_T size);
    ~RemoteMemory();
    RemoteMemory(const RemoteMemory&) = delete;
    RemoteMemory& operator=(const RemoteMemory&) = delete;

    void* Address() const noexcept { return address_; }
    bool Write(SIZE_T offset, const void* bytes, SIZE_T size) const;
    bool Read(SIZE_T offset, void* bytes, SIZE_T size) const;

private:
    HANDLE process_;
    void* address_ = nullptr;
};

// One shown folder dialog of the installer.
class RemoteFolderDialog {
public:
    explicit RemoteFolderDialog(DWORD processId);
    ~RemoteFolderDialog();
    RemoteFolderDialog(const RemoteFolderDialog&) = delete;
    RemoteFolderDialog& operator=(const RemoteFolderDialog&) = delete;

    // Waits for the process's folder dialog with its tree filled and an item
    // selected.
    bool WaitShown(DWORD timeoutMs);
    HWND Handle() const noexcept { return dialog_; }
    // Texts of the dialog's static controls, the instruction among them.
    std::vector<std::string> Statics() const;
    // The text of the tree's selected item; false when none can be read.
    bool SelectedItem(std::string& text) const;
    // Selects the folder of a path, as the dialog's owner would.
    bool Select(const std::string& path) const;
    // Presses OK or Cancel and waits for the dialog to go.
    bool Close(bool confirm, DWORD timeoutMs);

private:
    HWND Tree() const;

    DWORD processId_;
    HANDLE process_ = nullptr;
    HWND dialog_ = nullptr;
};

}  // namespace e2e
