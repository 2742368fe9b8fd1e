// What the bar under the time text shows for a share of the countdown: pure arithmetic, apart
// from the drawing so that tests and the taskbar button reach it without a device context.
#pragma once

#include <windows.h>

// What one call of draw_progress_bar draws, worked out without a device context.
struct ProgressBarPlan {
    bool themed_background; // the "progress" frame, else a plain framed rectangle
    bool themed_chunk;      // the "progress" chunk, else a fill in the highlight colour
    bool has_chunk;         // false for a progress of 0, below 0 or NaN
    RECT chunk;             // when has_chunk; empty (never inverted) for a tiny progress
    RECT repaint;           // what paint flag 1 invalidates: the chunk if any, else the bar
};

// `bar` in client coordinates; `elapsed_share` as in `progress`, `themed` as in
// `themes_available`. A share above 1 fills the bar and goes no further: the last
// tick of a countdown and the alarm after it leave the share at or a little above 1.
ProgressBarPlan plan_progress_bar(const RECT& bar, double elapsed_share, bool themed,
                                  DWORD major_version);
