// Small helpers shared by the benchmark programs' tests.
#pragma once

#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <cstdio>
#include <string>
#include <vector>

#include "harness.h"

namespace bench {

using namespace e2e;

inline bool quick() {
    return env("PLINKETT_BENCH_QUICK") == "1";
}

inline void report(const char* name, double value, const char* unit) {
    std::printf("BENCH %s %.3f %s\n", name, value, unit);
    std::fflush(stdout);
}

inline double percentile(std::vector<double> v, double p) {
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    std::size_t i = static_cast<std::size_t>(p * (v.size() - 1) + 0.5);
    return v[std::min(i, v.size() - 1)];
}

// The tick at which the title first equals `want`, polling every millisecond.
inline DWORD wait_title(const TimerRun& t, const std::wstring& want, DWORD timeout_ms) {
    const DWORD start = GetTickCount();
    for (;;) {
        DWORD now = GetTickCount();
        if (t.title() == want)
            return now;
        if (now - start > timeout_ms)
            return 0;
        Sleep(1);
    }
}

inline double cpu_ms(HANDLE process) {
    FILETIME created, exited, kernel, user;
    GetProcessTimes(process, &created, &exited, &kernel, &user);
    auto ms = [](FILETIME f) {
        return (static_cast<double>(f.dwHighDateTime) * 4294967296.0 + f.dwLowDateTime) / 10000.0;
    };
    return ms(kernel) + ms(user);
}

// Wine reports neither another process's CPU times nor its private bytes, so both are read
// from Linux's /proc entry of the Wine process that runs `program` (matched by the Windows
// path in its command line). 0 when not found.
inline DWORD unix_pid_of(const std::wstring& program) {
    const std::string wanted(program.begin(), program.end());
    for (const std::wstring& entry : folder_entries(L"Z:\\proc")) {
        const DWORD pid = wcstoul(entry.c_str(), nullptr, 10);
        if (pid == 0)
            continue;
        auto bytes = read_file(L"Z:\\proc\\" + entry + L"\\cmdline");
        if (std::string(bytes.begin(), bytes.end()).find(wanted) != std::string::npos)
            return pid;
    }
    return 0;
}

// Nanoseconds the Wine process `pid` has run on a processor, all its threads together, as the
// scheduler counts them.
inline double unix_cpu_ns(DWORD pid) {
    const std::wstring tasks = L"Z:\\proc\\" + std::to_wstring(pid) + L"\\task";
    double ns = 0;
    for (const std::wstring& task : folder_entries(tasks)) {
        auto bytes = read_file(tasks + L"\\" + task + L"\\schedstat");
        ns += std::strtod(std::string(bytes.begin(), bytes.end()).c_str(), nullptr);
    }
    return ns;
}

// A "Name:   value kB" line of /proc/PID/status, in KB.
inline double unix_status_kb(DWORD pid, const char* name) {
    auto bytes = read_file(L"Z:\\proc\\" + std::to_wstring(pid) + L"\\status");
    std::string status(bytes.begin(), bytes.end());
    std::size_t p = status.find(std::string(name) + ":");
    return p == std::string::npos ? 0 : std::atof(status.c_str() + p + std::strlen(name) + 1);
}

} // namespace bench
