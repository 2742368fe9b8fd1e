#include "display.h"

#include <cwchar>

#include "design_size.h"
#include "owned_handle.h"
#include "progress_bar.h"
#include "timer_state.h"

namespace {

int text_length() {
    return static_cast<int>(wcslen(time_text));
}

HFONT make_display_font() {
    return create_display_font(timer_settings.font_name);
}

void delete_font(HFONT font) {
    DeleteObject(font);
}

// The font of the time at display_font_height: made when the text is fitted and kept until the
// next fit or the end of the program, so that a redraw only selects it.
OwnedHandle<HFONT, make_display_font, delete_font> display_font;

// Measures time_text in a font made at display_font_height, which becomes the display font.
SIZE measure_time_text() {
    SIZE size{0, 0};
    display_font.replace(make_display_font());
    HGDIOBJ previous = SelectObject(back_buffer, display_font.get());
    GetTextExtentPoint32W(back_buffer, time_text, text_length(), &size);
    SelectObject(back_buffer, previous);
    return size;
}

} // namespace

int text_band_height(int height) {
    return static_cast<int>(height * 100.0 / design_height + 0.5);
}

bool text_too_wide(SIZE measured, int width) {
    return measured.cx > width;
}

int shrunk_font_height(SIZE measured, int width) {
    return static_cast<int>(static_cast<double>(measured.cy) * width / measured.cx + 0.5);
}

POINT centred_text_origin(SIZE measured, int width, int band_height) {
    return POINT{(width - measured.cx) / 2, (band_height - measured.cy) / 2};
}

HFONT create_display_font(const wchar_t* face_name) {
    return CreateFontW(display_font_height, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET,
                       OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                       DEFAULT_PITCH | FF_DONTCARE, face_name);
}

void fit_display_font() {
    const int band = text_band_height(client_height);
    display_font_height = band;
    SIZE measured = measure_time_text();
    // Exactly one correction: the result may still be a little too wide, and is then cut
    // equally on both sides.
    if (text_too_wide(measured, client_width)) {
        display_font_height = shrunk_font_height(measured, client_width);
        measured = measure_time_text();
    }
    text_origin = centred_text_origin(measured, client_width, band);
}

void draw_display(HWND window) {
    RECT client;
    GetClientRect(window, &client);
    // Once a second only the time changes: a bar that the back buffer already shows as it
    // should be is left as it is, and the rest is drawn around it.
    const bool bar_as_drawn = progress_bar_drawn_as_planned();
    if (bar_as_drawn)
        ExcludeClipRect(back_buffer, progress_rect.left, progress_rect.top, progress_rect.right,
                        progress_rect.bottom);
    const bool dark = palette == Palette::dark;
    FillRect(back_buffer, &client,
             dark ? colour_brush(back_buffer, dark_colours::background)
                  : GetSysColorBrush(COLOR_BTNFACE));
    SetBkMode(back_buffer, TRANSPARENT);
    // The device context's own black, light on dark, or in high contrast the colour of text on
    // button faces.
    SetTextColor(back_buffer, palette == Palette::high_contrast ? GetSysColor(COLOR_BTNTEXT)
                              : dark                            ? dark_colours::time_text
                                                                : RGB(0, 0, 0));
    HGDIOBJ previous = SelectObject(back_buffer, display_font.get());
    TextOutW(back_buffer, text_origin.x, text_origin.y, time_text, text_length());
    SelectObject(back_buffer, previous);
    if (bar_as_drawn)
        SelectClipRgn(back_buffer, nullptr);
    draw_progress_bar(0); // draws nothing over a bar left as it was
    // Repainted now, not when the queue runs dry: a new time is on the screen by the time the
    // handler that changed it returns (BeginPaint paints what is invalid, hence the
    // invalidation first; no erasing, the back buffer covers everything).
    InvalidateRect(window, nullptr, FALSE);
    SendMessageW(window, WM_PAINT, 0, 0);
}

void release_back_buffer() {
    if (back_buffer != nullptr)
        DeleteDC(back_buffer);
    if (back_buffer_bitmap != nullptr)
        DeleteObject(back_buffer_bitmap);
    back_buffer = nullptr;
    back_buffer_bitmap = nullptr;
}

void replace_back_buffer(HWND window, int width, int height) {
    release_back_buffer();
    forget_drawn_bar();
    HDC window_dc = GetDC(window);
    back_buffer_bitmap = CreateCompatibleBitmap(window_dc, width, height);
    back_buffer = CreateCompatibleDC(window_dc);
    SelectObject(back_buffer, back_buffer_bitmap);
    ReleaseDC(window, window_dc);
}

void paint_window(HWND window) {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    BitBlt(dc, 0, 0, client_width, client_height, back_buffer, 0, 0, SRCCOPY);
    EndPaint(window, &paint);
}
