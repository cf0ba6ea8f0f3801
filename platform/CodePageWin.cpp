#include "platform/CodePage.h"

#include <windows.h>

bool IsLeadByteOfCodePage(unsigned char byte)
{
    return IsDBCSLeadByte(byte) != FALSE;
}

int CompareTextIgnoringCase(const char* a, int lengthA, const char* b, int lengthB)
{
    return CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, a, lengthA, b, lengthB) - CSTR_EQUAL;
}
