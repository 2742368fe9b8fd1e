#include "window_icon.h"

WindowIcon window_icon;

WindowIcon::~WindowIcon() {
    if (icon != nullptr)
        DestroyIcon(icon);
    if (colour_bitmap != nullptr)
        DeleteObject(colour_bitmap);
    if (mask_bitmap != nullptr)
        DeleteObject(mask_bitmap);
    if (digit_strip != nullptr)
        DeleteObject(digit_strip);
}

void update_window_icon(int, int) {}
