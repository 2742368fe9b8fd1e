// The large time text: font fitted to the window, drawn with the progress bar into the back
// buffer, and the back buffer copied to the screen.
#pragma once

#include <windows.h>

HFONT create_display_font(const wchar_t* face_name);
void fit_display_font();
void draw_display(HWND window);
void paint_window(HWND window);
