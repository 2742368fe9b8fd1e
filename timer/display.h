// The large time text and the back buffer: the buffer made for the client size, the font fitted
// to the window, the text drawn with the progress bar into the buffer, and the buffer copied to
// the screen.
#pragma once

#include <windows.h>

HFONT create_display_font(const wchar_t* face_name);
void fit_display_font();
void draw_display(HWND window);
void paint_window(HWND window);

// The back buffer (back_buffer, back_buffer_bitmap): made at start-up and again on every
// WM_SIZE, freed after the message loop. Replaces it with one of width x height pixels
// compatible with the window.
void replace_back_buffer(HWND window, int width, int height);
void release_back_buffer();

// The fit's arithmetic, on a client area of the given width or height. The text band is the
// top of the client area above the progress bar; its height is also the font height tried first.
int text_band_height(int height);
// The one correction for a text measured wider than the client area: the measured height
// scaled by the client width / measured width.
bool text_too_wide(SIZE measured, int width);
int shrunk_font_height(SIZE measured, int width);
// Centred horizontally in the client area and vertically in the band.
POINT centred_text_origin(SIZE measured, int width, int band_height);
