#include "tests/e2e/E2eHarness.h"

#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <utility>

namespace e2e {
namespace {

class FileHandle {
public:
    explicit FileHandle(HANDLE handle) : handle_(handle) {}
    ~FileHandle() { if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_); }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    HANDLE Get() const noexcept { return handle_; }
    bool Close() noexcept
    {
        const bool closed = handle_ != INVALID_HANDLE_VALUE && CloseHandle(handle_);
        handle_ = INVALID_HANDLE_VALUE;
        return closed;
    }

private:
    HANDLE handle_;
};

class FindHandle {
public:
    explicit FindHandle(HANDLE handle) : handle_(handle) {}
    ~FindHandle() { if (handle_ != INVALID_HANDLE_VALUE) FindClose(handle_); }
    FindHandle(const FindHandle&) = delete;
    FindHandle& operator=(const FindHandle&) = delete;
    HANDLE Get() const noexcept { return handle_; }

private:
    HANDLE handle_;
};

class DataModule {
public:
    explicit DataModule(HMODULE module) : module_(module) {}
    ~DataModule() { if (module_) FreeLibrary(module_); }
    DataModule(const DataModule&) = delete;
    DataModule& operator=(const DataModule&) = delete;
    HMODULE Get() const noexcept { return module_; }

private:
    HMODULE module_;
};

// A pending resource update, discarded unless committed.
class ResourceUpdate {
public:
    explicit ResourceUpdate(HANDLE handle) : handle_(handle) {}
    ~ResourceUpdate() { if (handle_) EndUpdateResourceA(handle_, TRUE); }
    ResourceUpdate(const ResourceUpdate&) = delete;
    ResourceUpdate& operator=(const ResourceUpdate&) = delete;
    HANDLE Get() const noexcept { return handle_; }
    bool Commit() noexcept
    {
        HANDLE handle = handle_;
        handle_ = nullptr;
        return EndUpdateResourceA(handle, FALSE) != FALSE;
    }

private:
    HANDLE handle_;
};

class ComApartment {
public:
    ComApartment() : result_(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
    ~ComApartment() { if (SUCCEEDED(result_)) CoUninitialize(); }
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;
    HRESULT Result() const noexcept { return result_; }

private:
    HRESULT result_;
};

template <class Interface>
class ComPtr {
public:
    ComPtr() = default;
    ~ComPtr() { if (p_) p_->Release(); }
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;
    Interface* operator->() const noexcept { return p_; }
    Interface* Get() const noexcept { return p_; }
    void** Out() noexcept { return reinterpret_cast<void**>(&p_); }

private:
    Interface* p_ = nullptr;
};

std::string LastError(const std::string& what)
{
    return what + " failed (error " + std::to_string(GetLastError()) + ")";
}

std::string Hresult(const std::string& what, HRESULT result)
{
    char text[16];
    wsprintfA(text, "0x%08lX", static_cast<unsigned long>(result));
    return what + " failed (" + text + ")";
}

bool ToWide(const std::string& text, std::wstring& wide)
{
    const int length = MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, text.c_str(), -1, nullptr, 0);
    if (length <= 0)
        return false;
    std::wstring converted(static_cast<size_t>(length), L'\0');
    if (MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, text.c_str(), -1, &converted[0], length) != length)
        return false;
    converted.resize(static_cast<size_t>(length - 1));
    wide = std::move(converted);
    return true;
}

}  // namespace

std::string InstallerPath()
{
    char module[MAX_PATH];
    const DWORD length = GetModuleFileNameA(nullptr, module, sizeof module);
    if (length == 0 || length >= sizeof module)
        return std::string();
    // <build>\tests\test.exe -> <build>\mivaroPatch.exe
    std::string path(module, length);
    std::vector<size_t> separators = uidriver::SeparatorPositions(path);
    if (separators.size() < 2)
        return std::string();
    return path.substr(0, separators[separators.size() - 2] + 1) + "mivaroPatch.exe";
}

bool ReadFileBytes(const std::string& path, std::string& bytes)
{
    FileHandle file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    if (file.Get() == INVALID_HANDLE_VALUE)
        return false;
    LARGE_INTEGER size;
    if (!GetFileSizeEx(file.Get(), &size) || size.QuadPart > 0x40000000)
        return false;
    std::string read(static_cast<size_t>(size.QuadPart), '\0');
    DWORD got = 0;
    if (!read.empty() && (!ReadFile(file.Get(), &read[0], static_cast<DWORD>(read.size()), &got, nullptr) ||
                          got != read.size()))
        return false;
    bytes = std::move(read);
    return true;
}

