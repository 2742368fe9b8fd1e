// The live window icon: a small window picture showing the four digits of the time.
#pragma once

#include <windows.h>

struct WindowIcon {
    HWND window = nullptr;
    HINSTANCE instance = nullptr;
    HICON icon = nullptr;
    HBITMAP colour_bitmap = nullptr; // bitmap 110, redrawn in place by every update
    HBITMAP mask_bitmap = nullptr;   // bitmap 111
    HBITMAP digit_strip = nullptr;   // bitmap 112

    WindowIcon() = default;
    WindowIcon(const WindowIcon&) = delete;
    WindowIcon& operator=(const WindowIcon&) = delete;
    ~WindowIcon();
};

extern WindowIcon window_icon;

void update_window_icon(int minutes, int seconds);
