// The large time text: font fitted to the window, drawn with the progress bar into the back
// buffer, and the back buffer copied to the screen.
#pragma once

#include <windows.h>

HFONT create_display_font(const wchar_t* face_name);
void fit_display_font();
void draw_display(HWND window);
void paint_window(HWND window);

// The fit's arithmetic. The text band is the top of the client area above the progress bar;
// its height is also the font height tried first.
int text_band_height(int client_height);
// The one correction for a text measured wider than the client area: the measured height
// scaled by client width / measured width.
bool text_too_wide(SIZE measured, int client_width);
int shrunk_font_height(SIZE measured, int client_width);
// Centred horizontally in the client area and vertically in the band.
POINT centred_text_origin(SIZE measured, int client_width, int band_height);
