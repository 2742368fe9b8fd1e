// The timer's taskbar button: a countdown's progress on it, and the flashing of an alarm that
// sounds behind other windows, read from Wine's relay log.
//
// The progress goes to the shell's taskbar list. Wine's own notes each method only the first time
// it is called, so a stand-in (stand_in/taskbar_list.cpp) is registered for the class instead; it
// reports every call through OutputDebugStringA, which the relay log prints in line with the
// timer's own calls. Wine runs no shell taskbar here and never announces the button: the tests
// send the registered "TaskbarButtonCreated" message themselves, as the shell would.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "harness.h"
#include "settings_block.h"

using namespace e2e;

namespace {

const std::wstring taskbar_list_class =
    L"CLSID\\{56FDF344-FD6D-11D0-958A-006097C9A090}\\InprocServer32";

// The traced calls in order, with the stand-in's reports in their place as calls of "taskbar"
// whose arguments are the report's words: "SetProgressValue", window, completed, total.
std::vector<RelayCall> events_of(const TracedTimerRun& t) {
    std::vector<RelayCall> events;
    for (RelayCall c : t.calls()) {
        if (c.function.find("OutputDebugStringA") != std::string::npos) {
            const std::string& arg = c.args.at(0);
            const std::size_t open = arg.find("\"taskbar ");
            if (open == std::string::npos)
                continue; // someone else's
            std::istringstream words(arg.substr(open + 9, arg.rfind('"') - open - 9));
            c.function = "taskbar";
            c.args.clear();
            for (std::string w; words >> w;)
                c.args.push_back(w);
        }
        events.push_back(c);
    }
    return events;
}

bool is_report(const RelayCall& e, const char* what) {
    return e.function == "taskbar" && !e.args.empty() && e.args[0] == what;
}

std::size_t count(const std::vector<RelayCall>& events,
                  const std::function<bool(const RelayCall&)>& f) {
    std::size_t n = 0;
    for (const auto& e : events)
        n += f(e) ? 1 : 0;
    return n;
}

// Index of the first event at or after `from` that `f` accepts, or events.size().
std::size_t find(const std::vector<RelayCall>& events, std::size_t from,
                 const std::function<bool(const RelayCall&)>& f) {
    while (from < events.size() && !f(events[from]))
        ++from;
    return from;
}

bool sets_title(const RelayCall& e, const char* text) {
    return e.name() == "SetWindowTextW" && e.args.size() == 2 &&
           e.args[1].find(std::string("L\"") + text + "\"") != std::string::npos;
}

bool wait_for(const TracedTimerRun& t, const std::function<bool(const RelayCall&)>& f) {
    return wait_until([&] { return count(events_of(t), f) > 0; }, 5000);
}

std::string hex(HWND window) {
    char text[24];
    snprintf(text, sizeof text, "%llx",
             static_cast<unsigned long long>(reinterpret_cast<std::uintptr_t>(window)));
    return text;
}

} // namespace

