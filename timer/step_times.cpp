#include "step_times.h"

#ifdef PLINKETT_STEP_TIMES

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <vector>

namespace {

struct Step {
    const char* name;
    double ms;
};
std::vector<Step> steps;
std::vector<double> ticks, second_ticks;
LARGE_INTEGER frequency, last_step, tick_start;
wchar_t shown_before[16];

double ms_between(const LARGE_INTEGER& from, const LARGE_INTEGER& to) {
    return 1000.0 * static_cast<double>(to.QuadPart - from.QuadPart) /
           static_cast<double>(frequency.QuadPart);
}

// Milliseconds from the process's creation until now.
double since_creation() {
    FILETIME created, ended, kernel, user, now;
    GetProcessTimes(GetCurrentProcess(), &created, &ended, &kernel, &user);
    GetSystemTimeAsFileTime(&now);
    const auto value = [](const FILETIME& f) {
        return static_cast<double>(static_cast<ULONGLONG>(f.dwHighDateTime) << 32 |
                                   f.dwLowDateTime);
    };
    return (value(now) - value(created)) / 10000.0;
}

double percentile(std::vector<double> values, double share) {
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    return values[static_cast<std::size_t>(share * static_cast<double>(values.size() - 1))];
}

} // namespace

void step_done(const char* name) {
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    if (steps.empty()) {
        QueryPerformanceFrequency(&frequency);
        steps.push_back({name, since_creation()});
    } else {
        steps.push_back({name, ms_between(last_step, now)});
    }
    last_step = now;
}

void tick_begin(const wchar_t* shown) {
    wcsncpy(shown_before, shown, 15);
    QueryPerformanceCounter(&tick_start);
}

void tick_end(const wchar_t* shown) {
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    (wcsncmp(shown_before, shown, 15) == 0 ? ticks : second_ticks)
        .push_back(ms_between(tick_start, now));
}

void write_step_times() {
    FILE* out = std::fopen("step-times.txt", "w");
    if (out == nullptr)
        return;
    for (const Step& s : steps)
        std::fprintf(out, "%s %.3f\n", s.name, s.ms);
    std::fprintf(out, "ticks %zu\n", ticks.size());
    std::fprintf(out, "tick_median %.4f\n", percentile(ticks, 0.5));
    std::fprintf(out, "tick_p90 %.4f\n", percentile(ticks, 0.9));
    std::fprintf(out, "second_ticks %zu\n", second_ticks.size());
    std::fprintf(out, "second_tick_median %.4f\n", percentile(second_ticks, 0.5));
    std::fprintf(out, "second_tick_p90 %.4f\n", percentile(second_ticks, 0.9));
    std::fclose(out);
}

#endif
