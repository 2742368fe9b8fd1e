// Benchmarks of the real programs under Wine: each prints "BENCH <name> <value> <unit>" lines,
// which tools/bench.sh gathers over several runs into BENCHMARKS.md. Nothing here asserts a
// speed; figures are measured, not tested. PLINKETT_BENCH_QUICK=1 shortens every run.
#include <gtest/gtest.h>

#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <functional>
#include <cstdio>
#include <string>
#include <vector>

#include "bench_util.h"
#include "harness.h"
#include "settings_block.h"

using namespace e2e;
using namespace bench;


TEST(Bench, SecondChangeLag) {
    TimerRun t;
    ASSERT_NE(t.window, nullptr);
    const char* set = quick() ? "0010" : "0200";
    key_in(t.window, set);
    const int seconds = quick() ? 10 : 120;
    const DWORD start = GetTickCount();
    send_key(t.window, VK_RETURN);

    std::vector<double> lags;
    DWORD step = 0xFFFFFFFF, last_tick = GetTickCount();
    std::wstring last = t.title();
    while (static_cast<int>(lags.size()) < seconds && GetTickCount() - start < (seconds + 5) * 1000u) {
        DWORD now = GetTickCount();
        if (now != last_tick) {
            step = std::min(step, now - last_tick);
            last_tick = now;
        }
        std::wstring title = t.title();
        if (title != last) {
            last = title;
            lags.push_back(static_cast<double>(now - (start + 1000u * (lags.size() + 1))));
        }
        Sleep(1);
    }
    ASSERT_EQ(static_cast<int>(lags.size()), seconds) << "title changes seen";
    report("second_lag_p50_ms", percentile(lags, 0.5), "ms");
    report("second_lag_p99_ms", percentile(lags, 0.99), "ms");
    report("second_lag_max_ms", percentile(lags, 1.0), "ms");
    report("tick_step_ms", step, "ms");
}

TEST(Bench, CpuIdleAndCounting) {
    TimerRun t;
    ASSERT_NE(t.window, nullptr);
    const DWORD pid = unix_pid_of(t.folder + L"\\Plinkett.exe");
    ASSERT_NE(pid, 0u) << "the timer's Wine process was not found in /proc";
    const DWORD span = quick() ? 5000 : 60000;
    Sleep(2000);
    double before = unix_cpu_ms(pid);
    Sleep(span);
    report("cpu_idle_percent", 100.0 * (unix_cpu_ms(pid) - before) / span, "% of a core");

    key_in(t.window, "9900");
    send_key(t.window, VK_RETURN);
    Sleep(500);
    before = unix_cpu_ms(pid);
    Sleep(span);
    report("cpu_counting_percent", 100.0 * (unix_cpu_ms(pid) - before) / span, "% of a core");
}

namespace {

// Milliseconds from CreateProcess until a visible window of `cls` is laid out (`ready`).
double time_to_window(const std::wstring& folder, const wchar_t* program, const wchar_t* cls,
                      const std::function<bool(HWND)>& ready) {
    const DWORD start = GetTickCount();
    Process p(folder + L"\\" + program, L"", folder);
    HWND w = wait_for_window(p.id(), cls);
    if (w == nullptr)
        return -1;
    wait_until([&] { return ready(w); }, 10000);
    return GetTickCount() - start;
}

} // namespace

TEST(Bench, StartupRatio) {
    const std::wstring folder = scratch_folder();
    copy_file_into(built_program(L"Plinkett.exe"), folder, L"Plinkett.exe");
    for (const wchar_t* name : {L"minimal_window.exe", L"minimal_window_cc6.exe"})
        copy_file_into(built_program((std::wstring(L"tests\\bench\\") + name).c_str()), folder, name);
    auto shown = [](HWND) { return true; };
    // Laid out: the start key has its size (the layout comes before the first paint).
    auto keypad = [](HWND w) { return rect_in_parent(GetDlgItem(w, 410)).right > 0; };
    std::vector<double> timer, minimal, minimal_cc6;
    for (int run = 0; run < (quick() ? 3 : 10); ++run) {
        minimal.push_back(time_to_window(folder, L"minimal_window.exe", L"MinimalWnd", shown));
        minimal_cc6.push_back(time_to_window(folder, L"minimal_window_cc6.exe", L"MinimalWnd", shown));
        timer.push_back(time_to_window(folder, L"Plinkett.exe", L"PlinkettWnd", keypad));
    }
    report("startup_timer_ms", percentile(timer, 0.5), "ms");
    report("startup_minimal_window_ms", percentile(minimal, 0.5), "ms");
    report("startup_minimal_window_cc6_ms", percentile(minimal_cc6, 0.5), "ms");
    report("startup_ratio", percentile(timer, 0.5) / percentile(minimal, 0.5), "x");
    report("startup_ratio_cc6", percentile(timer, 0.5) / percentile(minimal_cc6, 0.5), "x");
}

TEST(Bench, MemoryAndSize) {
    // Resident and private (anonymous) memory of the Wine processes, as Linux counts them:
    // Wine's own DLLs are part of every figure.
    TimerRun t;
    ASSERT_NE(t.window, nullptr);
    Sleep(1000);
    const DWORD timer = unix_pid_of(t.folder + L"\\Plinkett.exe");
    report("timer_working_set_kb", unix_status_kb(timer, "VmRSS"), "KB");
    report("timer_private_kb", unix_status_kb(timer, "RssAnon"), "KB");

    EditorRun editor(t.folder);
    if (editor.window(10000) != nullptr) {
        Sleep(1000);
        const DWORD pid = unix_pid_of(built_program(L"PlinkettProperty.exe"));
        report("editor_working_set_kb", unix_status_kb(pid, "VmRSS"), "KB");
        report("editor_private_kb", unix_status_kb(pid, "RssAnon"), "KB");
    }
    const std::pair<const wchar_t*, const char*> programs[] = {
        {L"Plinkett.exe", "timer_exe_kb"}, {L"PlinkettProperty.exe", "editor_exe_kb"}};
    for (const auto& p : programs) {
        auto bytes = read_file(windows_path(env("PLINKETT_SHIPPED_DIR")) + L"\\" + p.first);
        report(p.second, bytes.size() / 1024.0, "KB");
    }
}
