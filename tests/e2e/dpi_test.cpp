// Both programs at display scales of 100 % to 200 %, set with the prefix's LogPixels (Wine reads
// it when a program starts), and both moved to another scale by WM_DPICHANGED as Windows sends
// it when a window crosses to a monitor of another DPI (Wine has one monitor: the test sends it).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "harness.h"
#include "settings_block.h"

using namespace e2e;

namespace {

const int scales[] = {96, 120, 144, 192};

int scaled(int design_value, int dpi) {
    return (design_value * dpi + 48) / 96;
}

// The display scale of the programs started while this lives.
struct DisplayScale {
    UserSetting log_pixels;
    explicit DisplayScale(int dpi)
        : log_pixels(L"Control Panel\\Desktop", L"LogPixels", static_cast<DWORD>(dpi)) {}
};

// The frame around a client area at `dpi`, as the programs compute it.
RECT frame_for_dpi(HWND window, int dpi) {
    using Adjust = BOOL(WINAPI*)(LPRECT, DWORD, BOOL, DWORD, UINT);
    auto adjust = reinterpret_cast<Adjust>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"user32.dll"), "AdjustWindowRectExForDpi")));
    RECT r{0, 0, 0, 0};
    if (adjust != nullptr)
        adjust(&r, static_cast<DWORD>(GetWindowLongW(window, GWL_STYLE)), FALSE,
               static_cast<DWORD>(GetWindowLongW(window, GWL_EXSTYLE)), static_cast<UINT>(dpi));
    return r;
}

// A window rectangle at (50, 40) around a client area of `width` x `height` at `dpi`.
RECT suggested_rect(HWND window, int width, int height, int dpi) {
    const RECT f = frame_for_dpi(window, dpi);
    return RECT{50, 40, 50 + width + f.right - f.left, 40 + height + f.bottom - f.top};
}

// WM_DPICHANGED as Windows sends it: lParam points at the suggested rectangle, which must
// therefore lie in the receiver's memory.
void send_dpi_changed(HWND window, int dpi, const RECT& suggested) {
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    HANDLE process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_WRITE, FALSE, pid);
    ASSERT_NE(process, nullptr);
    void* remote = VirtualAllocEx(process, nullptr, sizeof suggested, MEM_COMMIT | MEM_RESERVE,
                                  PAGE_READWRITE);
    ASSERT_NE(remote, nullptr);
    ASSERT_TRUE(WriteProcessMemory(process, remote, &suggested, sizeof suggested, nullptr));
    SendMessageTimeoutW(window, WM_DPICHANGED, MAKEWPARAM(dpi, dpi),
                        reinterpret_cast<LPARAM>(remote), SMTO_BLOCK, 10000, nullptr);
    VirtualFreeEx(process, remote, 0, MEM_RELEASE);
    CloseHandle(process);
}

bool same(const RECT& a, const RECT& b) {
    return EqualRect(&a, &b) != FALSE;
}
std::string str(const RECT& r) {
    return "(" + std::to_string(r.left) + "," + std::to_string(r.top) + ")-(" +
           std::to_string(r.right) + "," + std::to_string(r.bottom) + ")";
}
RECT window_rect(HWND w) {
    RECT r{};
    GetWindowRect(w, &r);
    return r;
}

// ---- The timer ----

// A rectangle of the design's 334 x 182 units in a client area of width x height.
RECT design_rect(double x, double y, double w, double h, int width, int height) {
    auto round = [](double v) { return static_cast<LONG>(std::floor(v + 0.5)); };
    const LONG left = round(x * width / 334), top = round(y * height / 182);
    return RECT{left, top, left + round(w * width / 334), top + round(h * height / 182)};
}

