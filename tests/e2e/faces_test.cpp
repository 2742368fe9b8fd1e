// The keys' image faces on the screen: digits and "START" blue, "STOP" red, each the size of its
// text in the stock system font on a see-through background; toggling START/STOP or the colour
// mode many times leaves the timer's objects where they were; and the dark look of dark mode.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>
#include <oleacc.h>
#include <psapi.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "harness.h"
#include "settings_block.h"

using namespace e2e;

namespace {

int red(std::uint32_t px) {
    return px >> 16 & 0xFF;
}
int green(std::uint32_t px) {
    return px >> 8 & 0xFF;
}
int blue(std::uint32_t px) {
    return px & 0xFF;
}

// A pixel that blue at some opacity laid over `under` can give: blue no less, red and green
// dimmed by the same share.
bool blue_over(std::uint32_t px, std::uint32_t under) {
    if (blue(px) + 2 < blue(under) || red(px) > red(under) + 2 || green(px) > green(under) + 2)
        return false;
    const double kr = red(under) > 0 ? static_cast<double>(red(px)) / red(under) : 0;
    const double kg = green(under) > 0 ? static_cast<double>(green(px)) / green(under) : 0;
    return kr - kg <= 0.05 && kg - kr <= 0.05;
}

// The extent of `text` in the stock font of a fresh memory device context, as the faces are
// measured.
SIZE stock_extent(const wchar_t* text) {
    HDC dc = CreateCompatibleDC(nullptr);
    SIZE s{};
    GetTextExtentPoint32W(dc, text, static_cast<int>(wcslen(text)), &s);
    DeleteDC(dc);
    return s;
}

// What one key shows: where its coloured pixels are, in client coordinates.
struct FaceSeen {
    int blue = 0, red = 0;
    RECT ink{LONG_MAX, LONG_MAX, LONG_MIN, LONG_MIN};
};
FaceSeen face_on_screen(const Picture& p, HWND key) {
    const RECT r = rect_in_parent(key);
    FaceSeen f;
    for (int y = r.top; y < r.bottom; ++y) {
        for (int x = r.left; x < r.right; ++x) {
            const std::uint32_t px = p.at(x, y);
            const bool b = blue_ink(px), rd = red_ink(px);
            f.blue += b;
            f.red += rd;
            if (b || rd) {
                f.ink.left = std::min<LONG>(f.ink.left, x);
                f.ink.top = std::min<LONG>(f.ink.top, y);
                f.ink.right = std::max<LONG>(f.ink.right, x + 1);
                f.ink.bottom = std::max<LONG>(f.ink.bottom, y + 1);
            }
        }
    }
    return f;
}

// The face's place: the text extent centred in the key (a pixel either way allowed).
RECT centred(HWND key, SIZE extent) {
    const RECT r = rect_in_parent(key);
    const LONG left = r.left + (r.right - r.left - extent.cx) / 2;
    const LONG top = r.top + (r.bottom - r.top - extent.cy) / 2;
    return RECT{left, top, left + extent.cx, top + extent.cy};
}

::testing::AssertionResult face_fits(const FaceSeen& f, HWND key, const wchar_t* text) {
    const SIZE extent = stock_extent(text);
    const RECT place = centred(key, extent);
    const RECT& i = f.ink;
    if (i.left < place.left - 1 || i.top < place.top - 1 || i.right > place.right + 1 ||
        i.bottom > place.bottom + 1)
        return ::testing::AssertionFailure()
               << "ink (" << i.left << "," << i.top << ")-(" << i.right << "," << i.bottom
               << ") outside the text extent " << extent.cx << "x" << extent.cy << " at ("
               << place.left << "," << place.top << ")";
    // Smaller than the extent only by the font's side bearings and leading.
    if ((i.right - i.left) * 2 < extent.cx || (i.bottom - i.top) * 2 < extent.cy)
        return ::testing::AssertionFailure()
               << "ink " << i.right - i.left << "x" << i.bottom - i.top << " for a text extent of "
               << extent.cx << "x" << extent.cy;
    return ::testing::AssertionSuccess();
}

bool start_face_is(const TimerRun& t, bool want_red) {
    const FaceSeen f = face_on_screen(capture_client(t.window), t.start_key());
    return want_red ? f.red > 0 && f.blue == 0 : f.blue > 0 && f.red == 0;
}

} // namespace

