// Times the installer from outside, side by side with the limit of the
// machine (CopyFileA of the same bytes) and a peer installer (NSIS), in one
// Wine session. The sides take turns run after run; every figure printed is
// the median of its runs. All clocks are QueryPerformanceCounter.
//
//   bench_driver write   <case-dir> <runs>    payload write times
//   bench_driver startup <case-dir> <runs>    start-up to the first window
//   bench_driver memory  <case-dir>           memory counters while writing
//
// A case folder holds mivaroPatch.exe (the installer with that package),
// peer.exe (the NSIS installer of the same files), payload/N and names.txt.
// Both installers write into C:\mivaro-bench\Game\, which the installer finds
// through the Programs-menu shortcut "mivaroBench\Game.lnk" made here.
#include <windows.h>
#include <objbase.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "tests/driver/UiDriver.h"
#include "tests/e2e/E2eHarness.h"

namespace {

const char kGameFolder[] = "C:\\mivaro-bench\\Game\\";
const char kShortcut[] = "mivaroBench\\Game.lnk";
const char kDone[] = "修正処理が正常に終了しました";
const DWORD kTimeoutMs = 600000;

double g_ticksPerMs = 0;

long long Ticks()
{
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return now.QuadPart;
}

double Ms(long long ticks)
{
    return static_cast<double>(ticks) / g_ticksPerMs;
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

[[noreturn]] void Fail(const std::string& what)
{
    std::fprintf(stderr, "bench_driver: %s\n", what.c_str());
    std::fflush(stderr);
    std::exit(1);
}

// The package of one case, as the two installers and the copy see it.
struct Case {
    std::string Folder;  // ending in a backslash
    std::string Name;
    std::vector<std::string> Payloads;  // payload/N, in order
    std::vector<std::string> Names;     // output names, in order
    unsigned long long Bytes = 0;
    std::vector<unsigned long long> Sizes;

    std::string Installer() const { return Folder + "mivaroPatch.exe"; }
    std::string Peer() const { return Folder + "peer.exe"; }
};

unsigned long long FileSize(const std::string& path)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data))
        return ~0ull;
    return (static_cast<unsigned long long>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
}

Case LoadCase(std::string folder)
{
    if (folder.empty() || folder.back() != '\\')
        folder += '\\';
    Case c;
    c.Folder = folder;
    const std::string trimmed = folder.substr(0, folder.size() - 1);
    c.Name = trimmed.substr(trimmed.find_last_of('\\') + 1);
    std::ifstream names(folder + "names.txt");
    std::string line;
    while (std::getline(names, line)) {
        if (line.empty())
            continue;
        c.Payloads.push_back(folder + "payload\\" + std::to_string(c.Names.size()));
        c.Names.push_back(line);
        c.Sizes.push_back(FileSize(c.Payloads.back()));
        if (c.Sizes.back() == ~0ull)
            Fail("no payload " + c.Payloads.back());
        c.Bytes += c.Sizes.back();
    }
    if (c.Names.empty())
        Fail("no names.txt in " + folder);
    return c;
}

// The game folder with the file its shortcut points to, and the shortcut.
class Game {
public:
    Game()
    {
        CreateDirectoryA("C:\\mivaro-bench", nullptr);
        CreateDirectoryA(kGameFolder, nullptr);
        if (!e2e::WriteFileBytes(std::string(kGameFolder) + "game.exe", "MZ"))
            Fail("cannot write the game folder");
        std::string error;
        if (!shortcut_.Create(e2e::ProgramsShortcut::CurrentUser, kShortcut, std::string(kGameFolder) + "game.exe",
                              error))
            Fail("cannot make the shortcut: " + error);
    }

    // Empties the folder but for game.exe. Every file is flushed to the disk
    // first, so that each side starts with no data of the last one pending.
    static void Clean()
    {
        WIN32_FIND_DATAA data;
        HANDLE find = FindFirstFileA((std::string(kGameFolder) + "*").c_str(), &data);
        if (find == INVALID_HANDLE_VALUE)
            return;
        std::vector<std::string> files;
        do {
            if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && std::string(data.cFileName) != "game.exe")
                files.push_back(std::string(kGameFolder) + data.cFileName);
        } while (FindNextFileA(find, &data));
        FindClose(find);
        for (const std::string& file : files) {
            HANDLE handle = CreateFileA(file.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
            if (handle != INVALID_HANDLE_VALUE) {
                FlushFileBuffers(handle);
                CloseHandle(handle);
            }
            if (!DeleteFileA(file.c_str()))
                Fail("cannot delete " + file);
        }
    }

