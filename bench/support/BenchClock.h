// Clocks shared by the benchmarks that play in real time: wall time, the process's CPU
// time, and a run length a variable of the environment may set.
#pragma once

#include <algorithm>
#include <chrono>
#include <cstdlib>

#include <time.h>

namespace benchclock {

// Steady wall-clock time in seconds.
inline double WallSeconds() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// CPU time the whole process has used, in seconds.
inline double CpuSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

// The run length from the variable pszName, at least dMin; dDefault when it is not set.
inline double RunSeconds(const char* pszName, double dMin, double dDefault) {
    const char* pszValue = std::getenv(pszName);
    return pszValue != nullptr ? std::max(dMin, std::atof(pszValue)) : dDefault;
}

}  // namespace benchclock
