// The timer's window as it appears at start-up, its layout on resizing, and its exit.
#include <gtest/gtest.h>

#include "harness.h"
#include "settings_block.h"

using namespace e2e;

namespace {

bool laid_out(const TimerRun& t, int digit, const Box& want) {
    return box(rect_in_parent(t.digit_key(digit))) == want;
}

} // namespace

TEST(Startup, WindowClassTitleStylesAndClientSize) {
    TimerRun t;
    ASSERT_NE(t.window, nullptr);
    EXPECT_EQ(class_of(t.window), L"PlinkettWnd");
    EXPECT_EQ(t.title(), L"PlinkettWnd");
    const LONG style = GetWindowLongW(t.window, GWL_STYLE);
    const LONG want = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN | WS_CLIPSIBLINGS;
    EXPECT_EQ(style & want, want);
    const LONG ex = GetWindowLongW(t.window, GWL_EXSTYLE);
    EXPECT_TRUE(ex & WS_EX_CONTROLPARENT);
    EXPECT_TRUE(ex & WS_EX_WINDOWEDGE);
    EXPECT_FALSE(ex & WS_EX_TOPMOST);
    EXPECT_EQ(box(client_rect(t.window)), (Box{0, 0, 334, 182}));
    EXPECT_EQ(GetClassLongW(t.window, GCL_STYLE) & 0xFFFF, CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS);
    EXPECT_EQ(t.close(), 0u);
}

TEST(Startup, ElevenKeysAtTheirDesignPlaces) {
    TimerRun t;
    ASSERT_NE(t.window, nullptr);
    for (int i = 0; i < 10; ++i) {
        HWND key = t.digit_key(i);
        ASSERT_NE(key, nullptr) << i;
        EXPECT_EQ(class_of(key), L"Button");
        EXPECT_EQ(box(rect_in_parent(key)), (Box{10 + 46 * (i % 5), 115 + 30 * (i / 5), 42, 27}))
            << i;
    }
    ASSERT_NE(t.start_key(), nullptr);
    EXPECT_EQ(box(rect_in_parent(t.start_key())), (Box{240, 115, 84, 57}));
    EXPECT_TRUE(GetWindowLongW(t.start_key(), GWL_EXSTYLE) & WS_EX_NOPARENTNOTIFY);
}

TEST(Startup, KeysFollowTheClientSize) {
    TimerRun t;
    ASSERT_NE(t.window, nullptr);
    set_client_size(t.window, 668, 364);
    ASSERT_TRUE(wait_until(
        [&] {
            return laid_out(t, 0, {20, 230, 84, 54});
        },
        5000))
        << box(rect_in_parent(t.digit_key(0)));
    EXPECT_EQ(box(rect_in_parent(t.digit_key(9))), (Box{388, 290, 84, 54}));
    EXPECT_EQ(box(rect_in_parent(t.start_key())), (Box{480, 230, 168, 114}));

    set_client_size(t.window, 500, 300);
    ASSERT_TRUE(wait_until([&] { return laid_out(t, 0, {15, 190, 63, 45}); }, 5000));
    EXPECT_EQ(box(rect_in_parent(t.digit_key(4))), (Box{290, 190, 63, 45}));
    EXPECT_EQ(box(rect_in_parent(t.digit_key(5))), (Box{15, 239, 63, 45}));
    EXPECT_EQ(box(rect_in_parent(t.start_key())), (Box{359, 190, 126, 94}));
}

TEST(Startup, MinimisingEmptiesTheKeysAndRestoringLaysThemOut) {
    TimerRun t;
    ASSERT_NE(t.window, nullptr);
    ShowWindowAsync(t.window, SW_MINIMIZE);
    // The start key is placed last: once it is empty, the layout is complete.
    ASSERT_TRUE(wait_until([&] { return box(rect_in_parent(t.start_key())).h == 0; }, 5000))
        << box(rect_in_parent(t.start_key()));
    for (int digit = 0; digit < 10; ++digit)
        EXPECT_EQ(box(rect_in_parent(t.digit_key(digit))).w, 0) << digit;
    ShowWindowAsync(t.window, SW_RESTORE);
    EXPECT_TRUE(wait_until(
        [&] {
            return laid_out(t, 3, {148, 115, 42, 27});
        },
        5000))
        << box(rect_in_parent(t.digit_key(3)));
}

TEST(Startup, AlwaysOnTopByteMakesTheWindowTopmost) {
    for (int value : {0, 1, 255}) {
        TimerRun t([&](std::vector<std::uint8_t>& exe) {
            exe[settings_block::file_offset + settings_block::always_on_top_at] =
                static_cast<std::uint8_t>(value);
        });
        ASSERT_NE(t.window, nullptr);
        const bool topmost = GetWindowLongW(t.window, GWL_EXSTYLE) & WS_EX_TOPMOST;
        EXPECT_EQ(topmost, value != 0) << "always_on_top " << value;
        EXPECT_EQ(t.close(), 0u);
    }
}

TEST(Startup, ATimerWhoseWindowCannotBeMadeEnds) {
    const std::wstring folder = folder_with_timer();
    DWORD code = 0;
    {
        GlobalHook refuse(L"refuse_timer_window.dll", "refuse_timer_window");
        ASSERT_TRUE(refuse.installed());
        Process timer(folder + L"\\Plinkett.exe", L"", folder);
        code = timer.wait_exit(10000);
    }
    EXPECT_EQ(code, 1u) << "still running, or ended as if nothing had failed";
}
