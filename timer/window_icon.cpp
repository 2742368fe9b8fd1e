#include "window_icon.h"

WindowIcon window_icon;

WindowIcon::~WindowIcon() {
    if (picture_dc != nullptr)
        DeleteDC(picture_dc);
    if (strip_dc != nullptr)
        DeleteDC(strip_dc);
    if (icon != nullptr)
        DestroyIcon(icon);
    if (colour_bitmap != nullptr)
        DeleteObject(colour_bitmap);
    if (mask_bitmap != nullptr)
        DeleteObject(mask_bitmap);
    if (digit_strip != nullptr)
        DeleteObject(digit_strip);
}

IconDigits icon_digits(int minutes, int seconds) {
    const int m = minutes > 0 ? minutes % 100 : 0;
    const int s = seconds > 0 ? seconds % 100 : 0;
    return IconDigits{{m / 10, m % 10, s / 10, s % 10}};
}

namespace {

// Copies the glyphs into the colour bitmap, which no device context holds afterwards (an icon
// can only be made from unselected bitmaps). The device contexts are the screen's kind, as the
// window's are; made once, since making them and reaching the window's each second cost more
// than the copying.
void draw_digits(const IconDigits& digits) {
    if (window_icon.picture_dc == nullptr)
        window_icon.picture_dc = CreateCompatibleDC(nullptr);
    if (window_icon.strip_dc == nullptr)
        window_icon.strip_dc = CreateCompatibleDC(nullptr);
    HDC picture = window_icon.picture_dc;
    HDC strip = window_icon.strip_dc;
    if (picture == nullptr || strip == nullptr)
        return;
    HGDIOBJ old_picture = SelectObject(picture, window_icon.colour_bitmap);
    HGDIOBJ old_strip = SelectObject(strip, window_icon.digit_strip);
    for (int cell = 0; cell < 4; ++cell)
        BitBlt(picture, icon_cell_x[cell], icon_cell_y, glyph_width, glyph_height, strip,
               glyph_width * digits.digit[cell], 0, SRCCOPY);
    SelectObject(strip, old_strip);
    SelectObject(picture, old_picture);
}

} // namespace

void update_window_icon(int minutes, int seconds) {
    if (window_icon.window == nullptr || window_icon.colour_bitmap == nullptr ||
        window_icon.mask_bitmap == nullptr || window_icon.digit_strip == nullptr)
        return;
    draw_digits(icon_digits(minutes, seconds));

    ICONINFO info{};
    info.fIcon = TRUE;
    info.hbmMask = window_icon.mask_bitmap;
    info.hbmColor = window_icon.colour_bitmap;
    HICON icon = CreateIconIndirect(&info); // copies both bitmaps
    if (icon == nullptr)
        return; // the window keeps the icon it shows
    // The window lets go of the previous icon before it is destroyed.
    SendMessageW(window_icon.window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
    if (window_icon.icon != nullptr)
        DestroyIcon(window_icon.icon);
    window_icon.icon = icon;
}
