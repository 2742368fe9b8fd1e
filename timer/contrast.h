// High contrast: when the user has it on, the timer draws in the system's colours instead of its
// own blue and red, and without the theme's bar.
#pragma once

#include <windows.h>

// Whether high contrast is on now.
bool high_contrast_on();

// The colour of a face whose own colour is red, 0, blue: in high contrast the system's button
// text colour (START and STOP then differ by their text alone).
COLORREF face_colour(bool high_contrast, BYTE red, BYTE blue, COLORREF button_text);
