// Text lists and memory streams.
#pragma once

#include <vector>

#include "platform/AnsiString.h"

// A read-only view of bytes held elsewhere (a resource, a test buffer).
class TCustomMemoryStream {
public:
    TCustomMemoryStream(const TCustomMemoryStream&) = delete;
    TCustomMemoryStream& operator=(const TCustomMemoryStream&) = delete;
    virtual ~TCustomMemoryStream() = default;

    const void* Memory() const noexcept { return memory_; }
    unsigned long Size() const noexcept { return size_; }

    // Writes the whole stream to a file, replacing it in one step: the bytes
    // go to a temporary file beside it first, so a failed write leaves the old
    // file as it was. Raises EFCreateError or EWriteError.
    void SaveToFile(const AnsiString& fileName) const;

protected:
    TCustomMemoryStream() = default;
    void SetPointer(const void* memory, unsigned long size) noexcept
    {
        memory_ = memory;
        size_ = size;
    }

private:
    const void* memory_ = nullptr;
    unsigned long size_ = 0;
};

// A stream over bytes the caller keeps alive.
class TBytesView : public TCustomMemoryStream {
public:
    TBytesView(const void* memory, unsigned long size) { SetPointer(memory, size); }
};

// Ordered list of texts, duplicates kept, positions from 0.
class TStringList {
public:
    int Count() const noexcept { return static_cast<int>(items_.size()); }
    // Position outside 0..Count-1 raises ERangeError.
    const AnsiString& operator[](int index) const;
    int Add(const AnsiString& item);
    void AddStrings(const TStringList& source);
    void Delete(int index);
    void Clear() noexcept { items_.clear(); }

    // The stream's bytes up to its first NUL, cut into lines at CR, LF or
    // CR LF; a break at the very end starts no further line.
    void LoadFromStream(const TCustomMemoryStream& stream);
    void SetText(const char* text, unsigned long length);

private:
    std::vector<AnsiString> items_;
};
