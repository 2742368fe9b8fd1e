#include "display.h"

#include "timer_state.h"

HFONT create_display_font(const wchar_t* face_name) {
    return CreateFontW(display_font_height, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET,
                       OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                       DEFAULT_PITCH | FF_DONTCARE, face_name);
}

void fit_display_font() {}

void draw_display(HWND window) {
    RECT client;
    GetClientRect(window, &client);
    FillRect(back_buffer, &client, GetSysColorBrush(COLOR_BTNFACE));
    InvalidateRect(window, nullptr, FALSE);
    SendMessageW(window, WM_PAINT, 0, 0);
}

void paint_window(HWND window) {
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    BitBlt(dc, 0, 0, client_width, client_height, back_buffer, 0, 0, SRCCOPY);
    EndPaint(window, &paint);
}
