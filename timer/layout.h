// Proportional layout of the main window: design units of a 334 x 182 client area scaled to
// the current client size. Pure arithmetic, so it can be checked without a window.
#pragma once

#include <windows.h>

constexpr int design_width = 334;
constexpr int design_height = 182;

struct WindowLayout {
    RECT digit_keys[10]; // index = digit; 0-4 on the upper row, 5-9 on the lower
    RECT start_key;
    RECT progress;
};

WindowLayout compute_layout(int client_width, int client_height);

// WM_SIZE: rebuilds the back buffer for the new client size and places the keys.
void layout_window(HWND window);

// Replaces the back buffer with one of width x height pixels compatible with the window.
void replace_back_buffer(HWND window, int width, int height);
void release_back_buffer();