TEST(KeyFaces, DigitsAreBlueOnSeeThroughFacesAsLargeAsTheirText) {
    TimerRun t;
    ASSERT_NE(t.window, nullptr);
    const Picture p = capture_client(t.window);
    for (int d = 0; d < 10; ++d) {
        const wchar_t text[2] = {static_cast<wchar_t>(L'0' + d), 0};
        HWND key = t.digit_key(d);
        EXPECT_EQ(text_of(key), L"") << "the face is the caption";
        const FaceSeen f = face_on_screen(p, key);
        EXPECT_GT(f.blue, 5) << d;
        EXPECT_EQ(f.red, 0) << d;
        EXPECT_TRUE(face_fits(f, key, text)) << d;
        // See-through: each pixel of the face is blue at some opacity over the key's own
        // background (as found beside the face in that row), none paints a background of its own.
        const RECT place = centred(key, stock_extent(text));
        int foreign = 0;
        for (int y = place.top - 1; y <= place.bottom; ++y) {
            const std::uint32_t beside = p.at(place.left - 3, y);
            for (int x = place.left - 1; x <= place.right; ++x)
                foreign += !blue_over(p.at(x, y), beside);
        }
        EXPECT_EQ(foreign, 0) << d;
    }
}

TEST(KeyFaces, StartIsBlueStopIsRedAndStartBlueAgainAfterTheAlarm) {
    TimerRun t(with_setting(settings_block::alarm_time_ms_at, 1500));
    ASSERT_NE(t.window, nullptr);
    const Picture idle = capture_client(t.window);
    const FaceSeen start = face_on_screen(idle, t.start_key());
    EXPECT_GT(start.blue, 20);
    EXPECT_EQ(start.red, 0);
    EXPECT_TRUE(face_fits(start, t.start_key(), L"START"));

    send_key(t.window, '1'); // 00.01
    send_key(t.window, VK_RETURN);
    ASSERT_TRUE(wait_until([&] { return start_face_is(t, true); }, 2000)) << "STOP in red";
    const FaceSeen stop = face_on_screen(capture_client(t.window), t.start_key());
    EXPECT_TRUE(face_fits(stop, t.start_key(), L"STOP"));

    ASSERT_TRUE(t.title_becomes(L"00.00"));
    EXPECT_TRUE(start_face_is(t, true)) << "still STOP while the alarm sounds";
    ASSERT_TRUE(t.title_becomes(L"00.01", 5000)) << "the alarm ends";
    EXPECT_TRUE(wait_until([&] { return start_face_is(t, false); }, 2000)) << "START in blue";
    const FaceSeen again = face_on_screen(capture_client(t.window), t.start_key());
    EXPECT_TRUE(face_fits(again, t.start_key(), L"START"));
}

TEST(KeyFaces, BeforeWindowsXpTheKeysCarryTheirCaptionsAsText) {
    // Wine reports the version set for the program in the prefix: 5.0 here.
    UserSetting windows_2000(L"Software\\Wine\\AppDefaults\\Plinkett.exe", L"Version", L"win2k");
    TimerRun t;
    windows_2000.restore();
    ASSERT_NE(t.window, nullptr);
    for (int digit = 0; digit < 10; ++digit)
        EXPECT_EQ(text_of(t.digit_key(digit)), std::wstring(1, static_cast<wchar_t>(L'0' + digit)));
    EXPECT_EQ(text_of(t.start_key()), L"START");
    BUTTON_IMAGELIST faces{};
    SendMessageW(t.start_key(), BCM_GETIMAGELIST, 0, reinterpret_cast<LPARAM>(&faces));
    EXPECT_EQ(faces.himl, nullptr) << "no image face";
    send_key(t.window, '5');
    send_key(t.window, VK_RETURN);
    EXPECT_EQ(text_of(t.start_key()), L"STOP");
    send_key(t.window, VK_RETURN);
    EXPECT_EQ(text_of(t.start_key()), L"START");
}

// What a screen reader is told a key is called, through the key window's accessible object.
// The interface's ID comes from the header, not from a GUID library, whatever the link order.
std::wstring accessible_name(HWND key) {
    IAccessible* object = nullptr;
    if (FAILED(AccessibleObjectFromWindow(key, static_cast<DWORD>(OBJID_CLIENT),
                                          __uuidof(IAccessible),
                                          reinterpret_cast<void**>(&object))))
        return L"(no accessible object)";
    VARIANT self;
    VariantInit(&self);
    self.vt = VT_I4;
    self.lVal = CHILDID_SELF;
    BSTR name = nullptr;
    const std::wstring found =
        SUCCEEDED(object->get_accName(self, &name)) && name != nullptr ? name : L"(no name)";
    SysFreeString(name);
    object->Release();
    return found;
}

