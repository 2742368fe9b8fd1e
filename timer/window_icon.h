// The live window icon: a small window picture showing the four digits of the time.
// It stays a 32 x 32 picture at every display scale: the shell scales the big icon as it
// shows it, and the digit glyphs are pixel art drawn for that size.
#pragma once

#include <windows.h>

struct WindowIcon {
    HWND window = nullptr; // null until start-up has filled the object: updates do nothing
    HICON icon = nullptr;  // the window's big icon since the last update
    HBITMAP colour_bitmap = nullptr; // bitmap 110, redrawn in place by every update
    HBITMAP mask_bitmap = nullptr;   // bitmap 111
    HBITMAP digit_strip = nullptr;   // bitmap 112
    // Memory device contexts for the copying, made at the first update and kept: between
    // updates they hold no bitmap.
    HDC picture_dc = nullptr;
    HDC strip_dc = nullptr;

    WindowIcon() = default;
    WindowIcon(const WindowIcon&) = delete;
    WindowIcon& operator=(const WindowIcon&) = delete;
    ~WindowIcon();
};

extern WindowIcon window_icon;

// Shows minutes.seconds in the window's big icon; only the last two digits of each appear.
void update_window_icon(int minutes, int seconds);

// Geometry of the artwork: glyph k of the strip lies in columns 6k to 6k + 5; the picture's
// four cells, left to right, show MM and SS (its point between them is part of the picture).
constexpr int glyph_width = 6;
constexpr int glyph_height = 19;
constexpr int icon_cell_x[4] = {2, 9, 17, 24};
constexpr int icon_cell_y = 8;

struct IconDigits {
    int digit[4]; // one per cell, 0 to 9
};
// Negative values (never passed) show as 0.
IconDigits icon_digits(int minutes, int seconds);
