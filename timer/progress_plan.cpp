#include "progress_plan.h"

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
