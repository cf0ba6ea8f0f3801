// The text of a form resource, read into a tree of objects. Pure: no Windows
// headers. The format, one item a line (blank lines ignored, CR LF or LF):
//
//   object <Name>: <Class>          opens an object; its properties and
//     <Property> = <value>          child objects follow, in creation order
//     object ...  end               a child object
//   end                             closes the object
//
// A property name may be dotted (Font.Height). A value is a decimal integer
// with an optional minus sign, a text in single quotes ('' stands for one
// quote), an identifier (an enumeration value, True/False, a handler or a
// component name), or a set of identifiers in brackets: [biSystemMenu, biMinimize].
#pragma once

#include <cstddef>
#include <vector>

#include "platform/SysUtils.h"

// A form text that cannot be read, or that asks for what the platform lacks.
class EFormError : public Exception {
public:
    explicit EFormError(const AnsiString& message) : Exception(message) {}
};

enum class TFormValueKind { Integer, String, Identifier, Set };

struct TFormValue {
    TFormValueKind Kind = TFormValueKind::Integer;
    int Integer = 0;
    AnsiString Text;               // the string or the identifier
    std::vector<AnsiString> Items; // the members of a set
};

struct TFormProperty {
    AnsiString Name;
    TFormValue Value;
    int Line = 0;                  // 1-based line of the text
};

struct TFormObject {
    AnsiString Name;
    AnsiString ClassName;
    int Line = 0;
    std::vector<TFormProperty> Properties;
    std::vector<TFormObject> Children;
};

// Reads one object (with its children) that makes up the whole text. Raises
// EFormError naming the line and what is wrong there.
TFormObject ReadFormText(const char* data, size_t size);

// "<line>: <what>" framed as a form error message; used by the reader and by
// the code that applies the objects.
EFormError FormError(int line, const AnsiString& what);
