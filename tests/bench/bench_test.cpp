// Benchmarks of the real programs under Wine: each prints "BENCH <name> <value> <unit>" lines,
// which tools/bench.sh gathers over several runs into BENCHMARKS.md. Nothing here asserts a
// speed; figures are measured, not tested. PLINKETT_BENCH_QUICK=1 shortens every run.
#include <gtest/gtest.h>

#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <functional>
#include <cstdio>
#include <map>
#include <random>
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
    while (static_cast<int>(lags.size()) < seconds &&
           GetTickCount() - start < (seconds + 5) * 1000u) {
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

namespace {

// A reference program beside the benchmarks, copied into `folder` and started there with
// `argument`; its Wine process's Linux id is 0 when it did not come up.
std::wstring copied_reference(const std::wstring& folder, const wchar_t* program) {
    copy_file_into(built_program((std::wstring(L"tests\\bench\\") + program).c_str()), folder,
                   program);
    return folder + L"\\" + program;
}

struct Reference {
    Reference(const std::wstring& folder, const wchar_t* program, const wchar_t* argument,
              const wchar_t* window_class)
        : process(copied_reference(folder, program), argument, folder),
          pid(wait_for_window(process.id(), window_class) != nullptr
                  ? unix_pid_of(folder + L"\\" + program)
                  : 0) {}
    Process process;
    DWORD pid;
};

// % of a core that each of `pids` used in each of `count` spans of `span_ms`, measured side
// by side: whatever else the machine does in a span weighs on all of them alike, and the medians
// over the spans leave out the spans that a burst of other work disturbed.
std::vector<std::vector<double>> cpu_percent_side_by_side(const std::vector<DWORD>& pids, int count,
                                                          DWORD span_ms) {
    std::vector<std::vector<double>> percent(count);
    for (std::vector<double>& span : percent) {
        std::vector<double> before;
        for (DWORD pid : pids)
            before.push_back(unix_cpu_ns(pid));
        Sleep(span_ms);
        for (std::size_t i = 0; i < pids.size(); ++i)
            span.push_back(pids[i] == 0 ? -1 : (unix_cpu_ns(pids[i]) - before[i]) / 1e4 / span_ms);
    }
    return percent;
}

// The median over the spans of what `of` makes of one span's figures.
double median_over(const std::vector<std::vector<double>>& spans,
                   const std::function<double(const std::vector<double>&)>& of) {
    std::vector<double> values;
    for (const std::vector<double>& span : spans)
        values.push_back(of(span));
    return percentile(values, 0.5);
}

} // namespace

TEST(Bench, CpuIdleAndCounting) {
    TimerRun t;
    ASSERT_NE(t.window, nullptr);
    const DWORD pid = unix_pid_of(t.folder + L"\\Plinkett.exe");
    ASSERT_NE(pid, 0u) << "the timer's Wine process was not found in /proc";
    // Twelve spans of five seconds (one of each, quick).
    const int spans = quick() ? 1 : 12;
    const DWORD span_ms = 5000;
    Sleep(2000);
    const auto idle = cpu_percent_side_by_side({pid}, spans, span_ms);
    report("cpu_idle_percent", median_over(idle, [](auto& p) { return p[0]; }), "% of a core");

    // The floors run beside the counting timer, over the same spans: a bare window whose 1 ms
    // window timer does nothing, and the fair floor running (the design's window and keys with
    // a 1 ms timer reading the tick count).
    Reference bare(t.folder, L"minimal_window.exe", L"tick", L"MinimalWnd");
    Reference floor(t.folder, L"fair_floor.exe", L"run", L"FairFloorWnd");
    key_in(t.window, "9900");
    send_key(t.window, VK_RETURN);
    Sleep(500);
    const auto counting = cpu_percent_side_by_side({pid, bare.pid, floor.pid}, spans, span_ms);
    report("cpu_counting_percent", median_over(counting, [](auto& p) { return p[0]; }),
           "% of a core");
    report("cpu_bare_1ms_timer_percent", median_over(counting, [](auto& p) { return p[1]; }),
           "% of a core");
    report("cpu_fair_floor_running_percent", median_over(counting, [](auto& p) { return p[2]; }),
           "% of a core");
    report("cpu_counting_ratio_bare", median_over(counting, [](auto& p) { return p[0] / p[1]; }),
           "x");
    report("cpu_counting_ratio_fair", median_over(counting, [](auto& p) { return p[0] / p[2]; }),
           "x");
}

namespace {

// Milliseconds from CreateProcess (with `arguments`) until a visible window of `cls` is `ready`.
double time_to_window(const std::wstring& folder, const wchar_t* program, const wchar_t* cls,
                      const std::function<bool(HWND)>& ready, const wchar_t* arguments = L"") {
    const DWORD start = GetTickCount();
    Process p(folder + L"\\" + program, arguments, folder);
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
    for (const wchar_t* name :
         {L"minimal_window.exe", L"minimal_window_cc6.exe", L"fair_floor.exe"})
        copy_file_into(built_program((std::wstring(L"tests\\bench\\") + name).c_str()), folder,
                       name);
    auto shown = [](HWND) { return true; };
    // Laid out: the start key has its size (the layout comes before the first paint).
    auto keypad = [](HWND w) { return rect_in_parent(GetDlgItem(w, start_button_id)).right > 0; };
    auto preset = [](HWND w) { return text_of(w) != L"PlinkettWnd"; }; // set after the layout
    std::vector<double> timer, timer_preset, minimal, minimal_cc6, fair_floor;
    // Interleaved, twenty of each: the medians then hold still from run to run.
    for (int run = 0; run < (quick() ? 3 : 20); ++run) {
        fair_floor.push_back(time_to_window(folder, L"fair_floor.exe", L"FairFloorWnd", keypad));
        minimal.push_back(time_to_window(folder, L"minimal_window.exe", L"MinimalWnd", shown));
        minimal_cc6.push_back(
            time_to_window(folder, L"minimal_window_cc6.exe", L"MinimalWnd", shown));
        timer.push_back(time_to_window(folder, L"Plinkett.exe", L"PlinkettWnd", keypad));
        timer_preset.push_back(
            time_to_window(folder, L"Plinkett.exe", L"PlinkettWnd", preset, L"25m"));
    }
    report("startup_timer_ms", percentile(timer, 0.5), "ms");
    report("startup_timer_preset_ms", percentile(timer_preset, 0.5), "ms");
    report("startup_preset_ratio", percentile(timer_preset, 0.5) / percentile(timer, 0.5), "x");
    report("startup_minimal_window_ms", percentile(minimal, 0.5), "ms");
    report("startup_minimal_window_cc6_ms", percentile(minimal_cc6, 0.5), "ms");
    report("startup_ratio", percentile(timer, 0.5) / percentile(minimal, 0.5), "x");
    report("startup_ratio_cc6", percentile(timer, 0.5) / percentile(minimal_cc6, 0.5), "x");
    report("startup_fair_floor_ms", percentile(fair_floor, 0.5), "ms");
    report("startup_ratio_fair", percentile(timer, 0.5) / percentile(fair_floor, 0.5), "x");
}

// Where the start-up time goes, and what a tick that changes nothing on the screen costs: the
// timer built with its steps timed (plinkett_steps.exe, the same code and resources) writes
// them to step-times.txt at exit.
TEST(Bench, StartupStepsAndTickCost) {
    const std::wstring folder = scratch_folder();
    copy_file_into(built_program(L"tests\\bench\\plinkett_steps.exe"), folder, L"Plinkett.exe");
    {
        Process timer(folder + L"\\Plinkett.exe", L"", folder);
        HWND window = wait_for_window(timer.id(), L"PlinkettWnd");
        ASSERT_NE(window, nullptr);
        key_in(window, "9900"); // the bar moves a pixel about every 19 s
        send_key(window, VK_RETURN);
        Sleep(quick() ? 3000 : 10000);
        PostMessageW(window, WM_CLOSE, 0, 0);
        ASSERT_EQ(timer.wait_exit(15000), 0u);
    }
    const std::vector<std::uint8_t> bytes = read_file(folder + L"\\step-times.txt");
    std::string text(bytes.begin(), bytes.end());
    char name[64];
    double value = 0;
    int used = 0;
    for (const char* at = text.c_str(); std::sscanf(at, "%63s %lf%n", name, &value, &used) == 2;
         at += used) {
        const std::string step = name;
        if (step == "ticks" || step == "second_ticks")
            report((step.substr(0, step.size() - 1) + "_count").c_str(), value, "ticks");
        else if (step.find("tick_") != std::string::npos)
            report((step + "_us").c_str(), value * 1000.0, "us");
        else
            report(("step_" + step + "_ms").c_str(), value, "ms");
    }
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

namespace {

// Milliseconds of the performance counter: finer than the tick count's steps.
double precise_ms() {
    static const double counts_per_ms = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return static_cast<double>(f.QuadPart) / 1000.0;
    }();
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return static_cast<double>(now.QuadPart) / counts_per_ms;
}

// Traced timers started while one lives prefix every relay line with Wine's tick count.
struct RelayTimestamps {
    const wchar_t* saved = relay_debug_channels;
    RelayTimestamps() { relay_debug_channels = L"+timestamp,+relay"; }
    ~RelayTimestamps() { relay_debug_channels = saved; }
    RelayTimestamps(const RelayTimestamps&) = delete;
    RelayTimestamps& operator=(const RelayTimestamps&) = delete;
};

enum class Sound { wave_started, wave_stopped, beep };

// The traced timer's calls that made `which` so far.
std::vector<RelayCall> sound_calls(const TracedTimerRun& t, Sound which) {
    const auto calls = t.calls();
    if (which == Sound::beep)
        return calls_of(calls, "KERNEL32.Beep");
    std::vector<RelayCall> found;
    for (const auto& c : calls_of(calls, "winmm.PlaySoundW"))
        if ((c.value(0) != 0) == (which == Sound::wave_started))
            found.push_back(c);
    return found;
}

struct StopLatency {
    double stopped_ms = -1; // Enter to PlaySoundW(NULL, NULL, SND_ASYNC); -1 without a wave
    double shown_ms = -1;   // Enter to the set time as the title again
};

// One countdown of the set time 00.01 into a long alarm, ended with Enter once it sounds.
// The Enter comes after a random few milliseconds, so that over several alarms it falls at
// every point of a sound round. The relay log's timestamps are Wine's tick count, read here with
// GetTickCount: it moves by the millisecond while processes call the Wine server (as this
// driver's polling does), in steps of up to 16 ms when all is quiet.
StopLatency stop_one_alarm(const TracedTimerRun& t, bool wave, std::mt19937& rng,
                           const CalledFrom& = {}) {
    StopLatency result;
    const Sound sounding = wave ? Sound::wave_started : Sound::beep;
    const std::size_t sounds = sound_calls(t, sounding).size();
    const std::size_t stops = sound_calls(t, Sound::wave_stopped).size();
    post_key(t.window, VK_RETURN);
    if (!wait_until([&] { return sound_calls(t, sounding).size() > sounds; }, 5000)) {
        ADD_FAILURE() << "the alarm did not sound";
        return result;
    }
    Sleep(std::uniform_int_distribution<DWORD>(20, 60)(rng));

    const DWORD enter_tick = GetTickCount();
    const double enter = precise_ms();
    post_key(t.window, VK_RETURN);
    while (t.title() != L"00.01") {
        if (precise_ms() - enter > 5000) {
            ADD_FAILURE() << "the set time did not show again: " << t.title();
            return result;
        }
        Sleep(1);
    }
    result.shown_ms = precise_ms() - enter;
    if (wave) {
        const auto stopped = sound_calls(t, Sound::wave_stopped);
        if (stopped.size() != stops + 1 || stopped.back().tick == 0) {
            ADD_FAILURE() << "no timestamped stop of the wave among " << stopped.size() << " stops";
            return result;
        }
        result.stopped_ms = static_cast<LONG>(stopped.back().tick - enter_tick);
    }
    return result;
}

} // namespace

TEST(Bench, AlarmStopLatency) {
    const RelayTimestamps timestamps;
    std::mt19937 rng(20240607u);
    for (bool wave : {true, false}) {
        SCOPED_TRACE(wave ? "with a wave file" : "with beeps");
        // The shipped beeps; an alarm long enough that Enter always ends it.
        TracedTimerRun t(L"winmm.PlaySoundW;kernel32.Beep",
                         with_setting(settings_block::alarm_time_ms_at, 10000));
        ASSERT_NE(t.window, nullptr);
        if (wave)
            write_test_wave(t.folder + L"\\chime.wav");
        post_key(t.window, '1');
        ASSERT_TRUE(t.title_becomes(L"00.01"));

        std::vector<double> stopped, shown;
        for (int i = 0; i < (quick() ? 3 : 15); ++i) {
            const StopLatency l = stop_one_alarm(t, wave, rng);
            ASSERT_GE(l.shown_ms, 0) << "alarm " << i;
            shown.push_back(l.shown_ms);
            if (wave)
                stopped.push_back(l.stopped_ms);
        }
        if (wave) {
            report("alarm_stop_wave_ms", percentile(stopped, 0.5), "ms");
            report("alarm_shown_wave_ms", percentile(shown, 0.5), "ms");
        } else {
            report("alarm_shown_beep_ms", percentile(shown, 0.5), "ms");
        }
        EXPECT_EQ(t.close(), 0u);
    }
}

namespace {

// The live objects by kind, and how many more there are than at `baseline`, as figures
// "handles_<scenario>_<kind>" and "handles_<scenario>_<kind>_delta".
void report_objects(const std::string& scenario, const std::map<std::string, long>& baseline,
                    const std::map<std::string, long>& after) {
    const std::pair<const char*, const char*> kinds[] = {
        {"GDI", "gdi"}, {"USER", "user"}, {"kernel", "kernel"}};
    for (const auto& k : kinds) {
        const std::string name = "handles_" + scenario + "_" + k.second;
        report(name.c_str(), after.at(k.first), "objects");
        report((name + "_delta").c_str(), after.at(k.first) - baseline.at(k.first), "objects");
    }
}

} // namespace

TEST(Bench, HandlesAfterStartStopToggles) {
    TracedTimerRun t(object_calls().c_str());
    ASSERT_NE(t.window, nullptr);
    ObjectLedger ledger(t);
    key_in(t.window, "100"); // 01.00: no run ends during the test
    for (int i = 0; i < 4; ++i)
        send_key(t.window, VK_RETURN);
    run_a_while(t);
    const auto baseline = settled_objects(ledger);

    // Pairs of toggles, so the timer ends paused as at the baseline; at most five minutes.
    const int wanted = quick() ? 200 : 10000;
    const double start = precise_ms();
    int done = 0;
    while (done < wanted && precise_ms() - start < 300000) {
        send_key(t.window, VK_RETURN);
        send_key(t.window, VK_RETURN);
        done += 2;
        if (done % 1000 == 0)
            ledger.update(); // keeps the unread log short
    }
    report("handles_toggle_seconds", (precise_ms() - start) / 1000, "s");
    run_a_while(t);
    const auto after = settled_objects(ledger);
    report("handles_toggle_count", done, "toggles");
    report_objects("toggle", baseline, after);
    EXPECT_NE(t.title(), L"01.00") << "the countdown ran";
    EXPECT_EQ(t.close(), 0u);
}

TEST(Bench, HandlesAfterShortCountdownsWithAlarms) {
    TracedTimerRun t(object_calls().c_str(), with_setting(settings_block::alarm_time_ms_at, 100));
    ASSERT_NE(t.window, nullptr);
    ObjectLedger ledger(t);
    key_in(t.window, "1"); // 00.01
    // One countdown, its alarm (the only thread the timer makes) and the return to idle.
    auto countdown = [&] {
        const long alarms = ledger.calls("CreateThread");
        send_key(t.window, VK_RETURN);
        return wait_until(
            [&] {
                ledger.update();
                return ledger.calls("CreateThread") > alarms &&
                       ledger.released("CreateThread") == ledger.calls("CreateThread");
            },
            5000);
    };
    const int warm_up = 3, total = quick() ? 10 : 200;
    for (int i = 0; i < warm_up; ++i)
        ASSERT_TRUE(countdown()) << "countdown " << i;
    const auto baseline = settled_objects(ledger);
    int done = warm_up;
    for (; done < total; ++done)
        ASSERT_TRUE(countdown()) << "countdown " << done;
    const auto after = settled_objects(ledger);
    report("handles_alarm_count", done, "countdowns");
    report_objects("alarm", baseline, after);
    EXPECT_EQ(t.title(), L"00.01");
    EXPECT_EQ(t.close(), 0u);
}