    // Every output there, at its size.
    static void Check(const Case& c, const char* side)
    {
        for (size_t n = 0; n < c.Names.size(); ++n)
            if (FileSize(kGameFolder + c.Names[n]) != c.Sizes[n])
                Fail(std::string(side) + " did not write " + c.Names[n] + " whole");
    }

private:
    e2e::ProgramsShortcut shortcut_;
};

struct Memory {
    SIZE_T IdlePrivate = 0, PeakPrivate = 0, IdleWorkingSet = 0, PeakWorkingSet = 0;
};

bool ReadCounters(HANDLE process, PROCESS_MEMORY_COUNTERS& counters)
{
    counters = {};
    counters.cb = sizeof counters;
    return GetProcessMemoryInfo(process, &counters, sizeof counters) != FALSE;
}

// The installer: from pressing Start to its success message shown.
double RunInstaller(const Case& c, Memory* memory = nullptr)
{
    uidriver::Process process;
    if (!process.Start(c.Installer()))
        Fail("cannot start " + c.Installer());
    HWND window = process.WaitForMainWindow(kTimeoutMs);
    uidriver::WindowInfo info;
    if (!window || !uidriver::ReadWindow(window, info))
        Fail("no main window");
    const std::vector<uidriver::ControlInfo> edits = uidriver::ControlsOfClass(info, "Edit");
    const std::vector<uidriver::ControlInfo> buttons = uidriver::ControlsOfClass(info, "Button");
    if (edits.empty() || edits[0].Text != kGameFolder || buttons.empty() || !buttons[0].Enabled)
        Fail("the installer did not find the game folder");

    HANDLE handle = nullptr;
    PROCESS_MEMORY_COUNTERS counters;
    if (memory) {
        handle = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, process.Id());
        if (!handle || !ReadCounters(handle, counters))
            Fail("cannot read the installer's memory counters");
        memory->IdlePrivate = memory->PeakPrivate = counters.PagefileUsage;
        memory->IdleWorkingSet = counters.WorkingSetSize;
    }

    const long long start = Ticks();
    if (!uidriver::PostClick(buttons[0].Handle))
        Fail("cannot press Start");
    long long shown = 0;
    for (;;) {
        if (!uidriver::FindTopWindows(process.Id(), uidriver::kDialogClass).empty()) {
            shown = Ticks();
            break;
        }
        if (!process.Running())
            Fail("the installer ended while writing");
        if (memory && ReadCounters(handle, counters))
            memory->PeakPrivate = std::max(memory->PeakPrivate, counters.PagefileUsage);
        Sleep(1);
    }
    if (memory) {
        if (ReadCounters(handle, counters)) {
            memory->PeakPrivate = std::max(memory->PeakPrivate, counters.PagefileUsage);
            memory->PeakWorkingSet = counters.PeakWorkingSetSize;
        }
        CloseHandle(handle);
    }

    uidriver::MessageBoxInfo box;
    if (!process.WaitForMessageBox(kTimeoutMs, box) || box.Text != kDone)
        Fail("the installer did not report success: " + box.Text);
    DWORD exitCode = 0;
    if (!uidriver::PostCloseBox(window) || !process.WaitForExit(kTimeoutMs, exitCode))
        Fail("the installer did not end");
    Game::Check(c, "the installer");
    return Ms(shown - start);
}

