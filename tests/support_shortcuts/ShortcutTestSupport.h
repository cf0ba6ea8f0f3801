// Scaffolding for the shortcut tests: real shortcut files made through the
// shell link object, scratch files and folders removed afterwards, registry
// values and keys put back as they were, and stand-ins for the shell's
// special-folder lookup.
#pragma once

#include <windows.h>
#include <shlobj.h>

#include <map>
#include <string>
#include <vector>

// Invented maker whose folders the tests create and remove.
extern const char kBrand[];

// Text of a code-page (CP_ACP) path in UTF-16 and back, without length limit.
std::wstring Wide(const std::string& text);
std::string Narrow(const std::wstring& text);

// The real path of a special folder, created when missing ("" on failure).
std::string RealSpecialFolder(int csidl);
// The process's temporary folder without its trailing backslash.
std::string TempFolder();

// Writes a shortcut at linkPath to targetPath (through IShellLinkA::SetPath
// and IPersistFile::Save), or to an ID list. S_OK when saved.
HRESULT CreateShortcut(const std::string& linkPath, const std::string& targetPath);
HRESULT CreateShortcutToIdList(const std::string& linkPath, PCIDLIST_ABSOLUTE idList);

// Files and folders made by a test, removed in reverse order when it goes.
class TScratch {
public:
    TScratch() = default;
    TScratch(const TScratch&) = delete;
    TScratch& operator=(const TScratch&) = delete;
    ~TScratch() { RemoveAll(); }

    // Creates each missing folder of path (absolute); true when it exists.
    bool Folder(const std::string& path);
    // Writes a plain file (its folders created); true when written.
    bool File(const std::string& path, const std::string& contents = "Hoshizora");
    // A real shortcut (its folders created); true when saved.
    bool Shortcut(const std::string& linkPath, const std::string& targetPath);
    // Remembers a path created otherwise, for removal.
    void Track(const std::string& path, bool isFolder);
    void RemoveAll();

private:
    struct Item {
        std::wstring path;
        bool isFolder;
    };
    std::vector<Item> items_;
};

// One registry value put back (or deleted again) when the guard goes.
class TRegistryValueGuard {
public:
    TRegistryValueGuard(HKEY root, const std::wstring& key, const std::wstring& name);
    TRegistryValueGuard(const TRegistryValueGuard&) = delete;
    TRegistryValueGuard& operator=(const TRegistryValueGuard&) = delete;
    ~TRegistryValueGuard();

    LSTATUS SetString(const std::string& text, DWORD type = REG_SZ);
    LSTATUS SetDword(DWORD value);
    LSTATUS Delete();

private:
    HKEY root_;
    std::wstring key_, name_;
    bool existed_ = false;
    DWORD type_ = 0;
    std::vector<BYTE> data_;
};

// A key that nobody may read for a scope: a deny entry for everyone, in
// front of an allow entry, keeps the values from being queried (and the key
// from being opened for reading, or re-created, by any process). The key's
// own access list is put back when the guard goes. A key that did not exist
// is made for the scope and deleted again.
class TRegistryKeyLock {
public:
    TRegistryKeyLock(HKEY root, const std::wstring& key);
    TRegistryKeyLock(const TRegistryKeyLock&) = delete;
    TRegistryKeyLock& operator=(const TRegistryKeyLock&) = delete;
    ~TRegistryKeyLock();

    // ERROR_SUCCESS when the key is locked.
    LSTATUS Status() const { return status_; }

private:
    HKEY root_;
    std::wstring key_;
    bool created_ = false;
    bool locked_ = false;
    LSTATUS status_ = ERROR_SUCCESS;
    std::vector<BYTE> oldSecurity_;
};

// An environment variable of the process set for a scope, then put back.
class TEnvironmentGuard {
public:
    TEnvironmentGuard(const char* name, const std::string& value);
    TEnvironmentGuard(const TEnvironmentGuard&) = delete;
    TEnvironmentGuard& operator=(const TEnvironmentGuard&) = delete;
    ~TEnvironmentGuard();

private:
    std::string name_, old_;
    bool existed_;
};

// The current directory changed for a scope, then put back.
class TCurrentDirectoryGuard {
public:
    explicit TCurrentDirectoryGuard(const std::string& path);
    TCurrentDirectoryGuard(const TCurrentDirectoryGuard&) = delete;
    TCurrentDirectoryGuard& operator=(const TCurrentDirectoryGuard&) = delete;
    ~TCurrentDirectoryGuard();
    bool Changed() const { return changed_; }

private:
    std::string old_;
    bool changed_;
};

// What the shell's special-folder lookup does for one folder while stand-ins
// are installed: fail, or name a chosen path. Folders without a stand-in go
// to the real shell.
struct FolderStandIn {
    bool fail;
    std::string path;  // when not failing
};

// Installs stand-ins through the lookup seam of TqxFile for its life. The ID
// lists of the chosen paths are made at once, so no shell call is needed
// when a stand-in answers. Records the owner window of the last lookup.
class TFolderStandIns {
public:
    explicit TFolderStandIns(const std::map<int, FolderStandIn>& standIns);
    TFolderStandIns(const TFolderStandIns&) = delete;
    TFolderStandIns& operator=(const TFolderStandIns&) = delete;
    ~TFolderStandIns();

    // True when every chosen path gave an ID list.
    bool Ready() const { return ready_; }
    static HWND LastOwner();
    static int Calls();

private:
    bool ready_ = true;
};

// Counts the task allocator's blocks handed out and not yet freed, through
// a malloc spy registered for its life (the shell allocator is that one).
class TAllocationCounter {
public:
    TAllocationCounter();
    TAllocationCounter(const TAllocationCounter&) = delete;
    TAllocationCounter& operator=(const TAllocationCounter&) = delete;
    ~TAllocationCounter();

    bool Registered() const { return registered_; }
    long Outstanding() const;

private:
    bool registered_;
};
