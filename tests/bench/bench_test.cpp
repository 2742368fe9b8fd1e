// Benchmarks of the real programs under Wine: each prints "BENCH <name> <value> <unit>" lines,
// which tools/bench.sh gathers over several runs into BENCHMARKS.md. Nothing here asserts a
// speed; figures are measured, not tested. PLINKETT_BENCH_QUICK=1 shortens every run.
#include <gtest/gtest.h>

#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "harness.h"
#include "settings_block.h"

using namespace e2e;

namespace {

bool quick() { return env("PLINKETT_BENCH_QUICK") == "1"; }

void report(const char* name, double value, const char* unit) {
    std::printf("BENCH %s %.3f %s\n", name, value, unit);
    std::fflush(stdout);
}

double percentile(std::vector<double> v, double p) {
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    std::size_t i = static_cast<std::size_t>(p * (v.size() - 1) + 0.5);
    return v[std::min(i, v.size() - 1)];
}

void send_key(HWND window, WPARAM vk) { SendMessageW(window, WM_KEYDOWN, vk, 0); }

void key_in(HWND window, const char* digits) {
    for (const char* d = digits; *d; ++d)
        send_key(window, static_cast<WPARAM>(*d));
}

// The tick at which the title first equals `want`, polling every millisecond.
DWORD wait_title(const TimerRun& t, const std::wstring& want, DWORD timeout_ms) {
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

double cpu_ms(HANDLE process) {
    FILETIME created, exited, kernel, user;
    GetProcessTimes(process, &created, &exited, &kernel, &user);
    auto ms = [](FILETIME f) {
        return (static_cast<double>(f.dwHighDateTime) * 4294967296.0 + f.dwLowDateTime) / 10000.0;
    };
    return ms(kernel) + ms(user);
}

} // namespace

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

TEST(Bench, Drift) {
    TimerRun t;
    ASSERT_NE(t.window, nullptr);
    const DWORD total = quick() ? 20000 : 600000;
    key_in(t.window, quick() ? "0020" : "1000");
    const DWORD start = GetTickCount();
    send_key(t.window, VK_RETURN);
    DWORD zero = wait_title(t, L"00.00", total + 10000);
    ASSERT_NE(zero, 0u);
    report("drift_ms", static_cast<double>(static_cast<LONG>(zero - (start + total))), "ms");
}

TEST(Bench, DriftWithPause) {
    TimerRun t;
    ASSERT_NE(t.window, nullptr);
    const DWORD total = quick() ? 20000 : 600000, pause = quick() ? 5000 : 300000;
    key_in(t.window, quick() ? "0020" : "1000");
    const DWORD start = GetTickCount();
    send_key(t.window, VK_RETURN);
    Sleep(total / 2);
    const DWORD stopped = GetTickCount();
    send_key(t.window, VK_RETURN);
    Sleep(pause);
    const DWORD resumed = GetTickCount();
    send_key(t.window, VK_RETURN);
    DWORD zero = wait_title(t, L"00.00", total + 10000);
    ASSERT_NE(zero, 0u);
    const DWORD paused_for = resumed - stopped;
    report("drift_with_pause_ms", static_cast<double>(static_cast<LONG>(zero - (start + total + paused_for))),
           "ms");
}

TEST(Bench, CpuIdleAndCounting) {
    TimerRun t;
    ASSERT_NE(t.window, nullptr);
    const DWORD span = quick() ? 5000 : 60000;
    Sleep(2000);
    double before = cpu_ms(t.process->handle());
    Sleep(span);
    double idle = cpu_ms(t.process->handle()) - before;
    report("cpu_idle_percent", 100.0 * idle / span, "% of a core");

    key_in(t.window, "9900");
    send_key(t.window, VK_RETURN);
    Sleep(500);
    before = cpu_ms(t.process->handle());
    Sleep(span);
    double counting = cpu_ms(t.process->handle()) - before;
    report("cpu_counting_percent", 100.0 * counting / span, "% of a core");
}

TEST(Bench, StartupRatio) {
    const std::wstring folder = scratch_folder();
    copy_file_into(built_program(L"Plinkett.exe"), folder, L"Plinkett.exe");
    copy_file_into(built_program(L"tests\\bench\\minimal_window.exe"), folder, L"minimal_window.exe");
    std::vector<double> timer_ms, minimal_ms;
    for (int run = 0; run < (quick() ? 3 : 10); ++run) {
        {
            const DWORD start = GetTickCount();
            Process p(folder + L"\\minimal_window.exe", L"", folder);
            ASSERT_NE(wait_for_window(p.id(), L"MinimalWnd"), nullptr);
            minimal_ms.push_back(GetTickCount() - start);
        }
        {
            const DWORD start = GetTickCount();
            Process p(folder + L"\\Plinkett.exe", L"", folder);
            HWND w = wait_for_window(p.id(), L"PlinkettWnd");
            ASSERT_NE(w, nullptr);
            // Laid out: the last key has its size (the layout precedes the first paint).
            wait_until([&] { return rect_in_parent(GetDlgItem(w, 410)).right > 0; }, 10000);
            timer_ms.push_back(GetTickCount() - start);
        }
    }
    const double timer = percentile(timer_ms, 0.5), minimal = percentile(minimal_ms, 0.5);
    report("startup_timer_ms", timer, "ms");
    report("startup_minimal_window_ms", minimal, "ms");
    report("startup_ratio", timer / minimal, "x");
}

TEST(Bench, MemoryAndSize) {
    TimerRun t;
    ASSERT_NE(t.window, nullptr);
    Sleep(1000);
    PROCESS_MEMORY_COUNTERS_EX m{};
    GetProcessMemoryInfo(t.process->handle(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&m), sizeof m);
    report("timer_working_set_kb", m.WorkingSetSize / 1024.0, "KB");
    report("timer_private_kb", m.PrivateUsage / 1024.0, "KB");

    Process editor(built_program(L"PlinkettProperty.exe"), L"", t.folder);
    if (wait_for_window(editor.id(), L"MainApp", 10000) != nullptr) {
        Sleep(1000);
        PROCESS_MEMORY_COUNTERS_EX e{};
        GetProcessMemoryInfo(editor.handle(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&e), sizeof e);
        report("editor_working_set_kb", e.WorkingSetSize / 1024.0, "KB");
        report("editor_private_kb", e.PrivateUsage / 1024.0, "KB");
    }
    const std::pair<const wchar_t*, const char*> programs[] = {
        {L"Plinkett.exe", "timer_exe_kb"}, {L"PlinkettProperty.exe", "editor_exe_kb"}};
    for (const auto& p : programs) {
        auto bytes = read_file(windows_path(env("PLINKETT_SHIPPED_DIR")) + L"\\" + p.first);
        report(p.second, bytes.size() / 1024.0, "KB");
    }
}
