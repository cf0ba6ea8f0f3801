#include "ShortcutTestSupport.h"

#include <objbase.h>
#include <objidl.h>

#include <set>

#include "platform/ComOwners.h"
#include "support/tqxfileseam.h"

const char kBrand[] = "Hoshizora Soft";

namespace {

// Wine hands every shortcut saved under the Start menu to a menu builder
// process of its own. That process would rewrite the shell-folder keys that
// the tests take away, at a time of its choosing, and outlive the test
// holding its output open. Processes started from here leave it out.
struct MenuBuilderOff {
    MenuBuilderOff()
    {
        char old[4096] = {};
        const DWORD length = GetEnvironmentVariableA("WINEDLLOVERRIDES", old, sizeof old);
        std::string value = "winemenubuilder.exe=d";
        if (length > 0 && length < sizeof old)
            value += ";" + std::string(old, length);
        SetEnvironmentVariableA("WINEDLLOVERRIDES", value.c_str());
    }
} menuBuilderOff;

}  // namespace

std::wstring Wide(const std::string& text)
{
    const int units = MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, nullptr, 0);
    if (units <= 0)
        return std::wstring();
    std::wstring wide(static_cast<size_t>(units), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.c_str(), -1, &wide[0], units);
    wide.resize(static_cast<size_t>(units - 1));
    return wide;
}

std::string Narrow(const std::wstring& text)
{
    const int bytes = WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    if (bytes <= 0)
        return std::string();
    std::string narrow(static_cast<size_t>(bytes), '\0');
    WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, &narrow[0], bytes, nullptr, nullptr);
    narrow.resize(static_cast<size_t>(bytes - 1));
    return narrow;
}

std::string RealSpecialFolder(int csidl)
{
    char path[MAX_PATH] = {};
    if (SHGetFolderPathA(nullptr, csidl | CSIDL_FLAG_CREATE, nullptr, SHGFP_TYPE_CURRENT, path) != S_OK)
        return std::string();
    return path;
}

std::string TempFolder()
{
    char path[MAX_PATH + 1] = {};
    const DWORD length = GetTempPathA(sizeof path, path);
    if (length == 0 || length > MAX_PATH)
        return std::string();
    std::string folder(path, length);
    while (!folder.empty() && folder.back() == '\\')
        folder.pop_back();
    return folder;
}

namespace {

HRESULT SaveLink(IShellLinkA* link, const std::string& linkPath)
{
    TComPtr<IPersistFile> persistFile;
    HRESULT result = link->QueryInterface(IID_IPersistFile, persistFile.PutVoid());
    if (result != S_OK)
        return result;
    return persistFile->Save(Wide(linkPath).c_str(), TRUE);
}

}  // namespace

HRESULT CreateShortcut(const std::string& linkPath, const std::string& targetPath)
{
    TComInitialization com;
    TComPtr<IShellLinkA> link;
    HRESULT result = CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA, link.PutVoid());
    if (result != S_OK)
        return result;
    result = link->SetPath(targetPath.c_str());
    if (result != S_OK)
        return result;
    return SaveLink(link.Get(), linkPath);
}

HRESULT CreateShortcutToIdList(const std::string& linkPath, PCIDLIST_ABSOLUTE idList)
{
    TComInitialization com;
    TComPtr<IShellLinkA> link;
    HRESULT result = CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA, link.PutVoid());
    if (result != S_OK)
        return result;
    result = link->SetIDList(idList);
    if (result != S_OK)
        return result;
    return SaveLink(link.Get(), linkPath);
}

