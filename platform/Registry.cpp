#include "platform/Registry.h"

#include <cstring>
#include <vector>

#include "platform/SysUtils.h"

namespace {

// A name holding a NUL byte cannot be handed to the "A" interfaces without
// being cut short, which would name another key or value.
bool HasNulByte(const AnsiString& text)
{
    return std::strlen(text.c_str()) != static_cast<size_t>(text.Length());
}

bool IsStringType(DWORD type)
{
    return type == REG_SZ || type == REG_EXPAND_SZ;
}

[[noreturn]] void RaiseWrongType(const AnsiString& name)
{
    throw ERegistryException(Format("レジストリの値 '%s' は文字列ではありません", name.c_str()));
}

[[noreturn]] void RaiseReadFailure(const AnsiString& name)
{
    throw ERegistryException(Format("レジストリの値 '%s' を読み取れません", name.c_str()));
}

}  // namespace

TRegKey& TRegKey::operator=(TRegKey&& other) noexcept
{
    if (this != &other) {
        Reset(other.key_);
        other.key_ = nullptr;
    }
    return *this;
}

void TRegKey::Reset(HKEY key) noexcept
{
    if (key_ && key_ != key)
        RegCloseKey(key_);
    key_ = key;
}

void TRegistry::SetRootKey(HKEY root) noexcept
{
    currentKey_.Reset();
    rootKey_ = root;
}

bool TRegistry::OpenKeyReadOnly(const AnsiString& key)
{
    if (HasNulByte(key))
        return false;
    HKEY parent = currentKey_ ? currentKey_.Get() : rootKey_;
    HKEY opened = nullptr;
    if (RegOpenKeyExA(parent, key.c_str(), 0, KEY_READ, &opened) != ERROR_SUCCESS)
        return false;
    currentKey_.Reset(opened);
    return true;
}

AnsiString TRegistry::ReadString(const AnsiString& name)
{
    if (!currentKey_ || HasNulByte(name))
        return AnsiString();

    DWORD type = REG_NONE;
    DWORD size = 0;
    LONG status = RegQueryValueExA(currentKey_.Get(), name.c_str(), nullptr, &type, nullptr, &size);
    if (status == ERROR_FILE_NOT_FOUND)
        return AnsiString();
    if (status != ERROR_SUCCESS)
        RaiseReadFailure(name);
    if (size == 0)
        return AnsiString();
    if (!IsStringType(type))
        RaiseWrongType(name);

    // The stored text need not end in a NUL: one more zero byte is kept after
    // what the query may fill. The value may grow between the two queries.
    std::vector<char> buffer;
    for (int attempt = 0; attempt < 4; ++attempt) {
        buffer.assign(static_cast<size_t>(size) + 1, '\0');
        DWORD filled = size;
        status = RegQueryValueExA(currentKey_.Get(), name.c_str(), nullptr, &type,
                                  reinterpret_cast<BYTE*>(buffer.data()), &filled);
        if (status == ERROR_MORE_DATA) {
            size = filled;
            continue;
        }
        if (status == ERROR_FILE_NOT_FOUND)
            return AnsiString();
        if (status != ERROR_SUCCESS)
            RaiseReadFailure(name);
        if (filled == 0)
            return AnsiString();
        if (!IsStringType(type))
            RaiseWrongType(name);
        if (filled > size)
            filled = size;
        const size_t textLength = strnlen(buffer.data(), filled);
        return AnsiString(buffer.data(), static_cast<int>(textLength));
    }
    RaiseReadFailure(name);
}
