// Scoped owners for COM and shell resources, and the one conversion of a
// code-page path to the UTF-16 form that shell interfaces take.
//
// Each owner holds one thing released by one function, releases it exactly
// once, cannot be copied (a copy would release twice) and can be moved.
#pragma once

#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include <utility>

// One reference to a COM interface, released once when the owner goes.
//
//   TComPtr<IShellLinkA> link;
//   if (CoCreateInstance(..., IID_IShellLinkA, link.PutVoid()) != S_OK) ...
//   link->GetPath(...);
template <class T>
class TComPtr {
public:
    TComPtr() noexcept = default;
    // Takes over a reference the caller already holds (no AddRef).
    explicit TComPtr(T* pointer) noexcept : pointer_(pointer) {}
    TComPtr(TComPtr&& other) noexcept : pointer_(other.Detach()) {}
    TComPtr& operator=(TComPtr&& other) noexcept
    {
        if (this != &other)
            Reset(other.Detach());
        return *this;
    }
    TComPtr(const TComPtr&) = delete;
    TComPtr& operator=(const TComPtr&) = delete;
    ~TComPtr() { Reset(); }

    // A new owner of its own reference to a pointer held elsewhere (AddRef).
    static TComPtr Share(T* pointer) noexcept
    {
        if (pointer)
            pointer->AddRef();
        return TComPtr(pointer);
    }

    T* Get() const noexcept { return pointer_; }
    T* operator->() const noexcept { return pointer_; }
    explicit operator bool() const noexcept { return pointer_ != nullptr; }

    // Releases what is held and gives the place for an out parameter
    // (T** as SHGetMalloc and similar functions take it).
    T** Put() noexcept
    {
        Reset();
        return &pointer_;
    }
    // The same place as void**, as CoCreateInstance and QueryInterface take it.
    void** PutVoid() noexcept { return reinterpret_cast<void**>(Put()); }

    // Releases what is held, if anything, and takes over pointer.
    void Reset(T* pointer = nullptr) noexcept
    {
        T* old = pointer_;
        pointer_ = pointer;
        if (old)
            old->Release();
    }
    // Hands the reference to the caller, who then releases it.
    T* Detach() noexcept
    {
        T* pointer = pointer_;
        pointer_ = nullptr;
        return pointer;
    }

private:
    T* pointer_ = nullptr;
};

// COM initialised on the calling thread for the owner's life:
// CoInitialize (apartment-threaded) on construction and, when that succeeded
// (S_OK, or S_FALSE for a thread already initialised), one CoUninitialize
// on destruction. When it failed (RPC_E_CHANGED_MODE on a thread that is in
// the multithreaded apartment) the thread's initialisation is not its own,
// and nothing is undone. Declare it before every COM owner of the scope, so
// that they are released first.
class TComInitialization {
public:
    TComInitialization() noexcept : result_(CoInitialize(nullptr)) {}
    TComInitialization(TComInitialization&& other) noexcept : result_(other.result_)
    {
        other.result_ = E_FAIL;
    }
    TComInitialization& operator=(TComInitialization&&) = delete;
    TComInitialization(const TComInitialization&) = delete;
    TComInitialization& operator=(const TComInitialization&) = delete;
    ~TComInitialization()
    {
        if (SUCCEEDED(result_))
            CoUninitialize();
    }

    // What CoInitialize returned.
    HRESULT Result() const noexcept { return result_; }

private:
    HRESULT result_;
};

// A shell item ID list (what SHGetSpecialFolderLocation, SHBrowseForFolder
// and IShellFolder::ParseDisplayName hand out), freed once with the shell
// allocator (IMalloc::Free).
//
// Built with an allocator, the owner keeps its own reference to it, so the
// allocator outlives the list. Built without one, the owner asks SHGetMalloc
// when it frees the list; if the allocator cannot be had, nothing is freed.
class TShellIdList {
public:
    TShellIdList() noexcept = default;
    explicit TShellIdList(IMalloc* allocator) noexcept : allocator_(TComPtr<IMalloc>::Share(allocator)) {}
    TShellIdList(TShellIdList&& other) noexcept
        : allocator_(std::move(other.allocator_)), idList_(other.Detach())
    {
    }
    TShellIdList& operator=(TShellIdList&& other) noexcept
    {
        if (this != &other) {
            Reset();
            allocator_ = std::move(other.allocator_);
            idList_ = other.Detach();
        }
        return *this;
    }
    TShellIdList(const TShellIdList&) = delete;
    TShellIdList& operator=(const TShellIdList&) = delete;
    ~TShellIdList() { Reset(); }

    PIDLIST_ABSOLUTE Get() const noexcept { return idList_; }
    explicit operator bool() const noexcept { return idList_ != nullptr; }

    // Frees what is held and gives the place for an out parameter.
    PIDLIST_ABSOLUTE* Put() noexcept
    {
        Reset();
        return &idList_;
    }

    // Frees the list held, if any, and takes over idList.
    void Reset(PIDLIST_ABSOLUTE idList = nullptr) noexcept
    {
        PIDLIST_ABSOLUTE old = idList_;
        idList_ = idList;
        if (!old)
            return;
        if (allocator_) {
            allocator_->Free(old);
        } else {
            TComPtr<IMalloc> allocator;
            if (SHGetMalloc(allocator.Put()) == S_OK)
                allocator->Free(old);
        }
    }
    // Hands the list to the caller, who then frees it.
    PIDLIST_ABSOLUTE Detach() noexcept
    {
        PIDLIST_ABSOLUTE idList = idList_;
        idList_ = nullptr;
        return idList;
    }

private:
    TComPtr<IMalloc> allocator_;
    PIDLIST_ABSOLUTE idList_ = nullptr;
};

// Converts a NUL-terminated code-page path (codePage, flags as
// MultiByteToWideChar takes them) into a buffer of MAX_PATH UTF-16 units.
// The length is measured first: a path that needs more than MAX_PATH units
// with its terminator, a null path or one that does not convert gives false,
// and the buffer is then not to be used. Shell interfaces that take a path
// as UTF-16 get it from here, so no path is ever handed on cut short.
inline bool CodePagePathToWide(const char* path, UINT codePage, DWORD flags, WCHAR (&wide)[MAX_PATH]) noexcept
{
    if (!path)
        return false;
    const int needed = MultiByteToWideChar(codePage, flags, path, -1, nullptr, 0);
    if (needed <= 0 || needed > MAX_PATH)
        return false;
    return MultiByteToWideChar(codePage, flags, path, -1, wide, MAX_PATH) == needed;
}
