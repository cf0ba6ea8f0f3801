// DLLs planted in the installer's download folder are never loaded once the
// DLL search is limited to the system folder. A stand-in DLL, copied under the
// names of real system DLLs, leaves a marker when any process loads it.
//
// Wine ships its own copy of every system DLL and, by default, takes that copy
// whatever lies beside the program: a planted comctl32.dll would never be
// loaded, with or without the restriction, and a test of it could not fail.
// Windows has no such substitute, so the children here run with Wine told to
// prefer a DLL found on the search path (native, then builtin) for the
// planted names, through the prefix's per-program settings; the
// control rows show that a program which does not limit its search then loads
// every planted DLL, and the same program with the installer's restriction
// loads none.
//
// Not planted beside the installer, because no program code can keep them
// out under Wine: version.dll and shlwapi.dll (imports of the system DLLs the
// installer imports, which Wine's loader resolves beside the program before
// the program's first instruction runs; Windows takes the dependencies of its
// known DLLs from the system folder), imm32.dll (loaded by name by user32's
// start-up, also before the entry), and uxtheme.dll (a delayed import of the
// common controls, which Wine resolves without the process's DLL directories).
#include <gtest/gtest.h>

#include <windows.h>
#include <tlhelp32.h>

#include <algorithm>
#include <cctype>
#include <string>
#include <vector>

#include "tests/e2e/E2eHarness.h"

using e2e::Describe;

namespace {

const char kMarkerSuffix[] = ".loaded";

std::string Lower(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
    return text;
}

// The folder of this test program, ending in a backslash.
std::string OwnFolder()
{
    char path[MAX_PATH];
    const DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
    if (length == 0 || length >= sizeof path)
        return std::string();
    const std::string full(path, length);
    return full.substr(0, full.find_last_of('\\') + 1);
}

// Wine's load order for the planted names, "native,builtin", for one program
// name only (the prefix's per-application defaults), removed again at the end.
class PreferPlantedDlls {
public:
    PreferPlantedDlls(const std::string& program, const std::vector<std::string>& dlls)
        : key_("Software\\Wine\\AppDefaults\\" + program)
    {
        HKEY key = nullptr;
        if (RegCreateKeyExA(HKEY_CURRENT_USER, (key_ + "\\DllOverrides").c_str(), 0, nullptr, 0, KEY_SET_VALUE,
                            nullptr, &key, nullptr) != ERROR_SUCCESS)
            return;
        set_ = true;
        const char order[] = "native,builtin";
        for (const std::string& dll : dlls) {
            const std::string module = dll.substr(0, dll.find('.'));
            set_ = RegSetValueExA(key, module.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(order),
                                  sizeof order) == ERROR_SUCCESS &&
                   set_;
        }
        RegCloseKey(key);
    }
    ~PreferPlantedDlls() { RegDeleteTreeA(HKEY_CURRENT_USER, key_.c_str()); }
    PreferPlantedDlls(const PreferPlantedDlls&) = delete;
    PreferPlantedDlls& operator=(const PreferPlantedDlls&) = delete;
    bool Set() const noexcept { return set_; }

private:
    std::string key_;
    bool set_ = false;
};

// Runs a console program in its own folder to its end; false when it could
// not be started or did not end in time.
bool RunToEnd(const std::string& folder, const std::string& commandLine, DWORD& exitCode)
{
    std::string command = commandLine;
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, folder.c_str(),
                        &startup, &process))
        return false;
    CloseHandle(process.hThread);
    const bool ended = WaitForSingleObject(process.hProcess, e2e::kTimeoutMs) == WAIT_OBJECT_0 &&
                       GetExitCodeProcess(process.hProcess, &exitCode);
    if (!ended)
        TerminateProcess(process.hProcess, 1);
    CloseHandle(process.hProcess);
    return ended;
}

// The planted names whose stand-in left a marker, lower case.
std::vector<std::string> LoadedPlants(const std::string& folder, const std::vector<std::string>& names)
{
    std::vector<std::string> loaded;
    for (const std::string& name : names) {
        if (e2e::FileExists(folder + name + kMarkerSuffix))
            loaded.push_back(name);
    }
    return loaded;
}

// Modules of a running process mapped from files in a folder.
std::vector<std::string> ModulesFrom(DWORD processId, const std::string& folder, bool& read)
{
    std::vector<std::string> found;
    read = false;
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, processId);
    if (snapshot == INVALID_HANDLE_VALUE)
        return found;
    MODULEENTRY32 module = {};
    module.dwSize = sizeof module;
    for (BOOL more = Module32First(snapshot, &module); more; more = Module32Next(snapshot, &module)) {
        read = true;
        const std::string path = Lower(module.szExePath);
        if (path.compare(0, folder.size(), Lower(folder)) == 0)
            found.push_back(path);
    }
    CloseHandle(snapshot);
    return found;
}

