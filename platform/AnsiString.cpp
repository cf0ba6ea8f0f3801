#include "platform/AnsiString.h"

#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <new>

#include "platform/SysUtils.h"

AnsiString::AnsiString() noexcept = default;

AnsiString::AnsiString(const char* text)
{
    if (text)
        Append(text, static_cast<int>(std::strlen(text)));
}

AnsiString::AnsiString(const char* data, int length)
{
    if (data && length > 0)
        Append(data, length);
}

AnsiString::AnsiString(const AnsiString& other)
{
    Append(other.data_, other.length_);
}

AnsiString::AnsiString(AnsiString&& other) noexcept
    : data_(other.data_), length_(other.length_), capacity_(other.capacity_)
{
    other.data_ = nullptr;
    other.length_ = other.capacity_ = 0;
}

AnsiString& AnsiString::operator=(const AnsiString& other)
{
    if (this != &other) {
        AnsiString copy(other);
        *this = static_cast<AnsiString&&>(copy);
    }
    return *this;
}

AnsiString& AnsiString::operator=(AnsiString&& other) noexcept
{
    if (this != &other) {
        std::free(data_);
        data_ = other.data_;
        length_ = other.length_;
        capacity_ = other.capacity_;
        other.data_ = nullptr;
        other.length_ = other.capacity_ = 0;
    }
    return *this;
}

AnsiString::~AnsiString()
{
    std::free(data_);
}

char AnsiString::operator[](int index) const
{
    if (index < 1 || index > length_)
        throw ERangeError();
    return data_[index - 1];
}

AnsiString AnsiString::SubString(int start, int count) const
{
    if (start < 1)
        start = 1;
    if (start > length_ || count <= 0)
        return AnsiString();
    if (count > length_ - start + 1)
        count = length_ - start + 1;
    return AnsiString(data_ + start - 1, count);
}

int AnsiString::Pos(const AnsiString& what) const
{
    if (what.length_ == 0 || what.length_ > length_)
        return 0;
    for (int i = 0; i + what.length_ <= length_; ++i) {
        if (std::memcmp(data_ + i, what.data_, what.length_) == 0)
            return i + 1;
    }
    return 0;
}

AnsiString& AnsiString::operator+=(const AnsiString& tail)
{
    Append(tail.data_, tail.length_);
    return *this;
}

AnsiString& AnsiString::operator+=(char byte)
{
    Append(&byte, 1);
    return *this;
}

void AnsiString::Append(const char* data, int length)
{
    if (!data || length <= 0)
        return;
    if (length > 0x7FFFFFFE - length_)
        throw std::bad_alloc();
    // Bytes of this very text (s.Append(s.c_str(), ...)) move with the buffer.
    const std::less_equal<const char*> notAfter;
    const bool inside = data_ && notAfter(data_, data) && notAfter(data, data_ + length_);
    const std::ptrdiff_t offset = inside ? data - data_ : 0;
    Reserve(length_ + length);
    if (inside)
        data = data_ + offset;
    std::memcpy(data_ + length_, data, length);
    length_ += length;
    data_[length_] = '\0';
}

void AnsiString::Reserve(int capacity)
{
    if (capacity <= capacity_ && data_)
        return;
    int grown = capacity_ < 0x3FFFFFFF ? capacity_ * 2 : capacity;
    if (grown < capacity)
        grown = capacity;
    if (grown < 15)
        grown = 15;
    char* bigger = static_cast<char*>(std::realloc(data_, static_cast<std::size_t>(grown) + 1));
    if (!bigger)
        throw std::bad_alloc();
    data_ = bigger;
    capacity_ = grown;
}

bool operator==(const AnsiString& a, const AnsiString& b) noexcept
{
    return a.length_ == b.length_ && (a.length_ == 0 || std::memcmp(a.data_, b.data_, a.length_) == 0);
}

AnsiString operator+(const AnsiString& a, const AnsiString& b)
{
    AnsiString joined(a);
    joined += b;
    return joined;
}

AnsiString operator+(const AnsiString& a, char b)
{
    AnsiString joined(a);
    joined += b;
    return joined;
}
