// The two things the text code asks of the system: whether a byte leads a
// double-byte character under the ANSI code page, and a case-blind compare.
// CodePageWin.cpp answers them through Windows; CodePageNative.cpp answers
// them for code page 932 alone, for native builds (fuzzing).
#pragma once

bool IsLeadByteOfCodePage(unsigned char byte);

// <0, 0 or >0, comparing two byte texts whole and ignoring letter case
// under the user's default locale.
int CompareTextIgnoringCase(const char* a, int lengthA, const char* b, int lengthB);