bool TScratch::Folder(const std::string& path)
{
    const std::wstring wide = Wide(path);
    for (size_t at = wide.find(L'\\', 3);; at = wide.find(L'\\', at + 1)) {
        const std::wstring part = wide.substr(0, at);
        if (!part.empty() && GetFileAttributesW(part.c_str()) == INVALID_FILE_ATTRIBUTES) {
            if (!CreateDirectoryW(part.c_str(), nullptr))
                return false;
            items_.push_back({part, true});
        }
        if (at == std::wstring::npos)
            break;
    }
    const DWORD attributes = GetFileAttributesW(wide.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

bool TScratch::File(const std::string& path, const std::string& contents)
{
    const size_t slash = path.rfind('\\');
    if (slash != std::string::npos && !Folder(path.substr(0, slash)))
        return false;
    const std::wstring wide = Wide(path);
    HANDLE file = CreateFileW(wide.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    items_.push_back({wide, false});
    DWORD written = 0;
    const BOOL ok = WriteFile(file, contents.data(), static_cast<DWORD>(contents.size()), &written, nullptr);
    CloseHandle(file);
    return ok && written == contents.size();
}

bool TScratch::Shortcut(const std::string& linkPath, const std::string& targetPath)
{
    const size_t slash = linkPath.rfind('\\');
    if (slash != std::string::npos && !Folder(linkPath.substr(0, slash)))
        return false;
    if (CreateShortcut(linkPath, targetPath) != S_OK)
        return false;
    items_.push_back({Wide(linkPath), false});
    return true;
}

void TScratch::Track(const std::string& path, bool isFolder)
{
    items_.push_back({Wide(path), isFolder});
}

void TScratch::RemoveAll()
{
    for (auto it = items_.rbegin(); it != items_.rend(); ++it) {
        if (it->isFolder) {
            // The shell may still look into a folder it was shown a moment ago.
            for (int attempt = 0; attempt < 20 && !RemoveDirectoryW(it->path.c_str()) &&
                                  GetFileAttributesW(it->path.c_str()) != INVALID_FILE_ATTRIBUTES;
                 ++attempt)
                Sleep(50);
        } else
            DeleteFileW(it->path.c_str());
    }
    items_.clear();
}

TRegistryValueGuard::TRegistryValueGuard(HKEY root, const std::wstring& key, const std::wstring& name)
    : root_(root), key_(key), name_(name)
{
    DWORD size = 0;
    if (RegGetValueW(root_, key_.c_str(), name_.c_str(), RRF_RT_ANY | RRF_NOEXPAND, &type_, nullptr, &size) ==
        ERROR_SUCCESS) {
        data_.resize(size);
        existed_ = RegGetValueW(root_, key_.c_str(), name_.c_str(), RRF_RT_ANY | RRF_NOEXPAND, &type_,
                                data_.empty() ? nullptr : data_.data(), &size) == ERROR_SUCCESS;
        data_.resize(size);
    }
}

TRegistryValueGuard::~TRegistryValueGuard()
{
    HKEY key = nullptr;
    if (RegCreateKeyExW(root_, key_.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) != ERROR_SUCCESS)
        return;
    if (existed_)
        RegSetValueExW(key, name_.c_str(), 0, type_, data_.empty() ? nullptr : data_.data(),
                       static_cast<DWORD>(data_.size()));
    else
        RegDeleteValueW(key, name_.c_str());
    RegCloseKey(key);
}

LSTATUS TRegistryValueGuard::SetString(const std::string& text, DWORD type)
{
    HKEY key = nullptr;
    LSTATUS status = RegCreateKeyExW(root_, key_.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr);
    if (status != ERROR_SUCCESS)
        return status;
    status = RegSetValueExA(key, Narrow(name_).c_str(), 0, type, reinterpret_cast<const BYTE*>(text.c_str()),
                            static_cast<DWORD>(text.size() + 1));
    RegCloseKey(key);
    return status;
}

LSTATUS TRegistryValueGuard::SetDword(DWORD value)
{
    HKEY key = nullptr;
    LSTATUS status = RegCreateKeyExW(root_, key_.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr);
    if (status != ERROR_SUCCESS)
        return status;
    status = RegSetValueExW(key, name_.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
    RegCloseKey(key);
    return status;
}

LSTATUS TRegistryValueGuard::Delete()
{
    HKEY key = nullptr;
    LSTATUS status = RegOpenKeyExW(root_, key_.c_str(), 0, KEY_SET_VALUE, &key);
    if (status != ERROR_SUCCESS)
        return status;
    status = RegDeleteValueW(key, name_.c_str());
    RegCloseKey(key);
    return status;
}

TRegistryKeyLock::TRegistryKeyLock(HKEY root, const std::wstring& key) : root_(root), key_(key)
{
    HKEY handle = nullptr;
    DWORD disposition = 0;
    status_ = RegCreateKeyExW(root_, key_.c_str(), 0, nullptr, 0, READ_CONTROL | WRITE_DAC, nullptr, &handle,
                              &disposition);
    if (status_ != ERROR_SUCCESS)
        return;
    created_ = disposition == REG_CREATED_NEW_KEY;
    DWORD size = 0;
    RegGetKeySecurity(handle, DACL_SECURITY_INFORMATION, nullptr, &size);
    oldSecurity_.resize(size);
    status_ = size == 0 ? ERROR_INVALID_DATA
                        : RegGetKeySecurity(handle, DACL_SECURITY_INFORMATION, oldSecurity_.data(), &size);

    BYTE everyone[SECURITY_MAX_SID_SIZE];
    DWORD sidSize = sizeof everyone;
    alignas(DWORD) BYTE aclBuffer[256];
    ACL* acl = reinterpret_cast<ACL*>(aclBuffer);
    SECURITY_DESCRIPTOR descriptor;
    if (status_ == ERROR_SUCCESS &&
        !(CreateWellKnownSid(WinWorldSid, nullptr, everyone, &sidSize) &&
          InitializeAcl(acl, sizeof aclBuffer, ACL_REVISION) &&
          AddAccessDeniedAce(acl, ACL_REVISION, KEY_QUERY_VALUE, everyone) &&
          AddAccessAllowedAce(acl, ACL_REVISION, KEY_ALL_ACCESS, everyone) &&
          InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION) &&
          SetSecurityDescriptorDacl(&descriptor, TRUE, acl, FALSE)))
        status_ = static_cast<LSTATUS>(GetLastError());
    if (status_ == ERROR_SUCCESS)
        status_ = RegSetKeySecurity(handle, DACL_SECURITY_INFORMATION, &descriptor);
    locked_ = status_ == ERROR_SUCCESS;
    RegCloseKey(handle);
}

TRegistryKeyLock::~TRegistryKeyLock()
{
    HKEY handle = nullptr;
    if (locked_ && RegOpenKeyExW(root_, key_.c_str(), 0, WRITE_DAC, &handle) == ERROR_SUCCESS) {
        RegSetKeySecurity(handle, DACL_SECURITY_INFORMATION, oldSecurity_.data());
        RegCloseKey(handle);
    }
    if (created_)
        RegDeleteKeyW(root_, key_.c_str());
}

TEnvironmentGuard::TEnvironmentGuard(const char* name, const std::string& value) : name_(name)
{
    char buffer[32768];
    const DWORD length = GetEnvironmentVariableA(name, buffer, sizeof buffer);
    existed_ = length > 0 && length < sizeof buffer;
    if (existed_)
        old_.assign(buffer, length);
    SetEnvironmentVariableA(name, value.c_str());
}

TEnvironmentGuard::~TEnvironmentGuard()
{
    SetEnvironmentVariableA(name_.c_str(), existed_ ? old_.c_str() : nullptr);
}

TCurrentDirectoryGuard::TCurrentDirectoryGuard(const std::string& path)
{
    char buffer[MAX_PATH] = {};
    const DWORD length = GetCurrentDirectoryA(sizeof buffer, buffer);
    old_.assign(buffer, length < sizeof buffer ? length : 0);
    changed_ = !old_.empty() && SetCurrentDirectoryA(path.c_str());
}

TCurrentDirectoryGuard::~TCurrentDirectoryGuard()
{
    if (changed_)
        SetCurrentDirectoryA(old_.c_str());
}

namespace {

struct StandInState {
    bool fail = false;
    TShellIdList idList;
};

std::map<int, StandInState> standIns;
HWND lastOwner = nullptr;
int calls = 0;

HRESULT WINAPI StandInLocation(HWND owner, int folder, PIDLIST_ABSOLUTE* idList)
{
    ++calls;
    lastOwner = owner;
    auto found = standIns.find(folder);
    if (found == standIns.end())
        return SHGetSpecialFolderLocation(owner, folder, idList);
    *idList = nullptr;
    if (found->second.fail)
        return E_FAIL;
    *idList = ILClone(found->second.idList.Get());
    return *idList ? S_OK : E_OUTOFMEMORY;
}

}  // namespace

TFolderStandIns::TFolderStandIns(const std::map<int, FolderStandIn>& given)
{
    standIns.clear();
    for (const auto& entry : given) {
        StandInState& state = standIns[entry.first];
        state.fail = entry.second.fail;
        if (!state.fail) {
            const std::wstring path = Wide(entry.second.path);
            if (GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES) {
                ready_ = ready_ && SHParseDisplayName(path.c_str(), nullptr, state.idList.Put(), 0, nullptr) == S_OK;
            } else {
                // A folder that cannot be made here (names outside the host's
                // file-name character set): an ID list built from the text alone.
                using SimpleIdListFunc = PIDLIST_ABSOLUTE(WINAPI*)(PCWSTR);
                const auto simpleIdList = reinterpret_cast<SimpleIdListFunc>(
                    reinterpret_cast<void (*)()>(GetProcAddress(GetModuleHandleA("shell32.dll"), MAKEINTRESOURCEA(162))));
                state.idList.Reset(simpleIdList ? simpleIdList(path.c_str()) : nullptr);
                ready_ = ready_ && state.idList;
            }
        }
    }
    lastOwner = nullptr;
    calls = 0;
    SetSpecialFolderLocationFunc(StandInLocation);
}

TFolderStandIns::~TFolderStandIns()
{
    SetSpecialFolderLocationFunc(nullptr);
    standIns.clear();
}

HWND TFolderStandIns::LastOwner()
{
    return lastOwner;
}

int TFolderStandIns::Calls()
{
    return calls;
}

namespace {

// Keeps the set of live blocks of the task allocator.
class TMallocSpy : public IMallocSpy {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override
    {
        if (iid == IID_IUnknown || iid == IID_IMallocSpy) {
            *object = static_cast<IMallocSpy*>(this);
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 2; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }

    SIZE_T STDMETHODCALLTYPE PreAlloc(SIZE_T size) override { return size; }
    void* STDMETHODCALLTYPE PostAlloc(void* actual) override
    {
        if (actual)
            live.insert(actual);
        return actual;
    }
    void* STDMETHODCALLTYPE PreFree(void* request, BOOL) override
    {
        live.erase(request);
        return request;
    }
    void STDMETHODCALLTYPE PostFree(BOOL) override {}
    SIZE_T STDMETHODCALLTYPE PreRealloc(void* request, SIZE_T size, void** newRequest, BOOL) override
    {
        live.erase(request);
        *newRequest = request;
        return size;
    }
    void* STDMETHODCALLTYPE PostRealloc(void* actual, BOOL) override
    {
        if (actual)
            live.insert(actual);
        return actual;
    }
    void* STDMETHODCALLTYPE PreGetSize(void* request, BOOL) override { return request; }
    SIZE_T STDMETHODCALLTYPE PostGetSize(SIZE_T actual, BOOL) override { return actual; }
    void* STDMETHODCALLTYPE PreDidAlloc(void* request, BOOL) override { return request; }
    int STDMETHODCALLTYPE PostDidAlloc(void*, BOOL, int actual) override { return actual; }
    void STDMETHODCALLTYPE PreHeapMinimize() override {}
    void STDMETHODCALLTYPE PostHeapMinimize() override {}

    std::set<void*> live;
};

TMallocSpy spy;

}  // namespace

TAllocationCounter::TAllocationCounter()
{
    spy.live.clear();
    registered_ = CoRegisterMallocSpy(&spy) == S_OK;
}

TAllocationCounter::~TAllocationCounter()
{
    if (registered_)
        CoRevokeMallocSpy();
}

long TAllocationCounter::Outstanding() const
{
    return static_cast<long>(spy.live.size());
}