// A program started with a command line; terminated if still running.
class Child {
public:
    explicit Child(const std::string& commandLine)
    {
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        std::string line = commandLine;
        if (!CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info_))
            Fail("cannot start " + commandLine);
    }
    ~Child()
    {
        if (WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT) {
            TerminateProcess(info_.hProcess, 1);
            WaitForSingleObject(info_.hProcess, 10000);
        }
        CloseHandle(info_.hThread);
        CloseHandle(info_.hProcess);
    }
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;

    DWORD Id() const { return info_.dwProcessId; }
    bool Running() const { return WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT; }
    bool Wait() const { return WaitForSingleObject(info_.hProcess, kTimeoutMs) == WAIT_OBJECT_0; }

private:
    PROCESS_INFORMATION info_ = {};
};

// The peer, silent: from the start of its section (its own time stamp) to
// its message box shown, the message box it shows when the files are written.
double RunPeer(const Case& c)
{
    char temp[MAX_PATH];
    const DWORD length = GetTempPathA(sizeof temp, temp);
    if (length == 0 || length >= sizeof temp)
        Fail("no temporary folder");
    const std::string stampFile = std::string(temp) + "mivaro-bench-stamp.txt";
    DeleteFileA(stampFile.c_str());

    Child peer("\"" + c.Peer() + "\" /S /D=" + std::string(kGameFolder).substr(0, sizeof kGameFolder - 2));
    long long shown = 0;
    HWND box = nullptr;
    while (!box) {
        // Its own box only: a large installer may first show the window of
        // its integrity check.
        for (HWND dialog : uidriver::FindTopWindows(peer.Id(), uidriver::kDialogClass))
            if (uidriver::TextOf(GetDlgItem(dialog, uidriver::kMessageBoxTextId)) == "done") {
                shown = Ticks();
                box = dialog;
                break;
            }
        if (box)
            break;
        if (!peer.Running())
            Fail("the peer ended without its message box");
        Sleep(1);
    }
    HWND ok = GetDlgItem(box, IDOK);
    PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(ok));
    if (!peer.Wait())
        Fail("the peer did not end");
    std::string stamp;
    if (!e2e::ReadFileBytes(stampFile, stamp) || stamp.empty())
        Fail("the peer left no time stamp");
    Game::Check(c, "the peer");
    return Ms(shown - std::atoll(stamp.c_str()));
}