bool WriteFileBytes(const std::string& path, const std::string& bytes)
{
    FileHandle file(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                nullptr));
    if (file.Get() == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    if (!bytes.empty() && (!WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written,
                                      nullptr) ||
                           written != bytes.size()))
        return false;
    return file.Close();
}

bool FileExists(const std::string& path)
{
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::string ScriptFromLines(const std::vector<std::string>& lines)
{
    std::string script;
    for (const std::string& line : lines)
        script += line + "\r\n";
    return script;
}

ScratchDir::ScratchDir()
{
    char temp[MAX_PATH];
    const DWORD length = GetTempPathA(sizeof temp, temp);
    if (length == 0 || length >= sizeof temp)
        return;
    static unsigned counter = 0;
    for (int attempt = 0; attempt < 100; ++attempt) {
        const std::string path = std::string(temp, length) + "mivaro-e2e-" + std::to_string(GetCurrentProcessId()) +
                                 "-" + std::to_string(++counter) + "\\";
        if (CreateDirectoryA(path.c_str(), nullptr)) {
            path_ = path;
            return;
        }
        if (GetLastError() != ERROR_ALREADY_EXISTS)
            return;
    }
}

ScratchDir::~ScratchDir()
{
    if (!path_.empty())
        RemoveTree(path_);
}

bool RemoveTree(const std::string& folder)
{
    std::string base = folder;
    if (base.empty())
        return false;
    if (base.back() != '\\')
        base += '\\';
    bool removed = true;
    WIN32_FIND_DATAA found;
    {
        FindHandle find(FindFirstFileA((base + "*").c_str(), &found));
        if (find.Get() != INVALID_HANDLE_VALUE) {
            do {
                const std::string name = found.cFileName;
                if (name == "." || name == "..")
                    continue;
                const std::string path = base + name;
                if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                    removed = RemoveTree(path) && removed;
                } else {
                    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
                    removed = DeleteFileA(path.c_str()) && removed;
                }
            } while (FindNextFileA(find.Get(), &found));
        }
    }
    return RemoveDirectoryA(base.c_str()) && removed;
}

ResourceChange ResourceChange::Replace(std::string name, std::string type, std::string bytes)
{
    ResourceChange change;
    change.Name = std::move(name);
    change.Type = std::move(type);
    change.Bytes = std::move(bytes);
    return change;
}

ResourceChange ResourceChange::Delete(std::string name, std::string type)
{
    ResourceChange change;
    change.Name = std::move(name);
    change.Type = std::move(type);
    change.Remove = true;
    return change;
}

namespace {

// A resource type or name: a text, or a number (MAKEINTRESOURCE).
struct ResourceId {
    bool IsNumber = false;
    WORD Number = 0;
    std::string Text;

    explicit ResourceId(LPCSTR id)
    {
        if (IS_INTRESOURCE(id)) {
            IsNumber = true;
            Number = LOWORD(reinterpret_cast<ULONG_PTR>(id));
        } else {
            Text = id;
        }
    }
    LPCSTR Get() const noexcept { return IsNumber ? MAKEINTRESOURCEA(Number) : Text.c_str(); }
    bool Is(const std::string& text) const { return !IsNumber && Text == text; }
};

struct ResourceEntry {
    ResourceId Type;
    ResourceId Name;
    WORD Language;
    std::string Bytes;
};

struct ResourceWalk {
    HMODULE Module;
    std::vector<ResourceEntry>* Entries;
    bool Failed = false;
};

BOOL CALLBACK CollectLanguage(HMODULE module, LPCSTR type, LPCSTR name, WORD language, LONG_PTR param) noexcept
{
    ResourceWalk& walk = *reinterpret_cast<ResourceWalk*>(param);
    try {
        HRSRC resource = FindResourceExA(module, type, name, language);
        HGLOBAL loaded = resource ? LoadResource(module, resource) : nullptr;
        const char* data = loaded ? static_cast<const char*>(LockResource(loaded)) : nullptr;
        if (!data) {
            walk.Failed = true;
            return FALSE;
        }
        walk.Entries->push_back(
            ResourceEntry{ResourceId(type), ResourceId(name), language,
                          std::string(data, SizeofResource(module, resource))});
        return TRUE;
    } catch (...) {
        walk.Failed = true;
        return FALSE;
    }
}

BOOL CALLBACK CollectName(HMODULE module, LPCSTR type, LPSTR name, LONG_PTR param) noexcept
{
    ResourceWalk& walk = *reinterpret_cast<ResourceWalk*>(param);
    if (!EnumResourceLanguagesA(module, type, name, CollectLanguage, param) || walk.Failed) {
        walk.Failed = true;
        return FALSE;
    }
    return TRUE;
}

BOOL CALLBACK CollectType(HMODULE module, LPSTR type, LONG_PTR param) noexcept
{
    ResourceWalk& walk = *reinterpret_cast<ResourceWalk*>(param);
    if (!EnumResourceNamesA(module, type, CollectName, param) || walk.Failed) {
        walk.Failed = true;
        return FALSE;
    }
    return TRUE;
}

// Every resource of an executable file, in every language.
bool ReadAllResources(const std::string& exePath, std::vector<ResourceEntry>& entries)
{
    DataModule module(
        LoadLibraryExA(exePath.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE));
    if (!module.Get())
        return false;
    std::vector<ResourceEntry> read;
    ResourceWalk walk = {module.Get(), &read};
    if (!EnumResourceTypesA(module.Get(), CollectType, reinterpret_cast<LONG_PTR>(&walk)) || walk.Failed)
        return false;
    entries = std::move(read);
    return true;
}

}  // namespace