TEST(KeyFaces, ScreenReadersNameEachKeyByTheCaptionOnItsFace) {
    CoInitialize(nullptr);
    {
        TimerRun t;
        ASSERT_NE(t.window, nullptr);
        for (int digit = 0; digit < 10; ++digit)
            EXPECT_EQ(accessible_name(t.digit_key(digit)),
                      std::wstring(1, static_cast<wchar_t>(L'0' + digit)));
        EXPECT_EQ(accessible_name(t.start_key()), L"START");
        send_key(t.window, '5');
        send_key(t.window, VK_RETURN);
        EXPECT_EQ(accessible_name(t.start_key()), L"STOP");
        send_key(t.window, VK_RETURN);
        EXPECT_EQ(accessible_name(t.start_key()), L"START");
        EXPECT_EQ(text_of(t.start_key()), L"") << "the face is still the only caption";
    }
    CoUninitialize();
}

TEST(KeyFaces, ALibraryNamedLikeTheScreenReadersOneBesideTheTimerIsNotLoaded) {
    // Wine prefers its own libraries to files of the same name unless told otherwise.
    UserSetting native(L"Software\\Wine\\AppDefaults\\Plinkett.exe\\DllOverrides", L"oleacc",
                       L"native,builtin");
    CoInitialize(nullptr);
    {
        TimerRun t;
        ASSERT_NE(t.window, nullptr);
        // A library without the screen readers' functions: loaded, the key could not be named.
        copy_file_into(beside_driver(L"taskbar_list_stand_in.dll"), t.folder, L"oleacc.dll");
        EXPECT_EQ(accessible_name(t.digit_key(7)), L"7");
    }
    CoUninitialize();
}

// Pixels of exactly `colour` (0xRRGGBB) in `area`: the solid middle of strokes drawn in it.
int pixels_of(const Picture& p, const RECT& area, std::uint32_t colour) {
    int count = 0;
    for (LONG y = area.top; y < area.bottom; ++y)
        for (LONG x = area.left; x < area.right; ++x)
            count += p.at(x, y) == colour;
    return count;
}

