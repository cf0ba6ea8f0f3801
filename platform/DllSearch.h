// Where the program's later DLL loads may be found.
#pragma once

// The installer runs elevated from wherever it was downloaded: DLLs that lie
// beside it, or in the current folder, must never be loaded. Every later DLL
// load, by the program or by the system's DLLs for it, searches only the
// system folder where the system offers that (SetDefaultDllDirectories);
// the current folder is taken out of the search in any case. True when the
// search is limited to the system folder.
bool RestrictDllSearchToSystemFolder() noexcept;
