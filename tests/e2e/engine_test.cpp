// The timer engine through the real window: keys, clicks, the wheel and double-clicks set the
// time; START counts down, pauses, resumes and counts up; the time text is drawn centred above
// the bar.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <string>
#include <vector>

#include "harness.h"
#include "settings_block.h"

using namespace e2e;

namespace {

// A timer whose alarm ends at once, so a countdown that reaches zero goes straight back to idle.
const auto silent_alarm = with_setting(settings_block::alarm_time_ms_at, 0);
// An alarm long enough for its "00.00" to be seen by a poll, and short enough to wait for.
const auto short_alarm = with_setting(settings_block::alarm_time_ms_at, 300);

// The title as it changes over `duration_ms`: each new text with the time it was first seen.
struct Seen {
    DWORD at;
    std::wstring title;
};
std::vector<Seen> watch_title(const TimerRun& t, DWORD duration_ms) {
    std::vector<Seen> seen;
    const DWORD start = GetTickCount();
    wait_until(
        [&] {
            const std::wstring now = t.title();
            if (seen.empty() || seen.back().title != now)
                seen.push_back({GetTickCount() - start, now});
            return false;
        },
        duration_ms);
    return seen;
}

std::wstring titles(const std::vector<Seen>& seen) {
    std::wstring all;
    for (const auto& s : seen)
        all += s.title + L"@" + std::to_wstring(s.at) + L" ";
    return all;
}

} // namespace

TEST(Engine, DigitKeysKeypadNavigationKeysAndClicksEnterDigits) {
    TimerRun t;
    ASSERT_NE(t.window, nullptr);
    // Keypad with Num Lock off: the navigation keys in the keypad's digit positions.
    const WPARAM navigation[10] = {VK_INSERT, VK_END,   VK_DOWN, VK_NEXT, VK_LEFT,
                                   VK_CLEAR,  VK_RIGHT, VK_HOME, VK_UP,   VK_PRIOR};
    struct Way {
        const char* name;
        std::function<void(int)> enter;
    };
    const std::vector<Way> ways = {
        {"main keyboard", [&](int d) { post_key(t.window, '0' + d); }},
        {"numeric keypad", [&](int d) { post_key(t.window, VK_NUMPAD0 + d); }},
        {"navigation keys", [&](int d) { post_key(t.window, navigation[d]); }},
        {"clicks", [&](int d) { click(t.digit_key(d)); }},
    };
    // Each way keys in 1, 2, ... 9, 0; the digits shift in from the right.
    const wchar_t* const first[10] = {L"00.01", L"00.12", L"01.23", L"12.34", L"23.45",
                                      L"34.56", L"45.67", L"56.78", L"67.89", L"78.90"};
    const wchar_t* const again[10] = {L"89.01", L"90.12", L"01.23", L"12.34", L"23.45",
                                      L"34.56", L"45.67", L"56.78", L"67.89", L"78.90"};
    for (std::size_t w = 0; w < ways.size(); ++w) {
        for (int i = 0; i < 10; ++i) {
            const int digit = (i + 1) % 10;
            ways[w].enter(digit);
            const wchar_t* want = w == 0 ? first[i] : again[i];
            EXPECT_TRUE(t.title_becomes(want))
                << ways[w].name << ", digit " << digit << ": " << t.title();
        }
    }
}

TEST(Engine, UnlistedKeysAndDoubleClickDropAPausedRunAndShowTheSetTime) {
    TimerRun t(silent_alarm);
    ASSERT_NE(t.window, nullptr);
    post_key(t.window, VK_SPACE); // at start-up the title is the class name
    ASSERT_TRUE(t.title_becomes(L"00.00")) << t.title();
    post_key(t.window, '5');
    ASSERT_TRUE(t.title_becomes(L"00.05"));

    const std::vector<std::pair<WPARAM, const char*>> resets = {
        {VK_SPACE, "Space"},   {VK_ESCAPE, "Escape"}, {VK_BACK, "Backspace"},
        {VK_DELETE, "Delete"}, {VK_TAB, "Tab"},       {'A', "A"},
        {VK_SHIFT, "Shift"},   {VK_CONTROL, "Ctrl"},  {0, "double-click"}};
    for (const auto& r : resets) {
        SCOPED_TRACE(r.second);
        post_key(t.window, VK_RETURN); // start
        post_key(t.window, VK_RETURN); // and pause at once
        wheel(t.window, false, true);  // paused: one second more elapsed
        ASSERT_TRUE(t.title_becomes(L"00.04")) << t.title();
        if (r.first != 0)
            post_key(t.window, r.first);
        else
            PostMessageW(t.window, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(50, 50));
        EXPECT_TRUE(t.title_becomes(L"00.05")) << t.title();
        // Idle again: the wheel on the minutes side steps the set time, not a paused run.
        wheel(t.window, true, true);
        EXPECT_TRUE(t.title_becomes(L"99.05")) << t.title();
        wheel(t.window, true, false);
        ASSERT_TRUE(t.title_becomes(L"00.05")) << t.title();
    }

    // A digit drops the paused run too, and is entered.
    post_key(t.window, VK_RETURN);
    post_key(t.window, VK_RETURN);
    wheel(t.window, false, true);
    ASSERT_TRUE(t.title_becomes(L"00.04")) << t.title();
    post_key(t.window, '1');
    EXPECT_TRUE(t.title_becomes(L"00.51")) << t.title();
    wheel(t.window, true, true);
    EXPECT_TRUE(t.title_becomes(L"99.51")) << t.title();
}

