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

} // namespace

ProgressBarPlan plan_progress_bar(const RECT& bar, double progress, bool themes_available,
                                  DWORD major_version) {
    ProgressBarPlan plan{};
    // Older systems draw a themed frame lower than 10 pixels badly; from version 6 on any
    // height is fine. The chunk looks only at whether themes are there.
    plan.themed_background = themes_available && (major_version >= 6 || bar.bottom - bar.top >= 10);
    plan.themed_chunk = themes_available;
    plan.has_chunk = progress > 0; // false for NaN too
    plan.repaint = bar;
    if (!plan.has_chunk)
        return plan;

    const double share = progress < 1 ? progress : 1.0;
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
    const bool draw_chunk = plan.has_chunk && !IsRectEmpty(&plan.chunk);

    // Held for this call only; never opened without themes (uxtheme.dll may be missing).
    HTHEME theme = nullptr;
    if (plan.themed_background || (plan.themed_chunk && draw_chunk))
        theme = open_progress_theme();

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
    close_theme(theme);

    if (paint == 1) {
        // Only the chunk changes on a tick; the back buffer holds the rest already.
        InvalidateRect(main_window, &plan.repaint, FALSE);
        SendMessageW(main_window, WM_PAINT, 0, 0);
    }
}
