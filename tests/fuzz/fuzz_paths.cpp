// ExtractFilePath and the trailing-backslash rule under code page 932: the
// directory is a prefix ending at a single-byte delimiter, and the trailing
// backslash is added exactly when the last character is not one.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "platform/SysUtils.h"

namespace {

bool EndsWithSingleByte(const AnsiString& s, char c)
{
    return s.Length() > 0 && s.c_str()[s.Length() - 1] == c && ByteType(s, s.Length()) == mbSingleByte;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > 4096)
        return 0;
    const AnsiString path(reinterpret_cast<const char*>(data), static_cast<int>(size));

    const AnsiString dir = ExtractFilePath(path);
    if (dir.Length() > path.Length() || std::memcmp(dir.c_str(), path.c_str(), dir.Length()) != 0)
        std::abort();
    if (!dir.IsEmpty() && !EndsWithSingleByte(dir, '\\') && !EndsWithSingleByte(dir, ':'))
        std::abort();
    // Nothing after the cut is a single-byte delimiter.
    for (int i = dir.Length() + 1; i <= path.Length(); ++i) {
        const char c = path.c_str()[i - 1];
        if ((c == '\\' || c == ':') && ByteType(path, i) == mbSingleByte)
            std::abort();
    }

    // A text cut inside a double-byte character has no whole last character;
    // a backslash after it would join that character.
    if (path.Length() > 0 && ByteType(path + 'A', path.Length()) == mbLeadByte)
        return 0;
    const AnsiString withSlash = IncludeTrailingBackslash(path);
    if (!EndsWithSingleByte(withSlash, '\\'))
        std::abort();
    const bool had = EndsWithSingleByte(path, '\\');
    if (withSlash.Length() != path.Length() + (had ? 0 : 1))
        std::abort();
    if (!(IncludeTrailingBackslash(withSlash) == withSlash))
        std::abort();
    return 0;
}
