// The progress bar on the screen: plainly drawn with visual styles off, themed as Wine ships;
// its chunk grows during a countdown, is full when it ends, and is empty after a reset and
// after the alarm.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "harness.h"
#include "settings_block.h"

using namespace e2e;

namespace {

// The bar at the design size: x 10 to 323, y 100 to 109 inclusive.
constexpr int bar_left = 10, bar_top = 100, bar_right = 324, bar_bottom = 110;
constexpr int full_chunk = bar_right - bar_left - 2; // columns 11 to 322

// Visual styles off for the programs started while this lives. Wine reads the switch once, when
// a process loads uxtheme.dll, so the previous value can go back as soon as the timer is up.
struct VisualStylesOff : UserSetting {
    VisualStylesOff()
        : UserSetting(L"Software\\Microsoft\\Windows\\CurrentVersion\\ThemeManager", L"ThemeActive",
                      L"0") {}
};

std::uint32_t rgb_of(int system_colour) {
    const COLORREF c = GetSysColor(system_colour);
    return GetRValue(c) << 16 | GetGValue(c) << 8 | GetBValue(c);
}

// The bar's pixels, row by row.
std::vector<std::uint32_t> bar_pixels(const Picture& p) {
    std::vector<std::uint32_t> px;
    for (int y = bar_top; y < bar_bottom; ++y)
        for (int x = bar_left; x < bar_right; ++x)
            px.push_back(p.at(x, y));
    return px;
}

// The plain frame: black lines on the left and top edges and one pixel inside the right and
// bottom edges; nothing drawn beyond them.
::testing::AssertionResult plain_frame(const Picture& p) {
    const std::uint32_t black = 0, face = rgb_of(COLOR_BTNFACE);
    for (int x = bar_left; x < bar_right; ++x)
        if (p.at(x, bar_top) != black || p.at(x, bar_bottom - 1) != black)
            return ::testing::AssertionFailure() << "frame broken at x " << x;
    for (int y = bar_top; y < bar_bottom; ++y) {
        if (p.at(bar_left, y) != black || p.at(bar_right - 1, y) != black)
            return ::testing::AssertionFailure() << "frame broken at y " << y;
        if (p.at(bar_left - 1, y) != face || p.at(bar_right, y) != face)
            return ::testing::AssertionFailure() << "drawn outside the bar at y " << y;
    }
    return ::testing::AssertionSuccess();
}

// Columns of the highlight chunk from x 11 on, when the inside is exactly that chunk on the
// window colour; -1 otherwise.
int plain_chunk_width(const Picture& p) {
    const std::uint32_t window = rgb_of(COLOR_WINDOW), highlight = rgb_of(COLOR_HIGHLIGHT);
    int width = 0;
    while (bar_left + 1 + width < bar_right - 1 &&
           p.at(bar_left + 1 + width, bar_top + 1) == highlight)
        ++width;
    for (int y = bar_top + 1; y < bar_bottom - 1; ++y)
        for (int x = bar_left + 1; x < bar_right - 1; ++x)
            if (p.at(x, y) != (x < bar_left + 1 + width ? highlight : window))
                return -1;
    return width;
}

// The chunk's width for a share of elapsed / total, as the program computes it.
int chunk_width_for(double elapsed_ms, double total_ms) {
    double share = elapsed_ms / total_ms;
    share = share < 0 ? 0 : share > 1 ? 1 : share;
    const int filled = static_cast<int>(share * (bar_right - bar_left - 1) + 0.5);
    return filled > 1 ? filled - 1 : 0;
}

// A countdown's chunk, checked against the time since START was pressed (between
// `pressed_from` and `pressed_to`) with 100 ms to spare either way.
int expect_chunk_in_time(const TimerRun& t, DWORD pressed_from, DWORD pressed_to, double total_ms,
                         const CalledFrom& = {}) {
    const DWORD before = GetTickCount();
    const Picture p = capture_client(t.window);
    const DWORD after = GetTickCount();
    const int width = plain_chunk_width(p);
    EXPECT_TRUE(plain_frame(p));
    EXPECT_GE(width, chunk_width_for(before - pressed_to - 100.0, total_ms));
    EXPECT_LE(width, chunk_width_for(after - pressed_from + 100.0, total_ms));
    return width;
}

} // namespace

TEST(ProgressBar, PlainBarHasItsFrameAndAGrowingHighlightChunkEmptiedByAReset) {
    VisualStylesOff styles_off;
    TimerRun t;
    styles_off.restore();
    ASSERT_NE(t.window, nullptr);
    send_key(t.window, '5'); // 00.05

    Picture idle = capture_client(t.window);
    ASSERT_EQ(idle.width, 334);
    EXPECT_TRUE(plain_frame(idle));
    EXPECT_EQ(plain_chunk_width(idle), 0) << "the inside is the window colour";

    const DWORD pressed_from = GetTickCount();
    send_key(t.window, VK_RETURN);
    const DWORD pressed_to = GetTickCount();
    ASSERT_TRUE(wait_until([&] { return plain_chunk_width(capture_client(t.window)) > 0; }, 2000));
    pause_ms(300);
    const int first = expect_chunk_in_time(t, pressed_from, pressed_to, 5000);
    pause_ms(1200);
    const int second = expect_chunk_in_time(t, pressed_from, pressed_to, 5000);
    EXPECT_GT(second, first + 30) << "1.2 s of 5 s is about 75 columns";

    send_key(t.window, VK_RETURN); // pause
    send_key(t.window, VK_ESCAPE); // drop the paused run
    ASSERT_TRUE(t.title_becomes(L"00.05", 2000));
    // The title changes as the key is handled; the bar shows at the next paint.
    EXPECT_TRUE(wait_until(
        [&] {
            const Picture reset = capture_client(t.window);
            return plain_frame(reset) && plain_chunk_width(reset) == 0;
        },
        2000))
        << "the frame, emptied";
}

