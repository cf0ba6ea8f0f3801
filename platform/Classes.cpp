#include "platform/Classes.h"

#include <cstring>

#include "platform/SysUtils.h"

const AnsiString& TStringList::operator[](int index) const
{
    if (index < 0 || index >= Count())
        throw ERangeError();
    return items_[static_cast<std::size_t>(index)];
}

int TStringList::Add(const AnsiString& item)
{
    items_.push_back(item);
    return Count() - 1;
}

void TStringList::AddStrings(const TStringList& source)
{
    if (&source == this) {
        TStringList copy;
        copy.AddStrings(source);
        AddStrings(copy);
        return;
    }
    items_.insert(items_.end(), source.items_.begin(), source.items_.end());
}

void TStringList::Delete(int index)
{
    if (index < 0 || index >= Count())
        throw ERangeError();
    items_.erase(items_.begin() + index);
}

void TStringList::LoadFromStream(const TCustomMemoryStream& stream)
{
    SetText(static_cast<const char*>(stream.Memory()), stream.Size());
}

void TStringList::SetText(const char* text, unsigned long length)
{
    Clear();
    if (!text)
        return;
    const void* nul = std::memchr(text, '\0', length);
    if (nul)
        length = static_cast<unsigned long>(static_cast<const char*>(nul) - text);
    unsigned long i = 0;
    while (i < length) {
        const unsigned long start = i;
        while (i < length && text[i] != '\r' && text[i] != '\n')
            ++i;
        if (i - start > 0x7FFFFFFEUL)
            throw ERangeError();
        Add(AnsiString(text + start, static_cast<int>(i - start)));
        if (i < length && text[i] == '\r')
            ++i;
        if (i < length && text[i] == '\n')
            ++i;
    }
}
