// StrToIntDef: whatever the text, either the default or the value a plain
// reference parse gives.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/SysUtils.h"

namespace {

// Reference: optional sign, then "$"/"0x"/"0X" and 1+ hex digits (<= 32 bits,
// two's complement), or 1+ decimal digits within the 32-bit range.
bool Reference(const std::string& s, long long& out)
{
    size_t i = 0;
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-'))
        negative = s[i++] == '-';
    bool hex = false;
    if (i < s.size() && s[i] == '$') {
        hex = true;
        ++i;
    } else if (i + 1 < s.size() && s[i] == '0' && (s[i + 1] == 'x' || s[i + 1] == 'X')) {
        hex = true;
        i += 2;
    }
    if (i == s.size())
        return false;
    unsigned long long v = 0;
    for (; i < s.size(); ++i) {
        const char c = s[i];
        int d = -1;
        if (c >= '0' && c <= '9')
            d = c - '0';
        else if (hex && c >= 'a' && c <= 'f')
            d = c - 'a' + 10;
        else if (hex && c >= 'A' && c <= 'F')
            d = c - 'A' + 10;
        if (d < 0)
            return false;
        v = v * (hex ? 16 : 10) + static_cast<unsigned>(d);
        if (v > 0xFFFFFFFFULL)
            return false;
    }
    if (hex) {
        uint32_t bits = static_cast<uint32_t>(v);
        if (negative)
            bits = 0u - bits;
        out = static_cast<int32_t>(bits);
        return true;
    }
    long long value = negative ? -static_cast<long long>(v) : static_cast<long long>(v);
    if (value < INT32_MIN || value > INT32_MAX)
        return false;
    out = value;
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size > 64)
        return 0;
    const std::string text(reinterpret_cast<const char*>(data), size);
    const AnsiString ansi(text.data(), static_cast<int>(text.size()));
    long long expected = 0;
    const bool valid = Reference(text, expected);
    const int got1 = StrToIntDef(ansi, 12345);
    const int got2 = StrToIntDef(ansi, -777);
    if (valid ? (got1 != expected || got2 != expected) : (got1 != 12345 || got2 != -777))
        std::abort();
    return 0;
}
