// The timer started with a time on its command line, as a desktop shortcut starts it.
#include <gtest/gtest.h>

#include <tuple>

#include "harness.h"
#include "settings_block.h"
#include "timer_texts.h"

using namespace e2e;

TEST(CommandLine, PresetCountsDownToTheAlarmAndShowsItsTimeAgain) {
    const wchar_t* const channels = relay_debug_channels;
    relay_debug_channels = L"+timestamp,+relay";
    TracedTimerRun t(L"SetTimer;KillTimer", with_setting(settings_block::alarm_time_ms_at, 500),
                     L"0.03");
    relay_debug_channels = channels;
    // The tick of the first call of `function` on the window timer 411, or 0.
    auto window_timer_call = [&](const char* function) {
        for (const RelayCall& c : t.calls())
            if (c.name() == function && c.args.size() > 1 && c.value(1) == TIMER_ID)
                return c.tick;
        return std::uint32_t{0};
    };
    ASSERT_TRUE(t.title_becomes(L"00.01", 4000)) << t.title();
    // The countdown's end, the window timer killed before the alarm, stays in the log.
    ASSERT_TRUE(wait_until([&] { return window_timer_call("KillTimer") != 0; }, 4000));
    EXPECT_NEAR(window_timer_call("KillTimer") - window_timer_call("SetTimer"), 3000.0, 300.0);
    ASSERT_TRUE(t.title_becomes(L"00.03")) << t.title();
    send_key(t.window, VK_RETURN); // START runs the preset again
    EXPECT_TRUE(t.title_becomes(L"00.02")) << t.title();
}

TEST(CommandLine, SetOnlySwitchWaitsForStartUnitsCarryMinutesAndSecondsShowAsWritten) {
    // 05.60 counts six minutes, as keying 5, 6, 0 does.
    for (const auto& [arguments, set, next] :
         {std::make_tuple(L"-nostart \"90s\"", L"01.30", L"01.29"),
          std::make_tuple(L"5:60 /nostart", L"05.60", L"05.59")}) {
        TimerRun t(nullptr, {}, arguments);
        ASSERT_TRUE(t.title_becomes(set)) << t.title();
        pause_ms(1500);
        EXPECT_EQ(t.title(), set);
        send_key(t.window, VK_RETURN);
        EXPECT_TRUE(t.title_becomes(next)) << t.title();
    }
}

TEST(CommandLine, BadArgumentShowsTheFormsThenTheTimerAsWithout) {
    TimerRun t(nullptr, {}, L"/x 25m");
    const HWND box = wait_for_message_box(t.process->id());
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(message_text(box), std::wstring(timer_texts::bad_argument) + timer_texts::forms);
    EXPECT_EQ(GetWindow(box, GW_OWNER), t.window);
    press_ok(box);
    EXPECT_EQ(t.title(), L"PlinkettWnd"); // as without arguments
    EXPECT_TRUE(t.running());
}