bool MakeVariant(const std::string& source, const std::string& target, const std::vector<ResourceChange>& changes,
                 std::string& error)
{
    // Wine's UpdateResource can replace a resource but not delete one, so the
    // copy gets a whole new resource table: the source's, changed.
    std::vector<ResourceEntry> entries;
    if (!ReadAllResources(source, entries)) {
        error = LastError("reading the resources of " + source);
        return false;
    }
    const WORD neutral = MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL);
    for (const ResourceChange& change : changes) {
        if (!change.Remove && change.Bytes.empty()) {
            error = "an empty resource cannot be written: " + change.Name;
            return false;
        }
        bool found = false;
        for (auto entry = entries.begin(); entry != entries.end();) {
            if (entry->Type.Is(change.Type) && entry->Name.Is(change.Name) && entry->Language == neutral) {
                found = true;
                if (change.Remove) {
                    entry = entries.erase(entry);
                    continue;
                }
                entry->Bytes = change.Bytes;
            }
            ++entry;
        }
        if (change.Remove && !found) {
            error = "no resource to remove: " + change.Name;
            return false;
        }
        if (!found)
            entries.push_back(ResourceEntry{ResourceId(change.Type.c_str()), ResourceId(change.Name.c_str()), neutral,
                                            change.Bytes});
    }

    if (!CopyFileA(source.c_str(), target.c_str(), FALSE)) {
        error = LastError("CopyFile " + source);
        return false;
    }
    ResourceUpdate update(BeginUpdateResourceA(target.c_str(), TRUE));
    if (!update.Get()) {
        error = LastError("BeginUpdateResource " + target);
        return false;
    }
    for (ResourceEntry& entry : entries) {
        if (!UpdateResourceA(update.Get(), entry.Type.Get(), entry.Name.Get(), entry.Language, &entry.Bytes[0],
                             static_cast<DWORD>(entry.Bytes.size()))) {
            error = LastError("UpdateResource");
            return false;
        }
    }
    if (!update.Commit()) {
        error = LastError("EndUpdateResource " + target);
        return false;
    }
    return true;
}

bool ReadResource(const std::string& exePath, LPCSTR name, LPCSTR type, std::string& bytes)
{
    DataModule module(
        LoadLibraryExA(exePath.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE));
    if (!module.Get())
        return false;
    HRSRC resource = FindResourceExA(module.Get(), type, name, MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL));
    if (!resource)
        return false;
    const DWORD size = SizeofResource(module.Get(), resource);
    HGLOBAL loaded = LoadResource(module.Get(), resource);
    const void* data = loaded ? LockResource(loaded) : nullptr;
    if (!data && size != 0)
        return false;
    bytes.assign(static_cast<const char*>(data), size);
    return true;
}

bool ProgramsFolder(ProgramsShortcut::Scope scope, std::string& folder)
{
    const int csidl = scope == ProgramsShortcut::AllUsers ? CSIDL_COMMON_PROGRAMS : CSIDL_PROGRAMS;
    char path[MAX_PATH];
    if (FAILED(SHGetFolderPathA(nullptr, csidl | CSIDL_FLAG_CREATE, nullptr, SHGFP_TYPE_CURRENT, path)))
        return false;
    std::string found = path;
    if (found.empty())
        return false;
    std::vector<size_t> separators = uidriver::SeparatorPositions(found);
    if (separators.empty() || separators.back() != found.size() - 1)
        found += '\\';
    folder = found;
    return true;
}

ProgramsShortcut::~ProgramsShortcut()
{
    Remove();
}

