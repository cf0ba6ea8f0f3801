// Read-only streams over the program's own resources, without copying them.
#pragma once

#include <windows.h>

#include "platform/Classes.h"

class TResourceStream : public TCustomMemoryStream {
public:
    // Raises EResNotFound when the module has no such resource.
    TResourceStream(HINSTANCE instance, const AnsiString& name, const char* type);
};