TEST(KeyFaces, HighContrastDrawsFacesAndBarInTheSystemColoursUntilItIsTurnedOff) {
    // Windows tells the timer high contrast is on through a stand-in loaded by a hook library:
    // this Wine always reports it off.
    GlobalHook contrast(L"report_high_contrast.dll", "pass_on");
    ASSERT_TRUE(contrast.installed());
    // Colours no plain drawing uses, each for one role, so a wrong colour index shows.
    const wchar_t* colours = L"Control Panel\\Colors";
    UserSetting text_setting(colours, L"ButtonText", L"0 120 0"),
        frame_setting(colours, L"WindowText", L"128 0 128"),
        inside_setting(colours, L"Window", L"255 255 160");
    constexpr std::uint32_t text = 0x007800, frame = 0x800080, inside = 0xFFFFA0;
    UserSetting dark(colour_mode_key, L"AppsUseLightTheme", DWORD{0}); // high contrast wins
    auto on = std::make_unique<UserSetting>(L"Software\\PlinkettTests", L"HighContrast", DWORD{1});
    TimerRun t;
    ASSERT_NE(t.window, nullptr);
    Picture p = capture_client(t.window);
    for (HWND key : {t.digit_key(0), t.digit_key(7), t.start_key()}) {
        const FaceSeen f = face_on_screen(p, key);
        EXPECT_EQ(f.blue + f.red, 0) << "no blue or red face";
        EXPECT_GT(pixels_of(p, rect_in_parent(key), text), 5)
            << "the caption in the button text colour";
    }
    EXPECT_GT(pixels_of(p, RECT{0, 0, 334, 100}, text), 50) << "the time in the button text colour";
    // The bar plain, in the window colours, although visual styles are on.
    const RECT bar = design_bar;
    EXPECT_EQ(p.at(bar.left, bar.top + 5), frame);
    EXPECT_EQ(p.at(bar.left + 5, bar.top + 5), inside);
    send_key(t.window, '5');
    send_key(t.window, VK_RETURN);
    EXPECT_TRUE(wait_until(
        [&] {
            return pixels_of(capture_client(t.window), rect_in_parent(t.start_key()), text) > 5;
        },
        2000))
        << "STOP in the button text colour too";

    // Turned off while the countdown runs, with the light mode back: blue digits and a red STOP.
    switch_colour_mode(false, t.window);
    on->restore();
    SendMessageW(t.window, WM_SETTINGCHANGE, SPI_SETHIGHCONTRAST, 0);
    EXPECT_TRUE(wait_until([&] { return start_face_is(t, true); }, 2000)) << "STOP in red";
    EXPECT_GT(face_on_screen(capture_client(t.window), t.digit_key(7)).blue, 5);

    // Paused, the same state drawn both ways: the themed bar, then the plain one in the
    // system's colours once high contrast is back.
    send_key(t.window, VK_RETURN);
    ASSERT_TRUE(wait_until([&] { return start_face_is(t, false); }, 2000)) << "paused: START";
    const auto bar_row = [&](const Picture& q, LONG y) {
        std::vector<std::uint32_t> row;
        for (LONG x = bar.left; x < bar.right; ++x)
            row.push_back(q.at(x, y));
        return row;
    };
    // A plain frame's top edge is one line of its colour, black without high contrast.
    const auto plain_top = [&](const Picture& q, std::uint32_t colour) {
        const auto top = bar_row(q, bar.top);
        return std::count(top.begin(), top.end(), colour) == bar.right - bar.left;
    };
    p = capture_client(t.window);
    EXPECT_FALSE(plain_top(p, 0x000000) || plain_top(p, frame)) << "the themed bar again";
    const std::vector<std::uint32_t> themed = bar_row(p, bar.top + 5);
    on = std::make_unique<UserSetting>(L"Software\\PlinkettTests", L"HighContrast", DWORD{1});
    SendMessageW(t.window, WM_SETTINGCHANGE, SPI_SETHIGHCONTRAST, 0);
    ASSERT_TRUE(wait_until(
        [&] { return face_on_screen(capture_client(t.window), t.start_key()).blue == 0; }, 2000));
    p = capture_client(t.window);
    EXPECT_TRUE(plain_top(p, frame));
    EXPECT_NE(bar_row(p, bar.top + 5), themed);
    EXPECT_EQ(p.at(bar.right - 6, bar.top + 5), inside) << "the unfilled end";
    EXPECT_EQ(t.close(), 0u);
}

// Counted by the object ledger from the relay log, as the soak test and the benchmarks count.
TEST(KeyFaces, AThousandStartStopTogglesOrColourModeSwitchesLeaveTheObjectsWhereTheyWere) {
    TracedTimerRun t(object_calls().c_str());
    ASSERT_NE(t.window, nullptr);
    ObjectLedger ledger(t);
    key_in(t.window, "100"); // 01.00: nothing ends during the test

    for (int i = 0; i < 4; ++i)
        send_key(t.window, VK_RETURN);
    run_a_while(t);
    const auto baseline = settled_objects(ledger);
    ASSERT_GT(baseline.at("GDI"), 0);

    for (int i = 0; i < 1000; ++i)
        send_key(t.window, VK_RETURN);
    run_a_while(t);
    EXPECT_TRUE(wait_until([&] { return start_face_is(t, false); }, 2000)) << "paused: START";
    const auto after = settled_objects(ledger);
    EXPECT_EQ(after.at("GDI"), baseline.at("GDI")) << "GDI objects: " << ledger.describe();
    EXPECT_EQ(after.at("USER"), baseline.at("USER")) << "USER objects: " << ledger.describe();
    EXPECT_NE(t.title(), L"01.00") << "the countdown ran";

    // The objects and the private bytes once `count` colour mode switches are over.
    UserSetting light(colour_mode_key, L"AppsUseLightTheme", DWORD{1});
    const auto switches = [&](int count) {
        for (int i = 0; i < count; ++i)
            switch_colour_mode(i % 2 == 0, t.window); // an even count ends light
        const auto objects = settled_objects(ledger);
        PROCESS_MEMORY_COUNTERS_EX memory{};
        EXPECT_TRUE(GetProcessMemoryInfo(t.process->handle(),
                                         reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory),
                                         sizeof memory));
        return std::make_pair(objects, memory.PrivateUsage);
    };
    const auto warm = switches(20), switched = switches(1000);
    EXPECT_EQ(switched.first, warm.first) << ledger.describe();
    EXPECT_LE(switched.second, warm.second + 64 * 1024)
        << "private bytes after 20: " << warm.second;
}

