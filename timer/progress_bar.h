// The bar under the time text, drawn into the back buffer from `progress`.
#pragma once

#include <windows.h>

#include "progress_plan.h"

// paint 0: draw into the back buffer only; 1: also repaint the changed part at once.
void draw_progress_bar(int paint);

// Whether the back buffer shows the bar as it would be drawn now.
bool progress_bar_drawn_as_planned();
// The back buffer was made again or the colours changed: the bar is drawn again when next asked.
void forget_drawn_bar();

// After a change of the visual style: the theme data is opened again when next needed.
void forget_progress_theme();