TEST(Taskbar, ACountdownShowsItsBarOnTheButtonPausedThenAnErrorDuringTheAlarm) {
    UserSetting stand_in(HKEY_CLASSES_ROOT, taskbar_list_class.c_str(), L"",
                         beside_driver(L"taskbar_list_stand_in.dll").c_str());
    TracedTimerRun t(L"CoInitializeEx;CoCreateInstance;CoUninitialize;OutputDebugStringA;"
                     L"CreateThread;SetWindowTextW",
                     with_setting(settings_block::alarm_time_ms_at, 800));
    ASSERT_NE(t.window, nullptr);
    SendMessageW(t.window, RegisterWindowMessageW(L"TaskbarButtonCreated"), 0, 0);
    send_key(t.window, '2');
    ASSERT_EQ(t.title(), L"00.02");
    // Wine's input method support enters COM on its own at start-up: only the timer's own calls
    // count.
    ObjectLedger ledger(t);
    ledger.update();
    EXPECT_EQ(ledger.calls("CoInitializeEx") + ledger.calls("CoCreateInstance"), 0)
        << "COM before the first START";

    const auto state = [](const char* flags) {
        return [flags](const RelayCall& e) {
            return is_report(e, "SetProgressState") && e.args.size() == 3 && e.args[2] == flags;
        };
    };
    send_key(t.window, VK_RETURN);
    ASSERT_TRUE(t.title_becomes(L"00.01")) << t.title();
    send_key(t.window, VK_RETURN); // pause
    ASSERT_TRUE(wait_for(t, state("8")));
    pause_ms(300);
    send_key(t.window, VK_RETURN); // go on
    ASSERT_TRUE(wait_for(t, state("0"))) << "the alarm did not end";
    // A count-up (set time 00.00) shows nothing.
    for (int i = 0; i < 4; ++i)
        send_key(t.window, '0');
    ASSERT_EQ(t.title(), L"00.00");
    send_key(t.window, VK_RETURN);
    ASSERT_TRUE(t.title_becomes(L"00.01")) << t.title();
    send_key(t.window, VK_RETURN);
    EXPECT_EQ(t.close(), 0u);

    const auto events = events_of(t);
    ledger.update();
    EXPECT_EQ(ledger.calls("CoInitializeEx"), 1);
    EXPECT_EQ(ledger.calls("CoCreateInstance"), 1);
    EXPECT_EQ(ledger.calls("CoUninitialize"), 1);
    EXPECT_EQ(count(events, [](const RelayCall& e) { return is_report(e, "created"); }), 1u);
    EXPECT_EQ(count(events, [](const RelayCall& e) { return is_report(e, "destroyed"); }), 1u)
        << "released at exit";

    // States in order, each once: running, paused, running, alarm, nothing (and nothing else
    // through the count-up).
    std::vector<std::string> states;
    for (const auto& e : events)
        if (is_report(e, "SetProgressState"))
            states.push_back(e.args.at(2));
    EXPECT_EQ(states, (std::vector<std::string>{"2", "8", "2", "4", "0"}));

    // Values only while counting down, each a new and larger share of the same whole, ending full.
    const std::size_t paused_at = find(events, 0, state("8"));
    const std::size_t resumed_at = find(events, paused_at, state("2"));
    const std::size_t alarm_at =
        find(events, 0, [](const RelayCall& e) { return e.name() == "CreateThread"; });
    const std::size_t error_at = find(events, 0, state("4"));
    const std::size_t ended_at = find(events, 0, state("0"));
    EXPECT_LT(alarm_at, error_at);
    EXPECT_LT(find(events, alarm_at, [](const RelayCall& e) { return sets_title(e, "00.02"); }),
              ended_at)
        << "nothing shown before the set time is back";
    unsigned long long last = 0, total = 0;
    std::size_t values = 0;
    for (std::size_t i = 0; i < events.size(); ++i) {
        const RelayCall& e = events[i];
        if (is_report(e, "SetProgressState") || is_report(e, "SetProgressValue")) {
            EXPECT_EQ(e.args.at(1), hex(t.window));
        }
        if (!is_report(e, "SetProgressValue"))
            continue;
        SCOPED_TRACE("value " + std::to_string(values));
        EXPECT_FALSE(i > paused_at && i < resumed_at) << "a value while paused";
        EXPECT_LT(i, ended_at);
        const unsigned long long completed = std::stoull(e.args.at(2));
        const unsigned long long whole = std::stoull(e.args.at(3));
        if (values++ == 0)
            total = whole;
        else
            EXPECT_GT(completed, last) << "sent again for the same bar";
        EXPECT_EQ(whole, total);
        last = completed;
    }
    EXPECT_EQ(total, 312u) << "the chunk's full width at the design size";
    EXPECT_EQ(last, total) << "full by the alarm";
    EXPECT_GT(values, 20u) << "the value follows the bar";
}

TEST(Taskbar, AnAlarmBehindAnotherWindowFlashesTheButtonUntilItEnds) {
    for (bool behind : {true, false}) {
        SCOPED_TRACE(behind ? "another window in front" : "the timer in front");
        TracedTimerRun t(L"FlashWindowEx;CreateThread;SetWindowTextW;CoCreateInstance",
                         with_setting(settings_block::alarm_time_ms_at, 500));
        ASSERT_NE(t.window, nullptr);
        HWND other = CreateWindowExW(0, L"STATIC", L"in front", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0,
                                     0, 200, 100, nullptr, nullptr, nullptr, nullptr);
        ASSERT_NE(other, nullptr);
        HWND front = behind ? other : t.window;
        // Another process's window comes to the front when its thread has heard of it.
        SetForegroundWindow(front);
        ASSERT_TRUE(wait_until([&] { return GetForegroundWindow() == front; }, 3000));

        send_key(t.window, '1');
        send_key(t.window, VK_RETURN);
        const auto alarm = [](const RelayCall& e) { return e.name() == "CreateThread"; };
        ASSERT_TRUE(wait_for(t, alarm));
        ASSERT_TRUE(t.title_becomes(L"00.01")) << t.title();
        send_key(t.window, VK_SHIFT); // returns once the alarm's end has been handled
        EXPECT_EQ(GetForegroundWindow(), front);
        ObjectLedger ledger(t);
        EXPECT_EQ(t.close(), 0u);
        DestroyWindow(other);
        ledger.update();
        // The shell never announced a button, so nothing was made for it.
        EXPECT_EQ(ledger.calls("CoCreateInstance"), 0);

        const auto events = events_of(t);
        const auto flashes = [](const RelayCall& e) { return e.name() == "FlashWindowEx"; };
        if (!behind) {
            EXPECT_EQ(count(events, flashes), 0u);
            continue;
        }
        // Starts with the alarm; stops once the set time is back.
        ASSERT_EQ(count(events, flashes), 2u);
        const std::size_t alarm_at = find(events, 0, alarm);
        const std::size_t start_at = find(events, 0, flashes);
        const std::size_t back_at =
            find(events, alarm_at, [](const RelayCall& e) { return sets_title(e, "00.01"); });
        EXPECT_LT(alarm_at, start_at);
        EXPECT_LT(start_at, back_at);
        EXPECT_LT(back_at, find(events, start_at + 1, flashes));
    }
}