std::string Join(const std::vector<std::string>& names)
{
    std::string text;
    for (const std::string& name : names)
        text += (text.empty() ? "" : ", ") + name;
    return "{" + text + "}";
}

TEST(PlantedDll, NeverLoadedFromTheDownloadFolder)
{
    const std::string tests = OwnFolder();
    const std::string installer = e2e::InstallerPath();
    ASSERT_TRUE(e2e::FileExists(tests + "planted.dll")) << tests;
    ASSERT_TRUE(e2e::FileExists(tests + "dll_search_probe.exe")) << tests;
    ASSERT_TRUE(e2e::FileExists(installer)) << installer;

    // Names of DLLs that programs and the system's DLLs load by name.
    const std::vector<std::string> probed = {"comctl32.dll", "uxtheme.dll", "version.dll", "dwmapi.dll",
                                             "cryptbase.dll"};
    // The installer's copy has a name of its own, so that no other test's
    // run of the installer sees this load order.
    const char kProbe[] = "dll_search_probe.exe";
    const char kInstallerCopy[] = "mivaroPatch-downloaded.exe";
    const PreferPlantedDlls probeOrder(kProbe, probed);
    const PreferPlantedDlls installerOrder(kInstallerCopy, probed);
    ASSERT_TRUE(probeOrder.Set());
    ASSERT_TRUE(installerOrder.Set());

    enum Program { PlainProbe, RestrictedProbe, Installer };
    struct Row {
        const char* Name;
        Program Run;
        std::vector<std::string> Planted;
        std::vector<std::string> ExpectLoaded;
        int Line;
    };
    const std::vector<Row> rows = {
        // Control: without the restriction the folder's DLLs win.
        {"plain", PlainProbe, probed, probed, __LINE__},
        {"restricted", RestrictedProbe, probed, {}, __LINE__},
        // The installer loads the common controls by name itself (its
        // manifest sends that load to the side-by-side version 6 as well);
        // dwmapi.dll and cryptbase.dll catch a load made before the search
        // was limited, or a new import of a DLL that is not a known one.
        {"installer", Installer, {"comctl32.dll", "dwmapi.dll", "cryptbase.dll"}, {}, __LINE__},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(::testing::Message() << "line " << row.Line << ": " << row.Name);
        e2e::ScratchDir download;
        ASSERT_TRUE(download.Valid());
        for (const std::string& name : row.Planted)
            ASSERT_TRUE(CopyFileA((tests + "planted.dll").c_str(), (download.Path() + name).c_str(), FALSE)) << name;

        if (row.Run == Installer) {
            const std::string copy = download.Path() + kInstallerCopy;
            ASSERT_TRUE(CopyFileA(installer.c_str(), copy.c_str(), FALSE));
            e2e::Run run;
            std::string error;
            ASSERT_TRUE(run.Open(copy, e2e::kTimeoutMs, error)) << error << "\n" << Describe(run.Process.MessageBoxes());
            bool read = false;
            const std::vector<std::string> modules = ModulesFrom(run.Process.Id(), download.Path(), read);
            EXPECT_TRUE(read) << "no module list of the installer";
            EXPECT_EQ(modules, std::vector<std::string>{Lower(copy)}) << "modules from the download folder";
            DWORD exitCode = 1;
            ASSERT_TRUE(run.Finish(e2e::kTimeoutMs, exitCode));
            EXPECT_EQ(exitCode, 0u);
        } else {
            const std::string copy = download.Path() + kProbe;
            ASSERT_TRUE(CopyFileA((tests + kProbe).c_str(), copy.c_str(), FALSE));
            std::string command = "\"" + copy + "\" " + (row.Run == PlainProbe ? "plain" : "restrict");
            for (const std::string& name : row.Planted)
                command += " " + name;
            DWORD exitCode = 1;
            ASSERT_TRUE(RunToEnd(download.Path(), command, exitCode)) << command;
            EXPECT_EQ(exitCode, 0u) << "3: the system could not limit the DLL search";
        }
        EXPECT_EQ(LoadedPlants(download.Path(), row.Planted), row.ExpectLoaded)
            << "planted " << Join(row.Planted);
    }
}

}  // namespace
