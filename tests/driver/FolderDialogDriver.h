// The installer's folder dialog (the shell's), driven from another process as
// a user would: the link label that opens it is clicked, the dialog is read,
// a folder is selected in its tree and the dialog is confirmed or cancelled.
// Every wait is bounded.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace uidriver {

// The middle of the link label "ここ" in the main window's client area.
constexpr POINT kChangePathLabel = {314, 286};

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

// One shown folder dialog of a process.
class FolderDialog {
public:
    explicit FolderDialog(DWORD processId);
    ~FolderDialog();
    FolderDialog(const FolderDialog&) = delete;
    FolderDialog& operator=(const FolderDialog&) = delete;

    // Waits for the process's folder dialog with its tree filled and an item
    // selected.
    bool WaitShown(DWORD timeoutMs);
    HWND Handle() const noexcept { return dialog_; }
    // Texts of the dialog's static controls, the instruction among them.
    std::vector<std::string> Statics() const;
    // The text of the tree's selected item; false when none can be read.
    bool SelectedItem(std::string& text) const;
    // Asks the dialog to select the folder of a path, as its owner would.
    bool Select(const std::string& path) const;
    // Presses OK or Cancel and waits for the dialog to go.
    bool Close(bool confirm, DWORD timeoutMs);

private:
    HWND Tree() const;

    DWORD processId_;
    HANDLE process_ = nullptr;
    HWND dialog_ = nullptr;
};

// How the dialog's tree names a folder: its last name, a drive's root as
// " (C:)". The last delimiter is judged on whole Shift_JIS characters.
std::string TreeItemName(const std::string& folder);

// Opens the installer's folder dialog through its link label, selects folder
// in it (an empty text keeps the opening selection) and confirms or cancels.
// The folder is confirmed only once the tree shows it selected: Wine's tree
// can miss a selection when a folder on the way changed after the tree was
// filled, and a dialog opened again reads the folders afresh. False, with the
// reason in error, when that fails three times or a step does.
bool ChooseFolder(HWND mainWindow, DWORD processId, const std::string& folder, bool confirm, DWORD timeoutMs,
                  std::string& error);

}  // namespace uidriver
