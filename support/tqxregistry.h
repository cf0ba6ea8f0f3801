// Reading one registry string value given as one path:
// "ROOT\key\...\value", read-only.
#pragma once

#include "platform/AnsiString.h"

class TqxRegistry {
public:
    // True when the path was followed (the value may then be empty); false
    // for an unknown root or a key that cannot be opened. value is written
    // only as the table of outcomes says. A value of a non-string type raises
    // ERegistryException.
    bool ReadStringByPath(AnsiString path, AnsiString& value);
};
