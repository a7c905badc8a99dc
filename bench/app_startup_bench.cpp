// Start-up and shut-down of the real program: from process start to the
// main window shown, from WM_CLOSE to the process gone (median of 10 runs
// after one warm-up run), and the private memory of the running program.
// The floor, a program of the same build that only shows one window, is
// started the same way in the same runs (alternating with the program), and
// the program's time over it is reported too.
// bench_app_startup.sh runs it in a Wine prefix of its own.
#include "bench/BenchClock.h"

#include <windows.h>

#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

namespace
{
struct Program {
    const wchar_t* relativePath; // from the benchmark's folder
    const wchar_t* windowClass;
};
const Program kQuorventile = {L"\\..\\app\\Quorventile.exe",
                              L"{08703010-8C30-4a34-80FC-BE0223759A7B}_Quorventile"};
const Program kFloor = {L"\\startup_floor_window.exe", L"QuorventileStartupFloor"};

double NowMs()
{
    return 1000.0 * Bench::Now();
}

std::wstring ProgramPath(const Program& program)
{
    wchar_t path[MAX_PATH];
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder = path;
    folder = folder.substr(0, folder.rfind(L'\\'));
    return folder + program.relativePath;
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

struct Run {
    double shownMs = -1;
    double exitMs = -1;
    double privateMb = -1;
};

bool RunOnce(const Program& program, Run& run, bool measureMemory)
{
    std::wstring path = ProgramPath(program);
    std::wstring commandLine = L"\"" + path + L"\"";
    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process = {};
    double start = NowMs();
    if (!CreateProcessW(path.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process))
        return false;
    HWND window = nullptr;
    while (NowMs() - start < 20000) {
        window = FindWindowW(program.windowClass, L"Velmora");
        if (window && IsWindowVisible(window))
            break;
        window = nullptr;
        Sleep(1);
    }
    bool ok = window != nullptr;
    if (ok) {
        run.shownMs = NowMs() - start;
        if (measureMemory) {
            Sleep(1000);
            PROCESS_MEMORY_COUNTERS_EX counters = {};
            counters.cb = sizeof(counters);
            if (K32GetProcessMemoryInfo(process.hProcess,
                                        reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters),
                                        sizeof(counters)))
                // Wine leaves PrivateUsage at 0; its PagefileUsage is the
                // committed private memory.
                run.privateMb = static_cast<double>(counters.PrivateUsage ? counters.PrivateUsage
                                                                          : counters.PagefileUsage) /
                                (1024.0 * 1024.0);
        }
        double close = NowMs();
        PostMessageW(window, WM_CLOSE, 0, 0);
        ok = WaitForSingleObject(process.hProcess, 20000) == WAIT_OBJECT_0;
        run.exitMs = NowMs() - close;
    }
    if (!ok)
        TerminateProcess(process.hProcess, 1); // the benchmark's own clean-up
    WaitForSingleObject(process.hProcess, 5000);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return ok;
}
} // namespace

int main()
{
    Run warmUp;
    if (!RunOnce(kQuorventile, warmUp, false) || !RunOnce(kFloor, warmUp, false)) {
        fprintf(stderr, "app_startup_bench: the program or its floor did not start or end\n");
        return 1;
    }
    std::vector<double> shown, exited, floorShown;
    double privateMb = -1;
    for (int i = 0; i < 10; ++i) {
        Run run, floor;
        if (!RunOnce(kFloor, floor, false) || !RunOnce(kQuorventile, run, i == 0)) {
            fprintf(stderr, "app_startup_bench: run %d failed\n", i);
            return 1;
        }
        floorShown.push_back(floor.shownMs);
        shown.push_back(run.shownMs);
        exited.push_back(run.exitMs);
        if (run.privateMb >= 0)
            privateMb = run.privateMb;
    }
    printf("BENCH startup_floor_window %.1f ms\n", Median(floorShown));
    printf("BENCH startup_to_window %.1f ms\n", Median(shown));
    printf("BENCH startup_over_floor %.1f ms\n", Median(shown) - Median(floorShown));
    printf("BENCH close_to_exit %.1f ms\n", Median(exited));
    printf("BENCH private_memory %.1f MB\n", privateMb);
    return 0;
}