namespace {

bool dark_client(const TimerRun& t) {
    const Picture p = capture_client(t.window);
    return grey_level(median_pixel(p, RECT{0, 0, p.width, p.height})) < 80;
}

// Dark: the client area, the time's band and every key dark, the time light, each caption in its
// role's tone (`stop`: STOP in red) at 4.5 to 1 or more against its key.
void expect_dark(const TimerRun& t, bool stop, const CalledFrom& = {}) {
    const Picture p = capture_client(t.window);
    const RECT band{0, 0, p.width, design_bar.top};
    EXPECT_TRUE(dark_client(t));
    EXPECT_LT(grey_level(median_pixel(p, band)), 80);
    EXPECT_GT(ink_box(p, band, [](std::uint32_t px) { return grey_level(px) > 200; }).right, 200);
    for (int k = 0; k <= 10; ++k) {
        const int id = k < 10 ? digit_button_id(k) : start_button_id;
        RECT inside = rect_in_parent(t.key(id));
        InflateRect(&inside, -4, -4); // the frame and the focus cue left out
        const std::uint32_t key = median_pixel(p, inside);
        std::uint32_t caption = key;
        for (LONG y = inside.top; y < inside.bottom; ++y)
            for (LONG x = inside.left; x < inside.right; ++x)
                if (contrast_ratio(p.at(x, y), key) > contrast_ratio(caption, key))
                    caption = p.at(x, y);
        EXPECT_LT(grey_level(key), 80) << id;
        EXPECT_GE(contrast_ratio(caption, key), 4.5) << id;
        EXPECT_TRUE(stop && id == start_button_id ? red_ink(caption) : blue_ink(caption)) << id;
    }
}

// The contrast of the bar's left end (the chunk, once there is one) and its right end.
double bar_ends(const TimerRun& t) {
    const Picture p = capture_client(t.window);
    const LONG y = (design_bar.top + design_bar.bottom) / 2;
    return contrast_ratio(p.at(design_bar.left + 2, y), p.at(design_bar.right - 3, y));
}

} // namespace

TEST(DarkMode, TimerFollowsWindowsAtStartAndLiveThroughACountdownAPauseAndTheAlarm) {
    // Started light beside the copy that the traced run makes, so as not to share its folder,
    // and beside its window: the hidden part of a window reads back black.
    Process light(built_program(L"Plinkett.exe"), L"", scratch_folder());
    const HWND light_window = wait_for_window(light.id(), L"PlinkettWnd");
    key_in(light_window, "3");
    SetWindowPos(light_window, nullptr, 600, 0, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    UserSetting dark(colour_mode_key, L"AppsUseLightTheme", DWORD{0});
    TracedTimerRun t(L"dwmapi.DwmSetWindowAttribute",
                     with_setting(settings_block::alarm_time_ms_at, 1500));
    ASSERT_NE(t.window, nullptr);
    send_key(t.window, '3'); // handled once the start-up is over
    expect_dark(t, false);
    const auto asked = calls_of(t.calls(), "DwmSetWindowAttribute");
    ASSERT_FALSE(asked.empty()) << "a dark title bar";
    EXPECT_EQ(asked[0].value(1), 20u);

    send_key(t.window, VK_RETURN);
    ASSERT_TRUE(t.title_becomes(L"00.02"));
    expect_dark(t, true);
    send_key(t.window, VK_RETURN);
    ASSERT_TRUE(wait_until([&] { return start_face_is(t, false); }, 2000)) << "paused: START";
    expect_dark(t, false);
    EXPECT_GE(bar_ends(t), 3.0) << "the chunk stands out from the empty part";
    send_key(t.window, VK_RETURN);
    ASSERT_TRUE(t.title_becomes(L"00.00"));
    expect_dark(t, true);
    EXPECT_TRUE(wait_until([&] { return bar_ends(t) < 1.01; }, 1000)) << "the alarm: bar full";
    ASSERT_TRUE(t.title_becomes(L"00.03", 5000)) << "the alarm ends";

    // Switched live: as the timer started light, then dark again, each within a second.
    switch_colour_mode(false);
    EXPECT_TRUE(wait_until(
        [&] { return capture_client(t.window).pixels == capture_client(light_window).pixels; },
        1000));
    switch_colour_mode(true);
    EXPECT_TRUE(wait_until([&] { return dark_client(t); }, 1000));
    EXPECT_EQ(t.close(), 0u);
}