TEST(ProgressBar, WheelInAPauseRedrawsTheBarToTheNewShare) {
    VisualStylesOff styles_off;
    TimerRun t;
    styles_off.restore();
    ASSERT_NE(t.window, nullptr);
    send_key(t.window, '1');
    send_key(t.window, '0'); // 00.10
    send_key(t.window, VK_RETURN);
    send_key(t.window, VK_RETURN); // paused with (almost) nothing elapsed
    const auto chunk_between = [&](double from_ms, double to_ms) {
        return wait_until(
            [&] {
                const int w = plain_chunk_width(capture_client(t.window));
                return w >= chunk_width_for(from_ms, 10000) && w <= chunk_width_for(to_ms, 10000);
            },
            2000);
    };
    for (int i = 0; i < 3; ++i)
        wheel(t.window, false, true); // a second more elapsed each
    EXPECT_TRUE(chunk_between(3000, 3300)) << plain_chunk_width(capture_client(t.window));
    wheel(t.window, true, true); // a minute more: held at the whole set time
    EXPECT_TRUE(chunk_between(10000, 10000)) << plain_chunk_width(capture_client(t.window));
    wheel(t.window, false, false);
    EXPECT_TRUE(chunk_between(9000, 9000)) << plain_chunk_width(capture_client(t.window));
    EXPECT_TRUE(plain_frame(capture_client(t.window)));
}

TEST(ProgressBar, PlainChunkFillsTheBarAtTheEndAndIsEmptyAfterTheAlarm) {
    VisualStylesOff styles_off;
    TimerRun t(with_setting(settings_block::alarm_time_ms_at, 1500));
    styles_off.restore();
    ASSERT_NE(t.window, nullptr);
    send_key(t.window, '1'); // 00.01
    send_key(t.window, VK_RETURN);
    ASSERT_TRUE(t.title_becomes(L"00.00"));

    // The last tick's share is 1 or a little more: full, and not a pixel past the frame. The
    // title changes just before the window is repainted, so the picture is waited for.
    EXPECT_TRUE(
        wait_until([&] { return plain_chunk_width(capture_client(t.window)) == full_chunk; }, 1000))
        << plain_chunk_width(capture_client(t.window));
    EXPECT_TRUE(plain_frame(capture_client(t.window)));

    ASSERT_TRUE(t.title_becomes(L"00.01", 5000)) << "the alarm ends";
    // The title changes just before the window is repainted.
    EXPECT_TRUE(wait_until([&] { return plain_chunk_width(capture_client(t.window)) == 0; }, 1000));
    EXPECT_TRUE(plain_frame(capture_client(t.window)));
}

TEST(ProgressBar, ThemedBarIsDrawnInTheThemeAndItsChunkComesAndGoes) {
    TimerRun t(with_setting(settings_block::alarm_time_ms_at, 500));
    ASSERT_NE(t.window, nullptr);
    send_key(t.window, '3'); // 00.03
    const Picture idle = capture_client(t.window);
    ASSERT_EQ(idle.width, 334);
    const std::vector<std::uint32_t> idle_bar = bar_pixels(idle);

    // Drawn, and not the plain look.
    int unlike_face = 0;
    for (std::uint32_t px : idle_bar)
        unlike_face += px != rgb_of(COLOR_BTNFACE);
    EXPECT_GT(unlike_face, (bar_right - bar_left) * 2) << "the bar is drawn";
    EXPECT_FALSE(plain_frame(idle)) << "visual styles are on: no plain black frame";

    // The chunk: the columns that differ from the idle bar, measured by the last of them.
    auto chunk_end = [&](const Picture& p) {
        int last = 0;
        for (int y = bar_top + 1; y < bar_bottom - 1; ++y)
            for (int x = bar_left + 1; x < bar_right - 1; ++x)
                if (p.at(x, y) != idle.at(x, y) && x - bar_left > last)
                    last = x - bar_left;
        return last;
    };
    send_key(t.window, VK_RETURN);
    ASSERT_TRUE(wait_until([&] { return chunk_end(capture_client(t.window)) > 0; }, 2000));
    const int first = chunk_end(capture_client(t.window));
    pause_ms(1000);
    const int second = chunk_end(capture_client(t.window));
    EXPECT_GT(second, first + 30) << "1 s of 3 s is about 100 columns";

    ASSERT_TRUE(t.title_becomes(L"00.00", 4000));
    EXPECT_TRUE(
        wait_until([&] { return chunk_end(capture_client(t.window)) >= full_chunk - 2; }, 400))
        << "full at the end";
    ASSERT_TRUE(t.title_becomes(L"00.03", 4000)) << "the alarm ends";
    // The title changes just before the window is repainted.
    EXPECT_TRUE(wait_until([&] { return bar_pixels(capture_client(t.window)) == idle_bar; }, 1000))
        << "empty after the alarm";
}
