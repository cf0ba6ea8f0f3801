// Scaffolding for the folder dialog tests: a helper thread that finds the
// folder dialog this process shows, reads what it shows and answers it, and
// scratch folders removed afterwards.
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <thread>
#include <vector>

// What the helper thread read from the dialog.
struct TDialogView {
    bool Found = false;
    HWND Owner = nullptr;               // the dialog's owner window
    bool OwnerEnabled = true;           // whether the owner took input meanwhile
    std::vector<std::string> Statics;   // texts of the dialog's static controls
    std::string RootText;               // the tree's first item
    std::string SelectedText;           // the tree's selected item ("" when none)
    bool HasSelection = false;
    std::string SelectedAfterChange;    // the selected item after Change ran
};

// While it lives, a helper thread waits (at most timeoutMs) for a visible
// dialog ("#32770") of the thread that made the driver, once that dialog has
// finished WM_INITDIALOG (seen through a hook on that thread), reads it into
// View(), runs change (if any) on the dialog, then confirms it (IDOK) or
// cancels it (IDCANCEL). Join() waits for the helper and removes the hook;
// call it on the same thread after the dialog has returned. When no dialog
// appears in time, Found stays false.
class TDialogDriver {
public:
    using TChange = std::function<void(HWND dialog)>;

    TDialogDriver(bool confirm, TChange change = nullptr, DWORD timeoutMs = 10000);
    TDialogDriver(const TDialogDriver&) = delete;
    TDialogDriver& operator=(const TDialogDriver&) = delete;
    ~TDialogDriver() { Join(); }

    void Join();
    const TDialogView& View() const { return view_; }

private:
    void Run(bool confirm, TChange change, DWORD timeoutMs);

    TDialogView view_;
    HHOOK hook_ = nullptr;
    std::thread thread_;
};

// The text of the tree view's selected item, "" when none is selected.
std::string SelectedItemText(HWND dialog, bool* hasSelection = nullptr);

// Text of a code-page (CP_ACP) path in UTF-16 and back, without length limit.
std::wstring Wide(const std::string& text);
std::string Narrow(const std::wstring& text);

// The process's temporary folder without its trailing backslash.
std::string TempFolder();

// Folders made by a test, removed in reverse order when it goes. Paths may
// be longer than MAX_PATH.
class TScratchFolders {
public:
    TScratchFolders() = default;
    TScratchFolders(const TScratchFolders&) = delete;
    TScratchFolders& operator=(const TScratchFolders&) = delete;
    ~TScratchFolders();

    // Creates each missing folder of path (absolute, no trailing
    // backslash); true when it exists afterwards.
    bool Make(const std::string& path);

private:
    std::vector<std::wstring> made_;
};
