// mkshortcut: makes or removes a shortcut (.lnk) in the Programs menu of the
// current user, as a game's own installer would, so that scripts can show the
// installer finding a game.
//
//   mkshortcut <name.lnk below Programs> <target file>
//   mkshortcut --remove <name.lnk below Programs>
//
// Names are in the ANSI code page. Folders missing on the way are made; on
// removal the folders left empty are removed too. Exit code 0 on success.
#include <cstdio>
#include <string>

#include "tests/e2e/E2eHarness.h"

int main(int argc, char** argv)
{
    const auto scope = e2e::ProgramsShortcut::CurrentUser;
    if (argc == 3 && std::string(argv[1]) == "--remove")
        return e2e::RemoveProgramsShortcut(scope, argv[2]) ? 0 : 1;
    if (argc != 3) {
        std::fputs("usage: mkshortcut <name.lnk below Programs> <target> | --remove <name.lnk below Programs>\n",
                   stderr);
        return 2;
    }
    e2e::ProgramsShortcut shortcut;
    std::string error;
    if (!shortcut.Create(scope, argv[1], argv[2], error)) {
        std::fprintf(stderr, "mkshortcut: %s\n", error.c_str());
        return 1;
    }
    shortcut.Keep();
    return 0;
}
