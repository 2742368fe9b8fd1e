#include "layout.h"

#include <cmath>

#include "display.h"
#include "timer_state.h"

namespace {

int round_half_up(double v) {
    return static_cast<int>(std::floor(v + 0.5));
}

RECT rect_of(double x, double y, double width, double height) {
    int left = round_half_up(x), top = round_half_up(y);
    return RECT{left, top, left + round_half_up(width), top + round_half_up(height)};
}

void place(const CaptionButton& button, const RECT& r) {
    if (button.handle() != nullptr)
        SetWindowPos(button.handle(), nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top,
                     SWP_NOOWNERZORDER);
}

} // namespace

WindowLayout compute_layout(int width, int height) {
    auto sx = [&](double c) { return c * width / design_width; };
    auto sy = [&](double c) { return c * height / design_height; };
    const double m = sx(10), kw = sx(42), gx = sx(4);
    const double dh = sy(100), bh = sy(10), gb = sy(5), kh = sy(27), gy = sy(3);

    WindowLayout layout{};
    for (int i = 0; i < 10; ++i) {
        int column = i % 5, row = i / 5;
        layout.digit_keys[i] =
            rect_of(column * (kw + gx) + m, row * (kh + gy) + dh + bh + gb, kw, kh);
    }
    layout.start_key = rect_of(5 * (kw + gx) + m, dh + bh + gb, 2 * kw, 2 * kh + gy);
    layout.progress =
        RECT{round_half_up(m), round_half_up(dh), round_half_up(width - m), round_half_up(dh + bh)};
    return layout;
}

void layout_window(HWND window) {
    RECT client;
    GetClientRect(window, &client);
    client_width = client.right - client.left;
    client_height = client.bottom - client.top;
    replace_back_buffer(window, client_width, client_height);

    const WindowLayout layout = compute_layout(client_width, client_height);
    for (int i = 0; i < 10; ++i)
        place(digit_buttons[i], layout.digit_keys[i]);
    place(start_button, layout.start_key);
    progress_rect = layout.progress;
}
