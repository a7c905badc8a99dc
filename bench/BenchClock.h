// Clock and report line shared by the benchmark programs.
#pragma once
#include <windows.h>

#include <cstdio>

namespace Bench
{
// Seconds from the performance counter.
inline double Now()
{
    static const double frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return static_cast<double>(f.QuadPart);
    }();
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return static_cast<double>(t.QuadPart) / frequency;
}

// One figure as "BENCH <name> <value> <unit>", the line tools/run-bench.sh reads.
inline void Report(const char* name, double value, const char* unit)
{
    printf("BENCH %s %.3f %s\n", name, value, unit);
}
} // namespace Bench
