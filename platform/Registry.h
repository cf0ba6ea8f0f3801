// Read-only access to the registry through the code-page ("A") interfaces.
#pragma once

#include <windows.h>

#include "platform/AnsiString.h"

// Owns one open registry key and closes it exactly once. Never owns a
// predefined root (HKEY_CURRENT_USER...), which is not to be closed.
class TRegKey {
public:
    TRegKey() noexcept = default;
    explicit TRegKey(HKEY key) noexcept : key_(key) {}
    TRegKey(TRegKey&& other) noexcept : key_(other.key_) { other.key_ = nullptr; }
    TRegKey& operator=(TRegKey&& other) noexcept;
    TRegKey(const TRegKey&) = delete;
    TRegKey& operator=(const TRegKey&) = delete;
    ~TRegKey() { Reset(); }

    HKEY Get() const noexcept { return key_; }
    explicit operator bool() const noexcept { return key_ != nullptr; }
    // Closes the key held, if any, and takes the new one.
    void Reset(HKEY key = nullptr) noexcept;

private:
    HKEY key_ = nullptr;
};

// A registry accessor: a root key and at most one key held open below it,
// opened for reading only. The held key is closed when the accessor goes.
class TRegistry {
public:
    TRegistry() = default;

    HKEY RootKey() const noexcept { return rootKey_; }
    // Later opening starts from the new root; the key held open is closed.
    void SetRootKey(HKEY root) noexcept;

    // Opens key (which may name several levels) with KEY_READ below the key
    // held open, or below the root when none is. On success the new key
    // replaces the one held; on failure that one stays and false is returned.
    bool OpenKeyReadOnly(const AnsiString& key);

    // The named value of the key held open. Empty when no key is open, when
    // the value does not exist or when it has no bytes. REG_SZ and
    // REG_EXPAND_SZ give the stored text up to its first NUL, unexpanded; any
    // other type, or a value that cannot be read, raises ERegistryException.
    AnsiString ReadString(const AnsiString& name);

private:
    HKEY rootKey_ = HKEY_CURRENT_USER;
    TRegKey currentKey_;
};
