// The fair floor for the timer's benchmarks: only what any program of the timer's design must
// do. The same window class styles and client size, eleven push buttons with the Common
// Controls 6 look at the keys' places with plain text captions, and, with the argument "run",
// a 1 ms window timer that reads the tick count and does nothing else. What the timer costs
// beyond this is its own work: faces, fitted font, icon, drawing.
#include <windows.h>

#include "key_ids.h"

namespace {

volatile DWORD last_tick;

LRESULT CALLBACK proc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
    switch (m) {
    case WM_TIMER:
        last_tick = GetTickCount();
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcW(w, m, wp, lp);
    }
}

// The keys at their places in the design's 334 x 182 client area.
void create_keys(HWND window, HINSTANCE instance) {
    for (int digit = 0; digit < 10; ++digit) {
        const wchar_t text[2] = {static_cast<wchar_t>(L'0' + digit), L'\0'};
        CreateWindowExW(WS_EX_NOPARENTNOTIFY, L"BUTTON", text, WS_CHILD | WS_VISIBLE,
                        10 + digit % 5 * 46, 115 + digit / 5 * 30, 42, 27, window,
                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(digit_button_id(digit))),
                        instance, nullptr);
    }
    CreateWindowExW(WS_EX_NOPARENTNOTIFY, L"BUTTON", L"START", WS_CHILD | WS_VISIBLE, 240, 115, 84,
                    57, window, reinterpret_cast<HMENU>(static_cast<INT_PTR>(start_button_id)),
                    instance, nullptr);
}

} // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR arguments, int show) {
    WNDCLASSW wc{};
    wc.style = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS;
    wc.lpfnWndProc = proc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = L"FairFloorWnd";
    RegisterClassW(&wc);
    const DWORD style = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN | WS_CLIPSIBLINGS;
    const DWORD ex_style = WS_EX_CONTROLPARENT | WS_EX_WINDOWEDGE;
    RECT r{0, 0, 334, 182};
    AdjustWindowRectEx(&r, style, FALSE, ex_style);
    HWND w =
        CreateWindowExW(ex_style, L"FairFloorWnd", L"00.00", style, CW_USEDEFAULT, CW_USEDEFAULT,
                        r.right - r.left, r.bottom - r.top, nullptr, nullptr, instance, nullptr);
    create_keys(w, instance);
    ShowWindow(w, show);
    UpdateWindow(w);
    if (lstrcmpW(arguments, L"run") == 0)
        SetTimer(w, TIMER_ID, 1, nullptr);
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return 0;
}
