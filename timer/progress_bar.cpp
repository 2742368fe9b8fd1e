#include "progress_bar.h"

#include <vsstyle.h>

#include "theme.h"
#include "timer_state.h"

namespace {

constexpr int normal_state = 1;

// The frame one pixel inside the bar's right and bottom edges (Rectangle's convention), filled
// with the window colour.
void draw_plain_background(const RECT& bar) {
    HGDIOBJ old_pen = SelectObject(back_buffer, GetStockObject(BLACK_PEN));
    HGDIOBJ old_brush = SelectObject(back_buffer, GetSysColorBrush(COLOR_WINDOW));
    Rectangle(back_buffer, bar.left, bar.top, bar.right, bar.bottom);
    SelectObject(back_buffer, old_brush);
    SelectObject(back_buffer, old_pen);
}

// The theme data of "progress", released at exit.
class ProgressTheme {
  public:
    ~ProgressTheme() { close_theme(theme); }
    HTHEME get() {
        if (theme == nullptr)
            theme = open_progress_theme();
        return theme;
    }

  private:
    HTHEME theme = nullptr;
};
ProgressTheme progress_theme;

// What the back buffer's bar shows since the last drawing. Every change of the back buffer
// (a new size, a redraw of the display) draws the bar again, so this stays true.
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

} // namespace

ProgressBarPlan plan_progress_bar(const RECT& bar, double elapsed_share, bool themed,
                                  DWORD major_version) {
    ProgressBarPlan plan{};
    // Older systems draw a themed frame lower than 10 pixels badly; from version 6 on any
    // height is fine. The chunk looks only at whether themes are there.
    plan.themed_background = themed && (major_version >= 6 || bar.bottom - bar.top >= 10);
    plan.themed_chunk = themed;
    plan.has_chunk = elapsed_share > 0; // false for NaN too
    plan.repaint = bar;
    if (!plan.has_chunk)
        return plan;

    const double share = elapsed_share < 1 ? elapsed_share : 1.0;
    // The frame lines and the chunk's inset are one pixel at every display scale: hairlines,
    // like the system's own control edges. Only the bar's rectangle grows with the window.
    // The chunk's right edge runs from the left frame line (0) to the right one (1).
    const int filled = static_cast<int>(share * (bar.right - bar.left - 1) + 0.5);
    RECT chunk{bar.left + 1, bar.top + 1, bar.left + filled, bar.bottom - 1};
    // An inverted rectangle would be filled and invalidated as if mirrored (over the left
    // frame line), so a chunk of no width or height stays empty in place.
    if (chunk.right < chunk.left)
        chunk.right = chunk.left;
    if (chunk.bottom < chunk.top)
        chunk.bottom = chunk.top;
    plan.chunk = chunk;
    plan.repaint = chunk;
    return plan;
}

void draw_progress_bar(int paint) {
    const RECT bar = progress_rect;
    const ProgressBarPlan plan =
        plan_progress_bar(bar, progress, themes_available, os_version.dwMajorVersion);
    // A tick comes every few milliseconds but the chunk grows by a pixel only now and then:
    // when the back buffer and the screen already show this very bar, there is nothing to do.
    if (paint == 1 && last_drawn.valid && same_bar(last_drawn, bar, plan))
        return;
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
            FillRect(back_buffer, &plan.chunk, GetSysColorBrush(COLOR_HIGHLIGHT));
    }
    last_drawn = DrawnBar{true, bar, plan};

    if (paint == 1) {
        // Only the chunk changes on a tick; the back buffer holds the rest already. Painted
        // before the tick's handler returns, as draw_display does, so the screen keeps pace
        // with every tick.
        InvalidateRect(main_window, &plan.repaint, FALSE);
        SendMessageW(main_window, WM_PAINT, 0, 0);
    }
}
