// The timer started with a time on its command line, as a desktop shortcut starts it: the time
// runs at once or waits for START, and an argument it does not understand is named in a box
// before the timer opens as it always does.
#include <gtest/gtest.h>

#include <set>
#include <string>

#include "harness.h"
#include "settings_block.h"
#include "timer_texts.h"

using namespace e2e;

namespace {

// The tick of the first call of `function` with the timer's window timer (411) as its second
// argument, or 0.
std::uint32_t window_timer_call(const TracedTimerRun& t, const char* function) {
    for (const RelayCall& c : t.calls())
        if (c.name() == function && c.args.size() > 1 && c.value(1) == TIMER_ID)
            return c.tick;
    return 0;
}

} // namespace

TEST(CommandLine, PresetCountsDownToTheAlarmAndShowsItsTimeAgain) {
    const wchar_t* const channels = relay_debug_channels;
    relay_debug_channels = L"+timestamp,+relay";
    TracedTimerRun t(L"SetTimer;KillTimer", with_setting(settings_block::alarm_time_ms_at, 500),
                     L"0.03");
    relay_debug_channels = channels;
    ASSERT_NE(t.window, nullptr);
    // The end of the countdown (the window timer killed, then the alarm) is an event in the log
    // that stays; the titles before it last a second each.
    std::set<std::wstring> titles;
    ASSERT_TRUE(wait_until(
        [&] {
            titles.insert(t.title());
            return window_timer_call(t, "KillTimer") != 0;
        },
        8000));
    EXPECT_EQ(titles.count(L"00.02") + titles.count(L"00.01"), 2u);
    const std::uint32_t started = window_timer_call(t, "SetTimer");
    ASSERT_NE(started, 0u);
    EXPECT_NEAR(window_timer_call(t, "KillTimer") - started, 3000.0, 300.0);
    ASSERT_TRUE(t.title_becomes(L"00.03")) << t.title();
    send_key(t.window, VK_RETURN); // START runs the preset again
    EXPECT_TRUE(t.title_becomes(L"00.02")) << t.title();
}

TEST(CommandLine, SetOnlySwitchWaitsForStartAndSecondsCarry) {
    TimerRun t(nullptr, {}, L"-nostart \"90s\"");
    ASSERT_NE(t.window, nullptr);
    ASSERT_TRUE(t.title_becomes(L"01.30")) << t.title();
    pause_ms(1500);
    EXPECT_EQ(t.title(), L"01.30");
    send_key(t.window, VK_RETURN);
    EXPECT_TRUE(t.title_becomes(L"01.29")) << t.title();
}

TEST(CommandLine, BadArgumentOrHelpShowsTheFormsThenTheTimerAsWithout) {
    const struct {
        const wchar_t* arguments;
        const wchar_t* opening;
    } cases[] = {{L"/x 25m", timer_texts::bad_argument},
                 {L"100", timer_texts::bad_argument},
                 {L"/?", timer_texts::usage}};
    for (const auto& c : cases) {
        TimerRun t(nullptr, {}, c.arguments);
        ASSERT_NE(t.window, nullptr) << c.arguments;
        const HWND box = wait_for_message_box(t.process->id());
        ASSERT_NE(box, nullptr) << c.arguments;
        EXPECT_EQ(message_text(box), std::wstring(c.opening) + timer_texts::forms) << c.arguments;
        EXPECT_EQ(text_of(box), timer_texts::caption);
        EXPECT_EQ(GetWindow(box, GW_OWNER), t.window);
        press_ok(box);
        EXPECT_EQ(t.title(), L"PlinkettWnd") << c.arguments; // as without arguments
        EXPECT_TRUE(t.running()) << c.arguments;
    }
}