bool red_ink(std::uint32_t px) {
    const int r = px >> 16 & 0xFF, g = px >> 8 & 0xFF, b = px & 0xFF;
    return r >= 128 && r - std::max(g, b) >= 64;
}
bool face_ink(std::uint32_t px) {
    const int r = px >> 16 & 0xFF, g = px >> 8 & 0xFF, b = px & 0xFF;
    return (b >= 128 && b - std::max(r, g) >= 64) || red_ink(px);
}
bool text_ink(std::uint32_t px) {
    return (px >> 16 & 0xFF) < 80 && (px >> 8 & 0xFF) < 80 && (px & 0xFF) < 80;
}
// The bounding box of the pixels of `area` that `ink` accepts; empty when there are none.
RECT ink_box(const Picture& p, const RECT& area, bool (*ink)(std::uint32_t)) {
    RECT box{LONG_MAX, LONG_MAX, LONG_MIN, LONG_MIN};
    for (LONG y = std::max(0L, area.top); y < std::min<LONG>(p.height, area.bottom); ++y)
        for (LONG x = std::max(0L, area.left); x < std::min<LONG>(p.width, area.right); ++x)
            if (ink(p.at(x, y))) {
                box.left = std::min(box.left, x);
                box.top = std::min(box.top, y);
                box.right = std::max(box.right, x + 1);
                box.bottom = std::max(box.bottom, y + 1);
            }
    return box.left == LONG_MAX ? RECT{} : box;
}
bool inside(const RECT& inner, const RECT& outer) {
    return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
           inner.bottom <= outer.bottom;
}

// Whether the "0" key and the start key show faces yet (keys paint when the timer's queue runs
// dry), the start key's in red when `stop`.
bool faces_painted(const TimerRun& t, bool stop = false) {
    const Picture p = capture_client(t.window);
    const RECT zero = ink_box(p, rect_in_parent(t.digit_key(0)), face_ink);
    const RECT start = ink_box(p, rect_in_parent(t.start_key()), stop ? red_ink : face_ink);
    return !IsRectEmpty(&zero) && !IsRectEmpty(&start);
}

// Checks the keys, the bar, the faces and the time text against the layout of the current
// client size; returns the height of the "0" key's face.
int expect_timer_laid_out(const TimerRun& t) {
    const RECT client = client_rect(t.window);
    const int w = client.right, h = client.bottom;
    for (int i = 0; i < 10; ++i) {
        const RECT want = design_rect(10 + 46 * (i % 5), 115 + 30 * (i / 5), 42, 27, w, h);
        EXPECT_PRED2(same, rect_in_parent(t.digit_key(i)), want) << "key " << i << " " << str(want);
    }
    EXPECT_PRED2(same, rect_in_parent(t.start_key()), design_rect(240, 115, 84, 57, w, h));

    const Picture p = capture_client(t.window);
    const std::uint32_t face = GetSysColor(COLOR_BTNFACE);
    const std::uint32_t background = (face & 0xFF) << 16 | (face & 0xFF00) | (face >> 16 & 0xFF);
    // The bar: drawn inside its rectangle, background just outside it.
    const auto round = [](double v) { return static_cast<LONG>(std::floor(v + 0.5)); };
    const RECT bar{round(10.0 * w / 334), round(100.0 * h / 182), round(w - 10.0 * w / 334),
                   round(110.0 * h / 182)};
    const LONG mid_y = (bar.top + bar.bottom) / 2, x = bar.left + 3;
    EXPECT_EQ(p.at(bar.left - 1, mid_y), background) << str(bar);
    EXPECT_EQ(p.at(bar.right, mid_y), background) << str(bar);
    EXPECT_EQ(p.at(x, bar.top - 1), background) << str(bar);
    EXPECT_EQ(p.at(x, bar.bottom), background) << str(bar);
    EXPECT_NE(p.at(bar.left, mid_y), background) << str(bar);
    EXPECT_NE(p.at(bar.right - 1, mid_y), background) << str(bar);

    // The time: inside the band above the bar, filling a good part of it, centred.
    const RECT text = ink_box(p, RECT{0, 0, w, bar.top}, text_ink);
    EXPECT_GE(text.top, 0);
    EXPECT_GE(text.bottom - text.top, bar.top / 2) << str(text);
    EXPECT_LE(std::abs((text.left + text.right) - w), w / 20) << str(text);

    int zero_face_height = 0;
    for (int id : {digit_button_id(0), digit_button_id(5), digit_button_id(9), start_button_id}) {
        const RECT key = rect_in_parent(t.key(id));
        const RECT ink = ink_box(p, key, face_ink);
        EXPECT_FALSE(IsRectEmpty(&ink)) << "no face on key " << id;
        EXPECT_TRUE(inside(ink, key)) << id << " " << str(ink) << " in " << str(key);
        if (id == digit_button_id(0))
            zero_face_height = ink.bottom - ink.top;
    }
    return zero_face_height;
}

