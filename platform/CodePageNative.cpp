#include "platform/CodePage.h"

// Code page 932: lead bytes are 0x81-0x9F and 0xE0-0xFC.
bool IsLeadByteOfCodePage(unsigned char byte)
{
    return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}

// ASCII letters compared without case; every other byte as it is.
int CompareTextIgnoringCase(const char* a, int lengthA, const char* b, int lengthB)
{
    auto fold = [](unsigned char c) { return (c >= 'a' && c <= 'z') ? c - 'a' + 'A' : c; };
    for (int i = 0; i < lengthA && i < lengthB; ++i) {
        int d = fold(static_cast<unsigned char>(a[i])) - fold(static_cast<unsigned char>(b[i]));
        if (d != 0)
            return d;
    }
    return lengthA - lengthB;
}
