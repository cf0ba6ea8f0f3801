// Exceptions and the text and path functions the program stands on.
#pragma once

#include "platform/AnsiString.h"

// Base of every exception the platform raises; carries a message.
class Exception {
public:
    explicit Exception(const AnsiString& message) : Message(message) {}
    virtual ~Exception() = default;
    AnsiString Message;
};

// A checked position outside a text.
class ERangeError : public Exception {
public:
    ERangeError();
};

// A resource of the program that is not there: "%s リソースが見つかりません".
class EResNotFound : public Exception {
public:
    explicit EResNotFound(const AnsiString& resourceName);
};

// Bytes that are not a picture the platform can read.
class EInvalidGraphic : public Exception {
public:
    EInvalidGraphic();
};

// A registry value the accessor cannot read as asked.
class ERegistryException : public Exception {
public:
    explicit ERegistryException(const AnsiString& message) : Exception(message) {}
};

// A file that cannot be created.
class EFCreateError : public Exception {
public:
    explicit EFCreateError(const AnsiString& fileName);
};

// A write that falls short.
class EWriteError : public Exception {
public:
    EWriteError();
};

// Kind of a byte within its text.
enum TMbcsByteType { mbSingleByte, mbLeadByte, mbTrailByte };

// Kind of the byte at a 1-based position, judged by scanning the text from
// its start under the ANSI code page. Outside the text: mbSingleByte.
TMbcsByteType ByteType(const AnsiString& text, int index);

// Blanks (bytes 0x00-0x20) removed from both ends.
AnsiString Trim(const AnsiString& text);

// Case-blind comparison of two texts whole, under the user's default locale.
int AnsiCompareText(const AnsiString& a, const AnsiString& b);

// Every occurrence of from, left to right, replaced by to: the replace-all,
// case-sensitive form; what is put in is not searched again.
AnsiString StringReplace(const AnsiString& text, const AnsiString& from, const AnsiString& to);

// An optional sign and decimal digits, or a hexadecimal number after "$" or
// "0x"; anything else, overflow included, gives the default.
int StrToIntDef(const AnsiString& text, int defaultValue);

// The text up to and including its last backslash or colon (single-byte
// characters only), or empty when it has neither.
AnsiString ExtractFilePath(const AnsiString& path);

// One backslash appended unless the last character already is a single-byte
// backslash; an empty text becomes a lone backslash.
AnsiString IncludeTrailingBackslash(const AnsiString& path);

// printf-style formatting into a text.
AnsiString Format(const char* format, ...);

// True only for an existing file (not a directory).
bool FileExists(const AnsiString& fileName);
