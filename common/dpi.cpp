#include "dpi.h"

namespace {

using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
using GetDpiForSystemFn = UINT(WINAPI*)();
using AdjustWindowRectExForDpiFn = BOOL(WINAPI*)(LPRECT, DWORD, BOOL, DWORD, UINT);
using GetSystemMetricsForDpiFn = int(WINAPI*)(int, UINT);

// user32's DPI functions, or null where the system predates them. Looked up once, on the
// window thread.
struct DpiFunctions {
    GetDpiForWindowFn dpi_for_window = nullptr;
    GetDpiForSystemFn dpi_for_system = nullptr;
    AdjustWindowRectExForDpiFn adjust_for_dpi = nullptr;
    GetSystemMetricsForDpiFn metrics_for_dpi = nullptr;
};

template <typename Fn> Fn find(HMODULE user32, const char* name) {
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(user32, name)));
}

const DpiFunctions& functions() {
    static bool looked_up = false;
    static DpiFunctions found;
    if (!looked_up) {
        looked_up = true;
        if (HMODULE user32 = GetModuleHandleW(L"user32.dll")) {
            found.dpi_for_window = find<GetDpiForWindowFn>(user32, "GetDpiForWindow");
            found.dpi_for_system = find<GetDpiForSystemFn>(user32, "GetDpiForSystem");
            found.adjust_for_dpi =
                find<AdjustWindowRectExForDpiFn>(user32, "AdjustWindowRectExForDpi");
            found.metrics_for_dpi =
                find<GetSystemMetricsForDpiFn>(user32, "GetSystemMetricsForDpi");
        }
    }
    return found;
}

int screen_dpi() {
    HDC screen = GetDC(nullptr);
    const int dpi = screen != nullptr ? GetDeviceCaps(screen, LOGPIXELSY) : 0;
    if (screen != nullptr)
        ReleaseDC(nullptr, screen);
    return dpi > 0 ? dpi : base_dpi;
}

} // namespace

int scale_between(int value, int to_dpi, int from_dpi) {
    if (from_dpi <= 0)
        return value;
    const long long product = static_cast<long long>(value) * to_dpi;
    const long long half = from_dpi / 2;
    return static_cast<int>(product >= 0 ? (product + half) / from_dpi
                                         : -((-product + half) / from_dpi));
}

int dpi_of_window(HWND window) {
    if (const GetDpiForWindowFn get = functions().dpi_for_window)
        if (const UINT dpi = get(window))
            return static_cast<int>(dpi);
    return system_dpi();
}

int system_dpi() {
    static int dpi = 0;
    if (dpi == 0) {
        const GetDpiForSystemFn get = functions().dpi_for_system;
        dpi = get != nullptr ? static_cast<int>(get()) : screen_dpi();
        if (dpi <= 0)
            dpi = base_dpi;
    }
    return dpi;
}

void adjust_window_rect_for_dpi(RECT& rect, DWORD style, DWORD ex_style, int dpi) {
    if (const AdjustWindowRectExForDpiFn adjust = functions().adjust_for_dpi)
        if (adjust(&rect, style, FALSE, ex_style, static_cast<UINT>(dpi)))
            return;
    AdjustWindowRectEx(&rect, style, FALSE, ex_style);
}

int system_metric_for_dpi(int index, int dpi) {
    if (dpi != system_dpi())
        if (const GetSystemMetricsForDpiFn get = functions().metrics_for_dpi)
            return get(index, static_cast<UINT>(dpi));
    return GetSystemMetrics(index);
}

LOGFONTW scaled_font(const LOGFONTW& font, int to_dpi, int from_dpi) {
    LOGFONTW scaled = font;
    scaled.lfHeight = scale_between(font.lfHeight, to_dpi, from_dpi);
    scaled.lfWidth = scale_between(font.lfWidth, to_dpi, from_dpi);
    return scaled;
}

HFONT system_font_for_dpi(int dpi) {
    const int system = system_dpi();
    if (dpi == system)
        return nullptr;
    LOGFONTW stock{};
    if (GetObjectW(GetStockObject(SYSTEM_FONT), sizeof stock, &stock) == 0)
        return nullptr;
    const LOGFONTW font = scaled_font(stock, dpi, system);
    return CreateFontIndirectW(&font);
}
