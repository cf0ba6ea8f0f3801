// The code-page text of the program: Shift_JIS bytes, lengths and positions
// count bytes, and the checked index counts from 1 (raises ERangeError).
#pragma once

#include <cstddef>

class AnsiString {
public:
    AnsiString() noexcept;
    AnsiString(const char* text);            // NUL-terminated; null gives empty
    AnsiString(const char* data, int length);  // may hold NUL bytes
    AnsiString(const AnsiString& other);
    AnsiString(AnsiString&& other) noexcept;
    AnsiString& operator=(const AnsiString& other);
    AnsiString& operator=(AnsiString&& other) noexcept;
    ~AnsiString();

    int Length() const noexcept { return length_; }
    bool IsEmpty() const noexcept { return length_ == 0; }
    // Always NUL-terminated, never null.
    const char* c_str() const noexcept { return data_ ? data_ : ""; }

    // Byte at a 1-based position; outside 1..Length raises ERangeError.
    char operator[](int index) const;

    // Bytes from a 1-based start, at most count of them; clipped to the text.
    AnsiString SubString(int start, int count) const;
    // 1-based position of the first occurrence of what, 0 when none.
    int Pos(const AnsiString& what) const;

    AnsiString& operator+=(const AnsiString& tail);
    AnsiString& operator+=(char byte);
    // data may point into this very text.
    void Append(const char* data, int length);

    friend bool operator==(const AnsiString& a, const AnsiString& b) noexcept;
    friend bool operator!=(const AnsiString& a, const AnsiString& b) noexcept { return !(a == b); }

private:
    void Reserve(int capacity);

    char* data_ = nullptr;
    int length_ = 0;
    int capacity_ = 0;
};

AnsiString operator+(const AnsiString& a, const AnsiString& b);
AnsiString operator+(const AnsiString& a, char b);
