// What the end-to-end tests need around the installer: package variants made
// from the built installer, scratch folders, Shift_JIS scripts, real Programs
// menu shortcuts, and whole files read byte for byte.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "tests/driver/UiDriver.h"

namespace e2e {

// The 64-bit installer with the sample package, built next to the tests folder.
std::string InstallerPath();

// Whole files, byte for byte.
bool ReadFileBytes(const std::string& path, std::string& bytes);
bool WriteFileBytes(const std::string& path, const std::string& bytes);
bool FileExists(const std::string& path);

// A patch script from its lines (already Shift_JIS), each ended with CR LF.
std::string ScriptFromLines(const std::vector<std::string>& lines);

// A folder of its own under the temporary folder, removed with all it holds.
class ScratchDir {
public:
    ScratchDir();
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    bool Valid() const noexcept { return !path_.empty(); }
    // The folder, ending in a backslash.
    const std::string& Path() const noexcept { return path_; }

private:
    std::string path_;
};

// Removes a folder and everything in it.
bool RemoveTree(const std::string& folder);

// One change to the package resources of an installer copy.
struct ResourceChange {
    std::string Name;  // "RESOURCE_SCRIPT", "RESOURCE_BACKGROUND", "RESOURCE_FILE0", ...
    std::string Type;  // "TEXT", "BMP", "BIN"
    bool Remove = false;
    std::string Bytes;  // the new content, when not removed

    static ResourceChange Replace(std::string name, std::string type, std::string bytes);
    static ResourceChange Delete(std::string name, std::string type);
};

// Copies the installer to a new file and applies the changes to its language
// neutral resources; every other resource is kept. False, with the reason in
// error, when any step fails. A resource cannot be made empty.
bool MakeVariant(const std::string& source, const std::string& target, const std::vector<ResourceChange>& changes,
                 std::string& error);
// Reads one language neutral resource of an executable file without running
// it. The name and type may be numbers (MAKEINTRESOURCEA).
bool ReadResource(const std::string& exePath, LPCSTR name, LPCSTR type, std::string& bytes);

// A shortcut (.lnk) created through the shell link object in a Programs menu
// folder of the prefix, removed again with the folders made for it.
class ProgramsShortcut {
public:
    enum Scope { CurrentUser, AllUsers };

    ProgramsShortcut() = default;
    ~ProgramsShortcut();
    ProgramsShortcut(const ProgramsShortcut&) = delete;
    ProgramsShortcut& operator=(const ProgramsShortcut&) = delete;

    // relativePath names the .lnk below the Programs folder, with backslashes.
    bool Create(Scope scope, const std::string& relativePath, const std::string& target, std::string& error);
    void Remove() noexcept;
    // Leaves the shortcut and its folders in place when the owner goes.
    void Keep() noexcept;
    const std::string& Path() const noexcept { return path_; }

private:
    std::string path_;
    std::vector<std::string> madeFolders_;  // innermost last
};

// The Programs menu folder of one scope, ending in a backslash.
bool ProgramsFolder(ProgramsShortcut::Scope scope, std::string& folder);

// Removes a shortcut kept earlier (relativePath below the Programs folder),
// then each of its folders that is left empty, innermost first. True when
// the shortcut is gone.
bool RemoveProgramsShortcut(ProgramsShortcut::Scope scope, const std::string& relativePath);

// One run of the installer up to its shown main window: every message box on
// the way answered and kept. The window stays open; Finish ends the run.
struct Run {
    uidriver::Process Process;
    HWND Window = nullptr;
    uidriver::WindowInfo Info;

    // Starts the installer and waits (bounded) for its main window.
    bool Open(const std::string& exePath, DWORD timeoutMs, std::string& error);
    // Closes the window through its close box and waits for the exit code.
    bool Finish(DWORD timeoutMs, DWORD& exitCode);
};

// Presses Start (the first button) and waits for the run to end: Cancel
// enabled again. shown gets the message boxes the run showed; the wait for
// the first one is bounded by messageTimeoutMs, as a run may show none.
// False when Start could not be pressed.
bool PressStart(Run& run, DWORD messageTimeoutMs, std::vector<uidriver::MessageBoxInfo>& shown);

// The controls of the main window by their class, in tab order (Z order).
const uidriver::ControlInfo* ControlAt(const uidriver::WindowInfo& info, const char* className, size_t index);

// How long a step may take: the start of a child process under Wine included.
// The message boxes seen, one line each as "[caption] text", for failure output.
std::string Describe(const std::vector<uidriver::MessageBoxInfo>& boxes);

constexpr DWORD kTimeoutMs = 20000;

}  // namespace e2e
