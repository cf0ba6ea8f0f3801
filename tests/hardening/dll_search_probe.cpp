// Loads DLLs by their bare names, as a program or a system DLL does at run
// time, with or without the installer's restriction of the DLL search first:
//   dll_search_probe.exe restrict|plain name.dll...
// Exit code 0 when the arguments were understood and, with "restrict", the
// system limited the search; 2 for bad arguments, 3 when it could not.
// Whether a load succeeds does not matter: a planted stand-in exports nothing.
#include <windows.h>

#include <cstring>

#include "platform/DllSearch.h"

int main(int argc, char** argv)
{
    if (argc < 2)
        return 2;
    if (std::strcmp(argv[1], "restrict") == 0) {
        if (!RestrictDllSearchToSystemFolder())
            return 3;
    } else if (std::strcmp(argv[1], "plain") != 0) {
        return 2;
    }
    for (int i = 2; i < argc; ++i)
        LoadLibraryA(argv[i]);  // kept until the process ends
    return 0;
}
