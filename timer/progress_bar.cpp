#include "progress_bar.h"

#include <vsstyle.h>

#include "owned_handle.h"
#include "taskbar.h"
#include "theme.h"
#include "timer_state.h"

namespace {

constexpr int normal_state = 1;

// The frame one pixel inside the bar's right and bottom edges (Rectangle's convention), filled
// with the window colour. The frame is black, or in high contrast the window text colour; the
// dark look has colours of its own.
void draw_plain_background(const RECT& bar) {
    const bool dark = palette == Palette::dark;
    HGDIOBJ pen = GetStockObject(BLACK_PEN);
    if (palette != Palette::light) {
        pen = GetStockObject(DC_PEN);
        SetDCPenColor(back_buffer, dark ? dark_colours::frame : GetSysColor(COLOR_WINDOWTEXT));
    }
    HGDIOBJ old_pen = SelectObject(back_buffer, pen);
    HGDIOBJ old_brush =
        SelectObject(back_buffer, dark ? colour_brush(back_buffer, dark_colours::bar_empty)
                                       : GetSysColorBrush(COLOR_WINDOW));
    Rectangle(back_buffer, bar.left, bar.top, bar.right, bar.bottom);
    SelectObject(back_buffer, old_brush);
    SelectObject(back_buffer, old_pen);
}

// The theme data of "progress": opened on first use, closed at exit or when the theme changes.
OwnedHandle<HTHEME, open_progress_theme, close_theme> progress_theme;

// What the back buffer's bar shows since the last drawing. A new back buffer or new colours
// make it unknown (forget_drawn_bar), so that the bar is drawn again.
struct DrawnBar {
    bool valid;
    RECT bar;
    ProgressBarPlan plan;
};
DrawnBar last_drawn{};

bool same_rect(const RECT& a, const RECT& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

// A plan without a chunk has an all-zero chunk rectangle, so comparing it is enough.
bool same_bar(const DrawnBar& drawn, const RECT& bar, const ProgressBarPlan& plan) {
    const ProgressBarPlan& was = drawn.plan;
    return same_rect(drawn.bar, bar) && was.themed_background == plan.themed_background &&
           was.themed_chunk == plan.themed_chunk && was.has_chunk == plan.has_chunk &&
           same_rect(was.chunk, plan.chunk);
}

// Draws the bar of `plan` into the back buffer.
void draw_bar(const RECT& bar, const ProgressBarPlan& plan) {
    const bool draw_chunk = plan.has_chunk && !IsRectEmpty(&plan.chunk);

    // Opened on first use and held until exit; never opened without themes (uxtheme.dll may
    // be missing).
    HTHEME theme = nullptr;
    if (plan.themed_background || (plan.themed_chunk && draw_chunk))
        theme = progress_theme.get();

    if (plan.themed_background && theme != nullptr) {
        draw_theme_parent_background(main_window, back_buffer, &bar);
        draw_theme_background(theme, back_buffer, PP_BAR, normal_state, &bar);
    } else {
        draw_plain_background(bar);
    }
    if (draw_chunk) {
        if (plan.themed_chunk && theme != nullptr)
            draw_theme_background(theme, back_buffer, PP_CHUNK, normal_state, &plan.chunk);
        else
            FillRect(back_buffer, &plan.chunk,
                     palette == Palette::dark ? colour_brush(back_buffer, dark_colours::bar_chunk)
                                              : GetSysColorBrush(COLOR_HIGHLIGHT));
    }
    last_drawn = DrawnBar{true, bar, plan};
}

ProgressBarPlan plan_now() {
    return plan_progress_bar(progress_rect, progress, themes_available && palette == Palette::light,
                             os_version.dwMajorVersion);
}

// A tick comes every few milliseconds and the time changes once a second, but the chunk grows
// by a pixel only now and then: most of the time the back buffer shows this very bar already.
bool drawn_as(const RECT& bar, const ProgressBarPlan& plan) {
    return last_drawn.valid && same_bar(last_drawn, bar, plan);
}

} // namespace

bool progress_bar_drawn_as_planned() {
    return drawn_as(progress_rect, plan_now());
}

void draw_progress_bar(int paint) {
    const RECT bar = progress_rect;
    const ProgressBarPlan plan = plan_now();
    const bool unchanged = drawn_as(bar, plan);
    // On a tick that leaves the bar as it is, the screen shows it already too.
    if (paint == 1 && unchanged)
        return;
    if (!unchanged)
        draw_bar(bar, plan);

    if (paint == 1) {
        // Only the chunk changes on a tick; the back buffer holds the rest already. Painted
        // before the tick's handler returns, as draw_display does, so the screen keeps pace
        // with every tick.
        InvalidateRect(main_window, &plan.repaint, FALSE);
        SendMessageW(main_window, WM_PAINT, 0, 0);
    }
    note_bar_drawn(bar, plan);
}

void forget_drawn_bar() {
    last_drawn.valid = false;
}

void forget_progress_theme() {
    progress_theme.replace(nullptr);
    forget_drawn_bar();
}
