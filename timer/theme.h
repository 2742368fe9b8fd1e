// Visual styles for the progress bar, bound at run time: the timer must start on a system
// that has no uxtheme.dll, so nothing links against it.
#pragma once

#include <windows.h>
#include <uxtheme.h>

// Loads uxtheme.dll from the system folder and asks for the "progress" theme; true when both
// are there. The library stays loaded, once however often this is called, while themes are in
// use, so the bound functions remain valid.
bool probe_visual_styles();

// Only valid after probe_visual_styles() returned true.
HTHEME open_progress_theme();
void close_theme(HTHEME theme);
void draw_theme_parent_background(HWND window, HDC dc, const RECT* rect);
void draw_theme_background(HTHEME theme, HDC dc, int part, int state, const RECT* rect);
