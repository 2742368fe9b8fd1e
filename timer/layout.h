// Proportional layout of the main window: design units of a 334 x 182 client area scaled to
// the current client size. Pure arithmetic, so it can be checked without a window.
#pragma once

#include <windows.h>

#include "design_size.h"

struct WindowLayout {
    RECT digit_keys[10]; // index = digit; 0-4 on the upper row, 5-9 on the lower
    RECT start_key;
    RECT progress;
};

WindowLayout compute_layout(int width, int height);

// WM_SIZE: rebuilds the back buffer for the new client size and places the keys.
void layout_window(HWND window);
