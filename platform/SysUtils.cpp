#include "platform/SysUtils.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <vector>

#include "platform/CodePage.h"

ERangeError::ERangeError()
    : Exception("範囲外の位置が参照されました")
{
}

EResNotFound::EResNotFound(const AnsiString& resourceName)
    : Exception(Format("%s リソースが見つかりません", resourceName.c_str()))
{
}

EInvalidGraphic::EInvalidGraphic()
    : Exception("画像の形式が正しくありません")
{
}

EFCreateError::EFCreateError(const AnsiString& fileName)
    : Exception(Format("ファイル %s を作成できません", fileName.c_str()))
{
}

EWriteError::EWriteError()
    : Exception("ファイルへの書き込みが完了しませんでした")
{
}

TMbcsByteType ByteType(const AnsiString& text, int index)
{
    if (index < 1 || index > text.Length())
        return mbSingleByte;
    const char* bytes = text.c_str();
    int i = 0;
    while (i < index - 1) {
        if (IsLeadByteOfCodePage(static_cast<unsigned char>(bytes[i])) && i + 1 < text.Length())
            i += 2;
        else
            i += 1;
    }
    if (i == index)  // the previous lead byte covered this position
        return mbTrailByte;
    if (IsLeadByteOfCodePage(static_cast<unsigned char>(bytes[i])) && i + 1 < text.Length())
        return mbLeadByte;
    return mbSingleByte;
}

AnsiString Trim(const AnsiString& text)
{
    const unsigned char* bytes = reinterpret_cast<const unsigned char*>(text.c_str());
    int first = 0;
    int last = text.Length() - 1;
    while (first <= last && bytes[first] <= ' ')
        ++first;
    while (last >= first && bytes[last] <= ' ')
        --last;
    return text.SubString(first + 1, last - first + 1);
}

int AnsiCompareText(const AnsiString& a, const AnsiString& b)
{
    return CompareTextIgnoringCase(a.c_str(), a.Length(), b.c_str(), b.Length());
}

AnsiString StringReplace(const AnsiString& text, const AnsiString& from, const AnsiString& to)
{
    if (from.IsEmpty())
        return text;
    AnsiString result;
    const char* bytes = text.c_str();
    const int length = text.Length();
    int start = 0;
    for (int i = 0; i + from.Length() <= length;) {
        if (std::memcmp(bytes + i, from.c_str(), from.Length()) == 0) {
            result.Append(bytes + start, i - start);
            result += to;
            i += from.Length();
            start = i;
        } else {
            ++i;
        }
    }
    result.Append(bytes + start, length - start);
    return result;
}

namespace {

int HexDigitValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

}  // namespace

int StrToIntDef(const AnsiString& text, int defaultValue)
{
    const char* p = text.c_str();
    const char* end = p + text.Length();
    bool negative = false;
    if (p < end && (*p == '+' || *p == '-')) {
        negative = *p == '-';
        ++p;
    }
    if (p < end && *p == '$') {
        ++p;
    } else if (end - p >= 2 && p[0] == '0' && (p[1] == 'x' || p[1] == 'X')) {
        p += 2;
    } else {
        // Decimal: the magnitude may reach 2^31 only for a negative number.
        if (p == end)
            return defaultValue;
        unsigned long long magnitude = 0;
        for (; p < end; ++p) {
            if (*p < '0' || *p > '9')
                return defaultValue;
            magnitude = magnitude * 10 + static_cast<unsigned>(*p - '0');
            if (magnitude > 0x80000000ULL)
                return defaultValue;
        }
        if (!negative && magnitude > 0x7FFFFFFFULL)
            return defaultValue;
        return static_cast<int>(negative ? -static_cast<long long>(magnitude) : static_cast<long long>(magnitude));
    }
    // Hexadecimal: up to 32 bits, taken as a signed 32-bit pattern.
    if (p == end)
        return defaultValue;
    unsigned long long value = 0;
    for (; p < end; ++p) {
        int digit = HexDigitValue(*p);
        if (digit < 0)
            return defaultValue;
        value = value * 16 + static_cast<unsigned>(digit);
        if (value > 0xFFFFFFFFULL)
            return defaultValue;
    }
    unsigned int bits = static_cast<unsigned int>(value);
    if (negative)
        bits = 0u - bits;
    return static_cast<int>(bits);
}

AnsiString ExtractFilePath(const AnsiString& path)
{
    const char* bytes = path.c_str();
    const int length = path.Length();
    int cut = 0;
    for (int i = 0; i < length;) {
        if (IsLeadByteOfCodePage(static_cast<unsigned char>(bytes[i])) && i + 1 < length) {
            i += 2;
            continue;
        }
        if (bytes[i] == '\\' || bytes[i] == ':')
            cut = i + 1;
        ++i;
    }
    return path.SubString(1, cut);
}

AnsiString IncludeTrailingBackslash(const AnsiString& path)
{
    const int last = path.Length();
    if (last > 0 && path.c_str()[last - 1] == '\\' && ByteType(path, last) == mbSingleByte)
        return path;
    return path + '\\';
}

namespace {

// On Windows the formatting is the system C library's (msvcrt), which knows
// every conversion the program uses (%d, %s, %lx with flags and widths): the
// toolchain's own C99 printf would add its whole engine, floating point
// included, to the executable.
#if defined(_WIN32)
int FormattedLength(const char* format, va_list args)
{
    return _vscprintf(format, args);
}

int FormatInto(char* buffer, std::size_t size, const char* format, va_list args)
{
    return _vsnprintf(buffer, size, format, args);
}
#else
int FormattedLength(const char* format, va_list args)
{
    return std::vsnprintf(nullptr, 0, format, args);
}

int FormatInto(char* buffer, std::size_t size, const char* format, va_list args)
{
    return std::vsnprintf(buffer, size, format, args);
}
#endif

}  // namespace

AnsiString Format(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    va_list measure;
    va_copy(measure, args);
    int needed = FormattedLength(format, measure);
    va_end(measure);
    AnsiString result;
    if (needed > 0) {
        std::vector<char> buffer(static_cast<std::size_t>(needed) + 1);
        if (FormatInto(buffer.data(), buffer.size(), format, args) == needed)
            result = AnsiString(buffer.data(), needed);
    }
    va_end(args);
    return result;
}
