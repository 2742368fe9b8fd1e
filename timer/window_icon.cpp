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

IconDigits icon_digits(int minutes, int seconds) {
    const int m = minutes > 0 ? minutes % 100 : 0;
    const int s = seconds > 0 ? seconds % 100 : 0;
    return IconDigits{{m / 10, m % 10, s / 10, s % 10}};
}

namespace {

// Copies the glyphs into the colour bitmap, which no device context holds afterwards (an icon
// can only be made from unselected bitmaps).
void draw_digits(const IconDigits& digits) {
    HDC window_dc = GetDC(window_icon.window);
    HDC picture = CreateCompatibleDC(window_dc);
    HDC strip = CreateCompatibleDC(window_dc);
    ReleaseDC(window_icon.window, window_dc);
    if (picture != nullptr && strip != nullptr) {
        HGDIOBJ old_picture = SelectObject(picture, window_icon.colour_bitmap);
        HGDIOBJ old_strip = SelectObject(strip, window_icon.digit_strip);
        for (int cell = 0; cell < 4; ++cell)
            BitBlt(picture, icon_cell_x[cell], icon_cell_y, glyph_width, glyph_height, strip,
                   glyph_width * digits.digit[cell], 0, SRCCOPY);
        SelectObject(strip, old_strip);
        SelectObject(picture, old_picture);
    }
    if (strip != nullptr)
        DeleteDC(strip);
    if (picture != nullptr)
        DeleteDC(picture);
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