TEST(Engine, IdleWheelStepsMinutesOnTheLeftAndSecondsOnTheRight) {
    TimerRun t;
    ASSERT_NE(t.window, nullptr);
    struct Step {
        bool left_half, away;
        const wchar_t* want;
    };
    const std::vector<Step> steps = {
        {false, true, L"99.59"}, {false, false, L"00.00"}, {false, false, L"00.01"},
        {true, false, L"01.01"}, {true, true, L"00.01"},   {true, true, L"99.01"},
        {true, false, L"00.01"},
    };
    for (const auto& s : steps) {
        wheel(t.window, s.left_half, s.away);
        EXPECT_TRUE(t.title_becomes(s.want)) << (s.left_half ? "left " : "right ")
                                             << (s.away ? "away" : "towards") << ": " << t.title();
    }
    // 00.75 keyed in, one step towards the user on the seconds side.
    for (WPARAM k : {'0', '0', '7', '5'})
        post_key(t.window, k);
    ASSERT_TRUE(t.title_becomes(L"00.75")) << t.title();
    wheel(t.window, false, false);
    EXPECT_TRUE(t.title_becomes(L"01.16")) << t.title();
}

TEST(Engine, CountdownTitleFallsOnceASecondAndEndsAtZero) {
    TimerRun t(short_alarm);
    ASSERT_NE(t.window, nullptr);
    click(t.digit_key(3));
    ASSERT_TRUE(t.title_becomes(L"00.03"));
    click(t.start_key());
    const auto seen = watch_title(t, 4500);
    ASSERT_GE(seen.size(), 5u) << titles(seen);
    const std::vector<std::wstring> want = {L"00.03", L"00.02", L"00.01", L"00.00", L"00.03"};
    for (std::size_t i = 0; i < want.size(); ++i)
        EXPECT_EQ(seen[i].title, want[i]) << titles(seen);
    for (std::size_t i = 1; i <= 3; ++i)
        EXPECT_NEAR(static_cast<double>(seen[i].at), 1000.0 * i, 200.0) << titles(seen);
    // The short alarm ends and the set time shows again.
    EXPECT_GE(seen[4].at - seen[3].at, 250u) << titles(seen);
    EXPECT_LT(seen[4].at - seen[3].at, 900u) << titles(seen);
    EXPECT_EQ(seen.size(), 5u) << titles(seen);
}

TEST(Engine, PausedTimeDoesNotCount) {
    TimerRun t(short_alarm);
    ASSERT_NE(t.window, nullptr);
    post_key(t.window, '3');
    ASSERT_TRUE(t.title_becomes(L"00.03"));
    const DWORD started = GetTickCount();
    post_key(t.window, VK_RETURN);
    ASSERT_TRUE(t.title_becomes(L"00.02")) << t.title();
    pause_ms(300);
    click(t.start_key()); // pause
    const DWORD ran_before_pause = GetTickCount() - started;
    pause_ms(2000);
    EXPECT_EQ(t.title(), L"00.02");
    const DWORD resumed = GetTickCount();
    post_key(t.window, VK_RETURN);
    ASSERT_TRUE(t.title_becomes(L"00.00", 4000)) << t.title();
    const DWORD ran_after_pause = GetTickCount() - resumed;
    EXPECT_NEAR(static_cast<double>(ran_before_pause + ran_after_pause), 3000.0, 200.0);
}

