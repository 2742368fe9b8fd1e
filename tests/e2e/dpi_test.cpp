// Both programs at display scales of 100 % to 200 %, set with the prefix's LogPixels (Wine reads
// it when a program starts), and both moved to another scale by WM_DPICHANGED as Windows sends
// it when a window crosses to a monitor of another DPI (Wine has one monitor: the test sends it).
// Text must keep its proportions: its ink at any scale is its ink at 96 DPI times DPI/96.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>

#include "harness.h"
#include "settings_block.h"

using namespace e2e;

namespace {

// The display scale of the programs started while this lives.
struct DisplayScale {
    UserSetting log_pixels;
    explicit DisplayScale(int dpi)
        : log_pixels(L"Control Panel\\Desktop", L"LogPixels", static_cast<DWORD>(dpi)) {}
};

// A window rectangle to suggest with WM_DPICHANGED: the window takes whichever it is given.
RECT suggested(int width, int height) {
    return RECT{50, 40, 50 + width, 40 + height};
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

RECT window_rect(HWND w) {
    RECT r{};
    GetWindowRect(w, &r);
    return r;
}
// Where a control's text may lie: inside its edges, which turn blue under the pointer.
RECT within_edges(HWND control) {
    RECT r = rect_in_parent(control);
    InflateRect(&r, -3, -3);
    return r;
}

// Text's ink at `dpi` against its ink at 96 DPI: each way within 2 pixels and `share` of the
// ink at 96 times DPI/96. Prints both for the record.
void expect_in_proportion(const std::string& what, const RECT& ink, const RECT& at_96, int dpi,
                          double share = 0.05) {
    const int w = ink.right - ink.left, h = ink.bottom - ink.top;
    const double want_w = (at_96.right - at_96.left) * dpi / 96.0;
    const double want_h = (at_96.bottom - at_96.top) * dpi / 96.0;
    std::printf("[   ink    ] %s at %d DPI: %d x %d, in proportion %.0f x %.0f\n", what.c_str(),
                dpi, w, h, want_w, want_h);
    EXPECT_NEAR(w, want_w, 2 + want_w * share) << what << " width at " << dpi << " DPI";
    EXPECT_NEAR(h, want_h, 2 + want_h * share) << what << " height at " << dpi << " DPI";
}
// Waits until the ink `measure` finds differs from `before` and holds still for a poll: the
// window has repainted.
RECT ink_changed(const std::function<RECT()>& measure, const RECT& before) {
    RECT last = before, now = before;
    wait_until(
        [&] {
            last = now;
            now = measure();
            return !(box(now) == box(before)) && box(now) == box(last);
        },
        3000);
    return now;
}

// ---- The timer ----

// The client area at each scale (DPI, width, height): the design's 334 x 182 times DPI/96.
const int timer_sizes[][3] = {{96, 334, 182}, {120, 418, 228}, {144, 501, 273}, {192, 668, 364}};

// A rectangle of the design's 334 x 182 units in a client area of width x height.
RECT design_rect(double x, double y, double w, double h, int width, int height) {
    auto round = [](double v) { return static_cast<LONG>(std::floor(v + 0.5)); };
    const LONG left = round(x * width / 334), top = round(y * height / 182);
    return RECT{left, top, left + round(w * width / 334), top + round(h * height / 182)};
}

// The ink of the "0" key's face and of the start key's, in red when `stop`.
struct Faces {
    RECT zero, start;
};
Faces faces_of(const TimerRun& t, bool stop = false) {
    const Picture p = capture_client(t.window);
    return {ink_box(p, within_edges(t.digit_key(0)), face_ink),
            ink_box(p, within_edges(t.start_key()), stop ? red_ink : face_ink)};
}
// Whether both show faces yet (keys paint when the timer's queue runs dry).
bool faces_painted(const TimerRun& t, bool stop = false) {
    const Faces f = faces_of(t, stop);
    return !IsRectEmpty(&f.zero) && !IsRectEmpty(&f.start);
}

// Checks the keys, the bar, the faces and the time text against the layout of the current
// client size; returns the faces' ink.
Faces expect_timer_laid_out(const TimerRun& t) {
    const RECT client = client_rect(t.window);
    const int w = client.right, h = client.bottom;
    for (int i = 0; i < 10; ++i) {
        const RECT want = design_rect(10 + 46 * (i % 5), 115 + 30 * (i / 5), 42, 27, w, h);
        EXPECT_EQ(box(rect_in_parent(t.digit_key(i))), box(want)) << "key " << i;
    }
    EXPECT_EQ(box(rect_in_parent(t.start_key())), box(design_rect(240, 115, 84, 57, w, h)));

    const Picture p = capture_client(t.window);
    const std::uint32_t face = GetSysColor(COLOR_BTNFACE);
    const std::uint32_t background = (face & 0xFF) << 16 | (face & 0xFF00) | (face >> 16 & 0xFF);
    // The bar: drawn inside its rectangle, background just outside it.
    const auto round = [](double v) { return static_cast<LONG>(std::floor(v + 0.5)); };
    const RECT bar{round(10.0 * w / 334), round(100.0 * h / 182), round(w - 10.0 * w / 334),
                   round(110.0 * h / 182)};
    const LONG mid_y = (bar.top + bar.bottom) / 2, x = bar.left + 3;
    EXPECT_EQ(p.at(bar.left - 1, mid_y), background) << box(bar);
    EXPECT_EQ(p.at(bar.right, mid_y), background) << box(bar);
    EXPECT_EQ(p.at(x, bar.top - 1), background) << box(bar);
    EXPECT_EQ(p.at(x, bar.bottom), background) << box(bar);
    EXPECT_NE(p.at(bar.left, mid_y), background) << box(bar);
    EXPECT_NE(p.at(bar.right - 1, mid_y), background) << box(bar);

    // The time: inside the band above the bar, filling a good part of it, centred.
    const RECT text = ink_box(p, RECT{0, 0, w, bar.top}, text_ink);
    EXPECT_GE(text.top, 0);
    EXPECT_GE(text.bottom - text.top, bar.top / 2) << box(text);
    EXPECT_LE(std::abs((text.left + text.right) - w), w / 20) << box(text);

    for (int id : {digit_button_id(0), digit_button_id(5), digit_button_id(9), start_button_id}) {
        const RECT ink = ink_box(p, within_edges(t.key(id)), face_ink);
        EXPECT_FALSE(IsRectEmpty(&ink)) << "no face on key " << id;
    }
    return faces_of(t);
}

void expect_faces_in_proportion(const Faces& faces, const Faces& at_96, int dpi,
                                const std::string& how = "") {
    expect_in_proportion("START caption" + how, faces.start, at_96.start, dpi);
    expect_in_proportion("\"0\" caption" + how, faces.zero, at_96.zero, dpi);
}

// ---- The editor ----

// The editor's layout at each scale, in pixels: the controls' left edge and width; the space
// above the first control, above a label and above the write button; the write button's left
// edge and size; the height of a fitted control (a line of its font and the edges); the client
// width and the space below the button.
struct EditorAt {
    int dpi, left, width, first_gap, gap, button_gap, button_left, button_width, button_height,
        line, client_width, below;
};
const EditorAt editor_sizes[] = {
    {96, 10, 280, 10, 5, 15, 96, 100, 30, 20, 300, 5},
    {120, 13, 350, 13, 6, 19, 121, 125, 38, 25, 375, 6},
    {144, 15, 420, 15, 8, 23, 145, 150, 45, 28, 450, 8},
    {192, 20, 560, 20, 10, 30, 195, 200, 60, 35, 600, 10},
};

// Above each control in creation order: none (0) between a label and its box, else which gap.
enum Gap { none, first, label, button };
const Gap gap_above[] = {first, none, label, none,  label, none,
                         label, none, label, label, none,  button};

// The ink of the first label and of the number in the second box ("4400").
struct EditorInk {
    RECT label, number;
};
EditorInk editor_ink(HWND window, const std::vector<HWND>& controls) {
    const Picture p = capture_client(window);
    return {ink_box(p, within_edges(controls.at(0)), text_ink),
            ink_box(p, within_edges(controls.at(3)), text_ink)};
}

// Both in proportion, the label within a fifth: without a Japanese font (as in the test prefix)
// it shows the font's boxes for missing glyphs, whose widths the font rounds unevenly.
void expect_editor_ink_in_proportion(const EditorInk& ink, const EditorInk& at_96, int dpi,
                                     const std::string& how = "") {
    expect_in_proportion("first label" + how, ink.label, at_96.label, dpi, 0.2);
    expect_in_proportion("number" + how, ink.number, at_96.number, dpi);
}

// The controls lie where the layout of `s` puts them; returns their ink once drawn.
EditorInk expect_editor_laid_out(HWND window, const std::vector<HWND>& controls,
                                 const EditorAt& s) {
    EXPECT_EQ(controls.size(), 12u);
    LONG bottom = 0;
    for (std::size_t i = 0; i < controls.size() && i < 12; ++i) {
        const RECT r = rect_in_parent(controls[i]);
        const int gaps[] = {0, s.first_gap, s.gap, s.button_gap};
        EXPECT_EQ(r.top, bottom + gaps[gap_above[i]]) << "control " << i;
        if (gap_above[i] == button) {
            EXPECT_EQ(r.left, s.button_left);
            EXPECT_EQ(r.right - r.left, s.button_width);
            EXPECT_EQ(r.bottom - r.top, s.button_height);
        } else {
            EXPECT_EQ(r.left, s.left) << "control " << i;
            EXPECT_EQ(r.right - r.left, s.width) << "control " << i;
            EXPECT_NEAR(r.bottom - r.top, s.line, 1) << "control " << i;
        }
        bottom = r.bottom;
    }
    EditorInk ink{};
    wait_until(
        [&] {
            ink = editor_ink(window, controls);
            return !IsRectEmpty(&ink.label) && !IsRectEmpty(&ink.number);
        },
        3000);
    return ink;
}

} // namespace

TEST(DisplayScale, TimerIsLaidOutAndDrawnForTheScaleItStartsAt) {
    Faces at_96{};
    for (const auto& size : timer_sizes) {
        const int dpi = size[0];
        SCOPED_TRACE("LogPixels " + std::to_string(dpi));
        DisplayScale scale(dpi);
        TimerRun t;
        ASSERT_NE(t.window, nullptr);
        const RECT client = client_rect(t.window);
        EXPECT_EQ(client.right, size[1]);
        EXPECT_EQ(client.bottom, size[2]);
        EXPECT_TRUE(wait_until([&] { return faces_painted(t); }, 2000));
        const Faces faces = expect_timer_laid_out(t);
        if (dpi == 96)
            at_96 = faces;
        else
            expect_faces_in_proportion(faces, at_96, dpi);
        if (dpi == 192) {
            // Moved to a monitor at 100 %: the faces of the 96-DPI design, not this system's.
            send_dpi_changed(t.window, 96, suggested(420, 280));
            ink_changed([&] { return faces_of(t).start; }, faces.start);
            expect_faces_in_proportion(expect_timer_laid_out(t), at_96, 96, ", moved from 192");
        }
        EXPECT_EQ(t.close(), 0u);
    }
}

TEST(DisplayScale, EditorIsLaidOutForTheScaleItStartsAtOrIsMovedTo) {
    const std::wstring folder = folder_with_timer();
    EditorInk at_96{};
    for (const EditorAt& s : editor_sizes) {
        SCOPED_TRACE("LogPixels " + std::to_string(s.dpi));
        DisplayScale scale(s.dpi);
        EditorRun editor(folder);
        HWND window = editor.window();
        ASSERT_NE(window, nullptr);
        ASSERT_TRUE(wait_until([&] { return IsWindowVisible(window) != FALSE; }, 10000));
        const std::vector<HWND> controls = editor.controls();
        const EditorInk ink = expect_editor_laid_out(window, controls, s);
        const RECT client = client_rect(window);
        EXPECT_EQ(client.right, s.client_width);
        EXPECT_EQ(client.bottom, rect_in_parent(controls.back()).bottom + s.below);
        if (s.dpi == 96)
            at_96 = ink;
        else
            expect_editor_ink_in_proportion(ink, at_96, s.dpi);
        // Moved to a monitor at another scale: from 96 to 144 and back, from 192 to 96 (the
        // 96-DPI design's font there, not this system's stock font).
        RECT label = ink.label;
        const std::vector<int> moves = s.dpi == 96    ? std::vector<int>{144, 96}
                                       : s.dpi == 192 ? std::vector<int>{96}
                                                      : std::vector<int>{};
        for (int to : moves) {
            const RECT moved = to == 96 ? suggested(320, 340) : suggested(470, 500);
            send_dpi_changed(window, to, moved);
            EXPECT_EQ(box(window_rect(window)), box(moved));
            label = ink_changed([&] { return editor_ink(window, controls).label; }, label);
            expect_editor_ink_in_proportion(
                expect_editor_laid_out(window, controls, editor_sizes[to == 96 ? 0 : 2]), at_96, to,
                ", moved from " + std::to_string(s.dpi));
        }
    }
}

TEST(DisplayScale, TimerMovedToAnotherScaleMidCountdownKeepsCounting) {
    TimerRun t(with_setting(settings_block::alarm_time_ms_at, 500));
    ASSERT_NE(t.window, nullptr);
    EXPECT_TRUE(wait_until([&] { return faces_painted(t); }, 2000));
    const Faces at_96 = expect_timer_laid_out(t);
    send_key(t.window, '3');
    const DWORD started = GetTickCount();
    send_key(t.window, VK_RETURN);
    ASSERT_TRUE(wait_until([&] { return t.title() == L"00.02"; }, 3000)) << t.title();

    const RECT moved = suggested(700, 420);
    send_dpi_changed(t.window, 192, moved);
    EXPECT_EQ(box(window_rect(t.window)), box(moved));
    // The red "STOP" stays the start key's face while the countdown runs.
    EXPECT_TRUE(wait_until([&] { return faces_painted(t, true); }, 2000));
    const RECT zero_at_192 = ink_changed([&] { return faces_of(t, true).zero; }, at_96.zero);
    expect_in_proportion("\"0\" caption, moved from 96", zero_at_192, at_96.zero, 192);
    expect_timer_laid_out(t);

    // The countdown ends when it would have, and the alarm's end shows the set time again.
    ASSERT_TRUE(wait_until([&] { return t.title() == L"00.00"; }, 4000)) << t.title();
    EXPECT_NEAR(static_cast<double>(GetTickCount() - started), 3000.0, 250.0);
    EXPECT_TRUE(wait_until([&] { return t.title() == L"00.03"; }, 3000)) << t.title();
    EXPECT_EQ(t.close(), 0u);
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