// A face height at `dpi` against the one at 96: in proportion, within a fifth.
void expect_face_grown(int height, int height_at_96, int dpi) {
    const double want = height_at_96 * dpi / 96.0;
    EXPECT_NEAR(height, want, want / 5)
        << "face " << height << " px at " << dpi << " DPI, " << height_at_96 << " px at 96";
}

// ---- The editor ----

const int space_above[] = {10, 0, 5, 0, 5, 0, 5, 0, 5, 5, 0, 15}; // in creation order

// The stock system font scaled to `dpi`: as tall as the editor's font there and no narrower.
HFONT font_for_dpi(int dpi) {
    LOGFONTW f{};
    GetObjectW(GetStockObject(SYSTEM_FONT), sizeof f, &f);
    f.lfHeight = scaled(f.lfHeight, dpi);
    f.lfWidth = scaled(f.lfWidth, dpi);
    return CreateFontIndirectW(&f);
}

int system_metric(int index, int dpi) {
    using Get = int(WINAPI*)(int, UINT);
    auto get = reinterpret_cast<Get>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetSystemMetricsForDpi")));
    return get != nullptr ? get(index, static_cast<UINT>(dpi)) : GetSystemMetrics(index);
}

// The controls follow the formulas of the layout with every design number scaled, and each
// control's text fits it in the font of that scale.
void expect_editor_laid_out(HWND window, const std::vector<HWND>& controls, int dpi) {
    ASSERT_EQ(controls.size(), 12u);
    HDC dc = CreateCompatibleDC(nullptr);
    HFONT font = font_for_dpi(dpi);
    HGDIOBJ old = SelectObject(dc, font);
    TEXTMETRICW tm{};
    GetTextMetricsW(dc, &tm);
    const int fitted = tm.tmHeight + 2 * system_metric(SM_CYEDGE, dpi);
    const RECT frame = frame_for_dpi(window, dpi);
    const int created_client = scaled(300, dpi) - (frame.right - frame.left);

    LONG bottom = 0;
    for (std::size_t i = 0; i < controls.size(); ++i) {
        const RECT r = rect_in_parent(controls[i]);
        const bool button = i + 1 == controls.size();
        EXPECT_EQ(r.top, bottom + scaled(space_above[i], dpi)) << "control " << i;
        if (button) {
            EXPECT_EQ(r.left, (created_client - scaled(100, dpi)) / 2);
            EXPECT_EQ(r.right - r.left, scaled(100, dpi));
            EXPECT_EQ(r.bottom - r.top, scaled(30, dpi));
        } else {
            EXPECT_EQ(r.left, scaled(10, dpi)) << "control " << i;
            EXPECT_EQ(r.right - r.left, scaled(280, dpi)) << "control " << i;
            EXPECT_NEAR(r.bottom - r.top, fitted, 1) << "control " << i;
        }
        const std::wstring text = text_of(controls[i]);
        SIZE extent{};
        GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &extent);
        EXPECT_LE(extent.cx, r.right - r.left - 4) << "control " << i;
        EXPECT_LE(extent.cy, r.bottom - r.top) << "control " << i;
        bottom = r.bottom;
    }
    SelectObject(dc, old);
    DeleteObject(font);
    DeleteDC(dc);
}

} // namespace

TEST(DisplayScale, TimerIsLaidOutAndDrawnForTheScaleItStartsAt) {
    int face_at_96 = 0;
    for (int dpi : scales) {
        SCOPED_TRACE("LogPixels " + std::to_string(dpi));
        DisplayScale scale(dpi);
        TimerRun t;
        ASSERT_NE(t.window, nullptr);
        const RECT client = client_rect(t.window);
        EXPECT_NEAR(client.right, 334.0 * dpi / 96, 1.0);
        EXPECT_NEAR(client.bottom, 182.0 * dpi / 96, 1.0);
        EXPECT_TRUE(wait_until([&] { return faces_painted(t); }, 2000));
        const int face = expect_timer_laid_out(t);
        if (dpi == 96)
            face_at_96 = face;
        else
            expect_face_grown(face, face_at_96, dpi);
        EXPECT_EQ(t.close(), 0u);
    }
}

