#include "support/tqxregistry.h"

#include "platform/Classes.h"
#include "platform/Registry.h"
#include "platform/SysUtils.h"
#include "support/qxstringlib.h"

namespace {

struct RootKeyName {
    const char* name;
    HKEY key;
};

// Compared in this order; HKEY_PERFORMANCE_DATA and short forms are refused.
HKEY FindRootKey(const AnsiString& name)
{
    static const RootKeyName roots[] = {
        {"HKEY_CLASSES_ROOT", HKEY_CLASSES_ROOT},
        {"HKEY_CURRENT_USER", HKEY_CURRENT_USER},
        {"HKEY_LOCAL_MACHINE", HKEY_LOCAL_MACHINE},
        {"HKEY_USERS", HKEY_USERS},
        {"HKEY_CURRENT_CONFIG", HKEY_CURRENT_CONFIG},
        {"HKEY_DYN_DATA", HKEY_DYN_DATA},
    };
    for (const RootKeyName& root : roots) {
        if (AnsiCompareText(name, root.name) == 0)
            return root.key;
    }
    return nullptr;
}

}  // namespace

bool TqxRegistry::ReadStringByPath(AnsiString path, AnsiString& value)
{
    TRegistry registry;
    TStringList components;
    SplitString(path, "\\", components);

    const int last = components.Count() - 1;
    for (int p = 0; p <= last; ++p) {
        const AnsiString& component = components[p];
        if (p == 0) {
            HKEY root = FindRootKey(component);
            if (!root)
                return false;
            registry.SetRootKey(root);
        } else if (p == last) {
            // A missing value, or no key open (root and value only), gives
            // the empty text; a value of another type raises.
            value = registry.ReadString(component);
        } else if (!registry.OpenKeyReadOnly(component)) {
            return false;
        }
    }
    return true;
}