// The limit: the same bytes copied by the system into the same folder.
double RunCopy(const Case& c, bool flush)
{
    const long long start = Ticks();
    for (size_t n = 0; n < c.Names.size(); ++n) {
        const std::string target = kGameFolder + c.Names[n];
        if (!CopyFileA(c.Payloads[n].c_str(), target.c_str(), FALSE))
            Fail("cannot copy " + c.Payloads[n]);
        if (flush) {
            HANDLE file = CreateFileA(target.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
            if (file == INVALID_HANDLE_VALUE || !FlushFileBuffers(file))
                Fail("cannot flush " + target);
            CloseHandle(file);
        }
    }
    const long long end = Ticks();
    Game::Check(c, "the copy");
    return Ms(end - start);
}

// Runs every side once per round, in an order that turns round by round.
std::vector<std::vector<double>> Alternate(int runs, const std::vector<std::function<double()>>& sides)
{
    std::vector<std::vector<double>> times(sides.size());
    for (int run = 0; run < runs; ++run)
        for (size_t k = 0; k < sides.size(); ++k) {
            const size_t side = (k + run) % sides.size();
            Game::Clean();
            times[side].push_back(sides[side]());
        }
    Game::Clean();
    return times;
}

void PrintRuns(const char* label, const std::vector<double>& times)
{
    std::printf("#   %-12s", label);
    for (double t : times)
        std::printf(" %8.1f", t);
    std::printf("  (median %.1f ms)\n", Median(times));
}

int Write(const Case& c, int runs)
{
    Game game;
    const auto times = Alternate(runs, {[&] { return RunInstaller(c); }, [&] { return RunCopy(c, false); },
                                        [&] { return RunCopy(c, true); }, [&] { return RunPeer(c); }});
    const char* labels[] = {"installer", "copy", "copy+flush", "peer"};
    for (size_t k = 0; k < times.size(); ++k)
        PrintRuns(labels[k], times[k]);
    const double mib = static_cast<double>(c.Bytes) / (1024.0 * 1024.0);
    const double installer = Median(times[0]), copy = Median(times[1]), flushed = Median(times[2]),
                 peer = Median(times[3]);
    // case | installer ms | MiB/s | copy ms | copy/installer | copy+flush ms | ratio | peer ms | peer/installer
    std::printf("| %s | %.1f | %.0f | %.1f | %.2f | %.1f | %.2f | %.1f | %.2f |\n", c.Name.c_str(), installer,
                mib / (installer / 1000.0), copy, copy / installer, flushed, flushed / installer, peer,
                peer / installer);
    return 0;
}

// The installer: from process start to its main window shown with the game
// folder in its field.
double StartInstaller(const Case& c)
{
    uidriver::Process process;
    const long long start = Ticks();
    if (!process.Start(c.Installer()))
        Fail("cannot start " + c.Installer());
    long long shown = 0;
    HWND window = nullptr;
    for (;;) {
        const std::vector<HWND> windows = uidriver::FindTopWindows(process.Id(), uidriver::kMainWindowClass);
        uidriver::WindowInfo info;
        if (!windows.empty() && uidriver::ReadWindow(windows.front(), info)) {
            const std::vector<uidriver::ControlInfo> edits = uidriver::ControlsOfClass(info, "Edit");
            if (!edits.empty() && edits[0].Text == kGameFolder) {
                shown = Ticks();
                window = windows.front();
                break;
            }
        }
        if (!process.Running())
            Fail("the installer ended at start-up");
        Sleep(1);
    }
    DWORD exitCode = 0;
    if (!uidriver::PostCloseBox(window) || !process.WaitForExit(kTimeoutMs, exitCode))
        Fail("the installer did not end");
    return Ms(shown - start);
}

// The peer: from process start to its first page shown (its window visible
// with the page inside).
double StartPeer(const Case& c)
{
    const long long start = Ticks();
    Child peer("\"" + c.Peer() + "\"");
    for (;;) {
        for (HWND window : uidriver::FindTopWindows(peer.Id(), uidriver::kDialogClass)) {
            uidriver::WindowInfo info;
            if (uidriver::ReadWindow(window, info))
                for (const uidriver::ControlInfo& control : uidriver::ControlsOfClass(info, uidriver::kDialogClass))
                    if (control.Visible)
                        return Ms(Ticks() - start);
        }
        if (!peer.Running())
            Fail("the peer ended at start-up");
        Sleep(1);
    }
}

int Startup(const Case& c, int runs)
{
    Game game;
    const auto times = Alternate(runs, {[&] { return StartInstaller(c); }, [&] { return StartPeer(c); }});
    PrintRuns("installer", times[0]);
    PrintRuns("peer", times[1]);
    // case | installer ms | peer ms | peer/installer
    std::printf("| %s | %.1f | %.1f | %.2f |\n", c.Name.c_str(), Median(times[0]), Median(times[1]),
                Median(times[1]) / Median(times[0]));
    return 0;
}

int MemoryRun(const Case& c)
{
    Game game;
    Game::Clean();
    Memory memory;
    RunInstaller(c, &memory);
    Game::Clean();
    const double mib = 1024.0 * 1024.0;
    // case | idle private | peak private while writing | idle working set | peak working set (MiB)
    std::printf("| %s | %.1f | %.1f | %.1f | %.1f |\n", c.Name.c_str(), memory.IdlePrivate / mib,
                memory.PeakPrivate / mib, memory.IdleWorkingSet / mib, memory.PeakWorkingSet / mib);
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    g_ticksPerMs = static_cast<double>(frequency.QuadPart) / 1000.0;
    CoInitialize(nullptr);
    if (argc < 3) {
        std::fprintf(stderr, "usage: bench_driver write|startup|memory <case-dir> [runs]\n");
        return 2;
    }
    const std::string command = argv[1];
    const Case c = LoadCase(argv[2]);
    const int runs = argc > 3 ? std::max(1, std::atoi(argv[3])) : 5;
    int result = 2;
    if (command == "write")
        result = Write(c, runs);
    else if (command == "startup")
        result = Startup(c, runs);
    else if (command == "memory")
        result = MemoryRun(c);
    std::fflush(stdout);
    CoUninitialize();
    return result;
}