TEST(Engine, ZeroCountsUpAndTheWheelMovesAPausedCountUpDownToZeroOnly) {
    TimerRun t;
    ASSERT_NE(t.window, nullptr);
    post_key(t.window, VK_RETURN);
    const auto seen = watch_title(t, 2500);
    ASSERT_GE(seen.size(), 3u) << titles(seen);
    EXPECT_EQ(seen[0].title, L"PlinkettWnd");
    EXPECT_EQ(seen[1].title, L"00.01") << titles(seen);
    EXPECT_NEAR(static_cast<double>(seen[1].at), 1000.0, 200.0) << titles(seen);
    EXPECT_EQ(seen[2].title, L"00.02") << titles(seen);
    post_key(t.window, VK_RETURN); // pause at 00.02
    pause_ms(200);
    ASSERT_EQ(t.title(), L"00.02");

    struct Step {
        bool left_half, away;
        const wchar_t* want;
    };
    // No upper limit in count-up; the lower one is zero elapsed.
    const std::vector<Step> steps = {{true, true, L"01.02"},  {true, true, L"02.02"},
                                     {false, true, L"02.03"}, {true, false, L"01.03"},
                                     {true, false, L"00.03"}, {true, false, L"00.00"},
                                     {false, true, L"00.01"}};
    for (const auto& s : steps) {
        wheel(t.window, s.left_half, s.away);
        EXPECT_TRUE(t.title_becomes(s.want)) << t.title();
    }
    post_key(t.window, VK_RETURN); // resume from 00.01
    EXPECT_TRUE(t.title_becomes(L"00.02", 1500)) << t.title();
}

TEST(Engine, PausedWheelKeepsTheElapsedTimeWithinTheSetTime) {
    TimerRun t(silent_alarm);
    ASSERT_NE(t.window, nullptr);
    for (WPARAM k : {'1', '0', '5'})
        post_key(t.window, k);
    ASSERT_TRUE(t.title_becomes(L"01.05"));
    post_key(t.window, VK_RETURN);
    post_key(t.window, VK_RETURN); // paused with (almost) nothing elapsed
    wheel(t.window, false, false); // towards the user: less elapsed, but not below zero
    pause_ms(300);
    EXPECT_EQ(t.title(), L"01.05");
    struct Step {
        bool left_half, away;
        const wchar_t* want;
    };
    const std::vector<Step> steps = {
        {false, true, L"01.04"}, {false, true, L"01.03"},  {true, true, L"00.03"},
        {true, true, L"00.00"},  {false, false, L"00.01"}, {true, false, L"01.01"},
        {true, false, L"01.05"}, {false, true, L"01.04"},  {true, true, L"00.04"},
        {false, true, L"00.03"}, {true, true, L"00.00"},
    };
    for (const auto& s : steps) {
        wheel(t.window, s.left_half, s.away);
        EXPECT_TRUE(t.title_becomes(s.want)) << (s.left_half ? "left " : "right ")
                                             << (s.away ? "away" : "towards") << ": " << t.title();
    }
    // Wound down to zero it stays paused and silent; START ends it on the first tick.
    pause_ms(300);
    EXPECT_EQ(t.title(), L"00.00");
    post_key(t.window, VK_RETURN);
    EXPECT_TRUE(t.title_becomes(L"01.05", 2000)) << t.title();
}

TEST(Engine, KeyedSecondsAboveFiftyNineCountDownInPlaceForAMinuteThenCarryOn) {
    TimerRun t;
    ASSERT_NE(t.window, nullptr);
    post_key(t.window, '9');
    post_key(t.window, '9');
    ASSERT_TRUE(t.title_becomes(L"00.99")) << t.title();
    post_key(t.window, VK_RETURN);
    post_key(t.window, VK_RETURN); // paused with (almost) nothing elapsed
    wheel(t.window, true, true);   // a minute elapsed: 99 - 60 seconds left, still in place
    ASSERT_TRUE(t.title_becomes(L"00.39")) << t.title();
    wheel(t.window, false, false);
    wheel(t.window, false, false); // 58 seconds elapsed
    ASSERT_TRUE(t.title_becomes(L"00.41")) << t.title();
    post_key(t.window, VK_RETURN);
    const auto seen = watch_title(t, 3500);
    const std::vector<std::wstring> want = {L"00.41", L"00.40", L"00.39", L"00.38"};
    ASSERT_GE(seen.size(), want.size()) << titles(seen);
    for (std::size_t i = 0; i < want.size(); ++i)
        EXPECT_EQ(seen[i].title, want[i]) << titles(seen);
}