bool ProgramsShortcut::Create(Scope scope, const std::string& relativePath, const std::string& target,
                              std::string& error)
{
    Remove();
    std::string folder;
    if (!ProgramsFolder(scope, folder)) {
        error = "no Programs folder";
        return false;
    }
    const std::string path = folder + relativePath;
    for (size_t separator : uidriver::SeparatorPositions(relativePath)) {
        const std::string made = folder + relativePath.substr(0, separator);
        if (CreateDirectoryA(made.c_str(), nullptr))
            madeFolders_.push_back(made);
        else if (GetLastError() != ERROR_ALREADY_EXISTS) {
            error = LastError("CreateDirectory " + made);
            Remove();
            return false;
        }
    }

    std::wstring widePath;
    if (!ToWide(path, widePath)) {
        error = "shortcut path not convertible: " + path;
        Remove();
        return false;
    }
    ComApartment apartment;
    if (FAILED(apartment.Result())) {
        error = Hresult("CoInitializeEx", apartment.Result());
        Remove();
        return false;
    }
    ComPtr<IShellLinkA> link;
    HRESULT result = CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA, link.Out());
    if (SUCCEEDED(result) && !target.empty())
        result = link->SetPath(target.c_str());
    ComPtr<IPersistFile> file;
    if (SUCCEEDED(result))
        result = link->QueryInterface(IID_IPersistFile, file.Out());
    if (SUCCEEDED(result))
        result = file->Save(widePath.c_str(), TRUE);
    if (FAILED(result)) {
        error = Hresult("shortcut " + path, result);
        Remove();
        return false;
    }
    path_ = path;
    return true;
}

void ProgramsShortcut::Remove() noexcept
{
    if (!path_.empty())
        DeleteFileA(path_.c_str());
    path_.clear();
    for (auto made = madeFolders_.rbegin(); made != madeFolders_.rend(); ++made)
        RemoveDirectoryA(made->c_str());
    madeFolders_.clear();
}

void ProgramsShortcut::Keep() noexcept
{
    path_.clear();
    madeFolders_.clear();
}

bool RemoveProgramsShortcut(ProgramsShortcut::Scope scope, const std::string& relativePath)
{
    std::string folder;
    if (!ProgramsFolder(scope, folder))
        return false;
    const std::string path = folder + relativePath;
    if (!DeleteFileA(path.c_str()) && GetLastError() != ERROR_FILE_NOT_FOUND)
        return false;
    const std::vector<size_t> separators = uidriver::SeparatorPositions(relativePath);
    for (auto separator = separators.rbegin(); separator != separators.rend(); ++separator) {
        if (!RemoveDirectoryA((folder + relativePath.substr(0, *separator)).c_str()))
            break;
    }
    return true;
}

bool Run::Open(const std::string& exePath, DWORD timeoutMs, std::string& error)
{
    if (!Process.Start(exePath)) {
        error = LastError("CreateProcess " + exePath);
        return false;
    }
    Window = Process.WaitForMainWindow(timeoutMs);
    if (!Window) {
        error = Process.Running() ? "no main window within the timeout" : "the installer ended without a window";
        return false;
    }
    if (!uidriver::ReadWindow(Window, Info)) {
        error = "the main window went away";
        return false;
    }
    return true;
}

bool Run::Finish(DWORD timeoutMs, DWORD& exitCode)
{
    return uidriver::PostCloseBox(Window) && Process.WaitForExit(timeoutMs, exitCode);
}

bool PressStart(Run& run, DWORD messageTimeoutMs, std::vector<uidriver::MessageBoxInfo>& shown)
{
    const size_t before = run.Process.MessageBoxes().size();
    const uidriver::ControlInfo* start = ControlAt(run.Info, "Button", 0);
    if (!start || !uidriver::PostClick(start->Handle))
        return false;
    uidriver::MessageBoxInfo box;
    run.Process.WaitForMessageBox(messageTimeoutMs, box);
    for (int i = 0; i < 100; ++i) {
        uidriver::ReadWindow(run.Window, run.Info);
        const uidriver::ControlInfo* cancel = ControlAt(run.Info, "Button", 1);
        if (cancel && cancel->Enabled)
            break;
        Sleep(50);
    }
    const std::vector<uidriver::MessageBoxInfo>& all = run.Process.MessageBoxes();
    shown.assign(all.begin() + static_cast<long>(before), all.end());
    return true;
}

const uidriver::ControlInfo* ControlAt(const uidriver::WindowInfo& info, const char* className, size_t index)
{
    for (const uidriver::ControlInfo& control : info.Controls) {
        if (control.ClassName == className && index-- == 0)
            return &control;
    }
    return nullptr;
}

std::string Describe(const std::vector<uidriver::MessageBoxInfo>& boxes)
{
    std::string text;
    for (const uidriver::MessageBoxInfo& box : boxes)
        text += "[" + box.Caption + "] " + box.Text + "\n";
    return text.empty() ? "(no message box)" : text;
}

}  // namespace e2e