TEST(DisplayScale, EditorIsLaidOutForTheScaleItStartsAt) {
    const std::wstring folder = folder_with_timer();
    for (int dpi : scales) {
        SCOPED_TRACE("LogPixels " + std::to_string(dpi));
        DisplayScale scale(dpi);
        EditorRun editor(folder);
        HWND window = editor.window();
        ASSERT_NE(window, nullptr);
        ASSERT_TRUE(wait_until([&] { return IsWindowVisible(window) != FALSE; }, 10000));
        const std::vector<HWND> controls = editor.controls();
        expect_editor_laid_out(window, controls, dpi);
        const RECT client = client_rect(window);
        EXPECT_NEAR(client.right, 300.0 * dpi / 96, 1.0);
        EXPECT_EQ(client.bottom, rect_in_parent(controls.back()).bottom + scaled(5, dpi));
    }
}

TEST(DisplayScale, TimerMovedToAnotherScaleMidCountdownKeepsCounting) {
    TimerRun t(with_setting(settings_block::alarm_time_ms_at, 500));
    ASSERT_NE(t.window, nullptr);
    EXPECT_TRUE(wait_until([&] { return faces_painted(t); }, 2000));
    const int face_at_96 = expect_timer_laid_out(t);
    send_key(t.window, '3');
    const DWORD started = GetTickCount();
    send_key(t.window, VK_RETURN);
    ASSERT_TRUE(wait_until([&] { return t.title() == L"00.02"; }, 3000)) << t.title();

    const RECT suggested = suggested_rect(t.window, 668, 364, 192);
    send_dpi_changed(t.window, 192, suggested);
    EXPECT_PRED2(same, window_rect(t.window), suggested) << str(suggested);
    // The red "STOP" stays the start key's face while the countdown runs.
    EXPECT_TRUE(wait_until([&] { return faces_painted(t, true); }, 2000));
    expect_face_grown(expect_timer_laid_out(t), face_at_96, 192);

    // The countdown ends when it would have, and the alarm's end shows the set time again.
    ASSERT_TRUE(wait_until([&] { return t.title() == L"00.00"; }, 4000)) << t.title();
    EXPECT_NEAR(static_cast<double>(GetTickCount() - started), 3000.0, 250.0);
    EXPECT_TRUE(wait_until([&] { return t.title() == L"00.03"; }, 3000)) << t.title();
    EXPECT_EQ(t.close(), 0u);
}

TEST(DisplayScale, EditorMovedToAnotherScaleTakesItsFontAndLayout) {
    const std::wstring folder = folder_with_timer();
    for (int dpi : {144, 96}) {
        SCOPED_TRACE("moved to " + std::to_string(dpi));
        EditorRun editor(folder);
        HWND window = editor.window();
        ASSERT_NE(window, nullptr);
        ASSERT_TRUE(wait_until([&] { return IsWindowVisible(window) != FALSE; }, 10000));
        if (dpi == 96) // there and back again
            send_dpi_changed(window, 144, suggested_rect(window, 450, 400, 144));
        const RECT suggested = suggested_rect(window, scaled(300, dpi), scaled(320, dpi), dpi);
        send_dpi_changed(window, dpi, suggested);
        EXPECT_PRED2(same, window_rect(window), suggested) << str(suggested);
        expect_editor_laid_out(window, editor.controls(), dpi);
    }
}

// Only the system sends WM_DPICHANGED, always with a rectangle; one without changes nothing.
TEST(DisplayScale, AChangeWithoutARectangleIsIgnoredByBothPrograms) {
    const auto send_without_rectangle = [](HWND window) {
        DWORD_PTR result = 0;
        SendMessageTimeoutW(window, WM_DPICHANGED, MAKEWPARAM(144, 144), 0, SMTO_NORMAL, 5000,
                            &result);
    };
    TimerRun t;
    ASSERT_NE(t.window, nullptr);
    const std::vector<std::uint32_t> keys = capture_client(t.window).pixels;
    send_without_rectangle(t.window);
    EXPECT_FALSE(wait_until([&] { return capture_client(t.window).pixels != keys; }, 1000))
        << "the keys took faces for another scale";
    EXPECT_TRUE(t.running());

    EditorRun editor(t.folder);
    ASSERT_NE(editor.window(), nullptr);
    const std::vector<HWND> controls = editor.controls();
    const Box first = box(rect_in_parent(controls.front())),
              last = box(rect_in_parent(controls.back()));
    send_without_rectangle(editor.window());
    EXPECT_TRUE(editor.running());
    EXPECT_EQ(box(rect_in_parent(controls.front())), first);
    EXPECT_EQ(box(rect_in_parent(controls.back())), last);
    EXPECT_EQ(editor.close(), 0u);
    EXPECT_EQ(t.close(), 0u);
}