TEST(Engine, NothingButStartActsWhileRunning) {
    TimerRun t(silent_alarm);
    ASSERT_NE(t.window, nullptr);
    post_key(t.window, '5');
    ASSERT_TRUE(t.title_becomes(L"00.05"));
    post_key(t.window, VK_RETURN);
    pause_ms(100);
    for (WPARAM k :
         {WPARAM{'7'}, WPARAM{VK_NUMPAD3}, WPARAM{VK_UP}, WPARAM{VK_SPACE}, WPARAM{VK_ESCAPE}})
        post_key(t.window, k);
    click(t.digit_key(9));
    wheel(t.window, true, true);
    wheel(t.window, false, false);
    PostMessageW(t.window, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(50, 50));
    const auto seen = watch_title(t, 1500);
    for (const auto& s : seen)
        EXPECT_TRUE(s.title == L"00.05" || s.title == L"00.04" || s.title == L"00.03")
            << titles(seen);
    click(t.start_key()); // START still acts: pause
    const std::wstring paused = t.title();
    pause_ms(1200);
    EXPECT_EQ(t.title(), paused);
    // The set time is unchanged.
    PostMessageW(t.window, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(50, 50));
    EXPECT_TRUE(t.title_becomes(L"00.05")) << t.title();
}

namespace {

// The box of the time's dark ink in the band of `rows` at the top.
RECT time_ink(const Picture& p, int rows) {
    return ink_box(p, RECT{0, 0, p.width, rows}, text_ink);
}

} // namespace

TEST(TimeDisplay, TextIsDrawnLargeAndCentredInTheBandAboveTheBar) {
    TimerRun t;
    ASSERT_NE(t.window, nullptr);
    post_key(t.window, '8');
    ASSERT_TRUE(t.title_becomes(L"00.08"));
    struct Size {
        int width, height, band;
    };
    // The last size is too narrow for the text at the band's height: it is shrunk to fit.
    for (const Size s :
         {Size{334, 182, 100}, Size{668, 364, 200}, Size{800, 182, 100}, Size{200, 182, 100}}) {
        SCOPED_TRACE(std::to_string(s.width) + "x" + std::to_string(s.height));
        set_client_size(t.window, s.width, s.height);
        ASSERT_TRUE(wait_until([&] { return client_rect(t.window).right == s.width; }, 5000));
        pause_ms(300);
        const RECT ink = time_ink(capture_client(t.window), s.band);
        ASSERT_GT(ink.right, ink.left);
        EXPECT_NEAR((ink.left + ink.right - 1) / 2.0, s.width / 2.0, 3.0);
        EXPECT_GT(ink.top, 0);
        EXPECT_LT(ink.bottom, s.band);
        // The font is fitted to the band: its digits fill a good part of it.
        EXPECT_GT(ink.bottom - 1 - ink.top, s.band / 3);
        EXPECT_GT(ink.left, 0);
        EXPECT_LT(ink.right, s.width);
    }
    // A new time is drawn at once.
    const Picture before = capture_client(t.window);
    post_key(t.window, '1');
    ASSERT_TRUE(t.title_becomes(L"00.81"));
    pause_ms(200);
    const Picture after = capture_client(t.window);
    ASSERT_EQ(before.pixels.size(), after.pixels.size());
    int changed = 0;
    for (int y = 0; y < 100; ++y)
        for (int x = 0; x < after.width; ++x)
            changed += before.at(x, y) != after.at(x, y);
    EXPECT_GT(changed, 50);
}

TEST(TimeDisplay, ACountUpPastNinetyNineMinutesIsRefittedAndCentredBothWays) {
    TimerRun t;
    ASSERT_NE(t.window, nullptr);
    post_key(t.window, VK_RETURN); // counts up from 00.00
    post_key(t.window, VK_RETURN); // and pauses at once
    for (int minute = 0; minute < 100; ++minute)
        wheel(t.window, true, true); // paused count-up: a minute more elapsed each
    ASSERT_TRUE(t.title_becomes(L"100.00", 10000)) << t.title();
    const auto centred = [&] {
        const RECT ink = time_ink(capture_client(t.window), 100);
        return ink.right > ink.left && ink.left > 0 && ink.right < 334 &&
               std::abs((ink.left + ink.right - 1) / 2.0 - 167.0) <= 3.0;
    };
    EXPECT_TRUE(wait_until(centred, 1000)) << "six characters";
    wheel(t.window, true, false);
    ASSERT_TRUE(t.title_becomes(L"99.00")) << t.title();
    EXPECT_TRUE(wait_until(centred, 1000)) << "five characters again";
}
