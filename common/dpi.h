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

// The text of the keys and of the editor's controls is designed in the stock system font as
// it is at 96 DPI: 16 pixels high, 7 wide on average, bold.
constexpr int design_font_height = 16;
constexpr int design_font_width = 7;

// Whether a window at `window_dpi` shows that design in the stock font itself. Only on a
// system at 96 DPI: elsewhere the stock font is made for the system DPI, and not always in both
// directions (one system at 192 DPI gives it twice the height and the same width, another keeps
// a raster font of 96-DPI size).
bool stock_font_fits(int window_dpi, int system_dpi);
// The design at `dpi` in `face`: height and width both scaled from 96 DPI, bold, and drawn
// from outlines only, so that it stays crisp at any size.
LOGFONTW design_font(int dpi, const wchar_t* face);
// The first of the `count` `faces` that `installed` accepts; `fallback` when none is.
const wchar_t* first_installed(const wchar_t* const* faces, int count,
                               bool (*installed)(const wchar_t*), const wchar_t* fallback);
// The design's font for a window at `dpi`: null where the stock font fits, otherwise a new
// font that the caller deletes. For the window thread alone.
HFONT design_font_for_dpi(int dpi);
