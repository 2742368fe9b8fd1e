// Display scale for both programs. The functions of newer systems (per-monitor DPI, from
// Windows 10 1607 on) are looked up at run time; on older systems the screen's DPI, which is
// then the system DPI for every window, stands in. 96 DPI is 100 %.
#pragma once

#include <windows.h>

constexpr int base_dpi = 96;

// `value` (of a design at `from_dpi`) at `to_dpi`, rounded half away from zero.
int scale_between(int value, int to_dpi, int from_dpi);
// A design value at 96 DPI for `dpi`.
inline int scale_for_dpi(int value, int dpi) {
    return scale_between(value, dpi, base_dpi);
}

// The DPI Windows gives `window` (GetDpiForWindow), or the screen's.
int dpi_of_window(HWND window);
// The DPI the system's stock objects and unscaled metrics are made for, fixed for the
// process's life.
int system_dpi();

// AdjustWindowRectEx for a window at `dpi`.
void adjust_window_rect_for_dpi(RECT& rect, DWORD style, DWORD ex_style, int dpi);
// GetSystemMetrics for a window at `dpi`.
int system_metric_for_dpi(int index, int dpi);

// The stock system font (the one a fresh device context has) made for `dpi`: null at the
// system DPI, where the stock font itself is meant; otherwise a new font that the caller
// deletes. Height and width both follow the scale.
HFONT system_font_for_dpi(int dpi);
// The stock font's LOGFONT with its height and width scaled from `from_dpi` to `to_dpi`.
LOGFONTW scaled_font(const LOGFONTW& font, int to_dpi, int from_dpi);
