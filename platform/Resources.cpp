#include "platform/Resources.h"

#include "platform/SysUtils.h"

TResourceStream::TResourceStream(HINSTANCE instance, const AnsiString& name, const char* type)
{
    HRSRC info = FindResourceA(instance, name.c_str(), type);
    HGLOBAL handle = info ? LoadResource(instance, info) : nullptr;
    const void* memory = handle ? LockResource(handle) : nullptr;
    if (!memory)
        throw EResNotFound(name);
    // Resources live as long as the module; there is nothing to release.
    SetPointer(memory, SizeofResource(instance, info));
}
