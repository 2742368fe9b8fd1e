#include "theme.h"

#include "system_library.h"

namespace {

// Held while themes are usable: one reference however often the styles are probed again.
HMODULE uxtheme;

using OpenThemeDataFn = HTHEME(WINAPI*)(HWND, LPCWSTR);
using CloseThemeDataFn = HRESULT(WINAPI*)(HTHEME);
using DrawThemeParentBackgroundFn = HRESULT(WINAPI*)(HWND, HDC, const RECT*);
using DrawThemeBackgroundFn = HRESULT(WINAPI*)(HTHEME, HDC, int, int, const RECT*, const RECT*);

OpenThemeDataFn open_theme_data;
CloseThemeDataFn close_theme_data;
DrawThemeParentBackgroundFn draw_parent_background;
DrawThemeBackgroundFn draw_background;

} // namespace

bool probe_visual_styles() {
    if (uxtheme == nullptr)
        uxtheme = load_system_library(L"uxtheme.dll");
    HMODULE module = uxtheme;
    if (module == nullptr)
        return false;
    open_theme_data = system_function<OpenThemeDataFn>(module, "OpenThemeData");
    close_theme_data = system_function<CloseThemeDataFn>(module, "CloseThemeData");
    draw_parent_background =
        system_function<DrawThemeParentBackgroundFn>(module, "DrawThemeParentBackground");
    draw_background = system_function<DrawThemeBackgroundFn>(module, "DrawThemeBackground");
    bool usable = open_theme_data && close_theme_data && draw_parent_background && draw_background;
    if (usable) {
        HTHEME theme = open_theme_data(nullptr, L"progress");
        usable = theme != nullptr;
        if (theme != nullptr)
            close_theme_data(theme);
    }
    if (!usable) {
        FreeLibrary(module);
        uxtheme = nullptr;
    }
    return usable;
}

HTHEME open_progress_theme() {
    return open_theme_data(nullptr, L"progress");
}

void close_theme(HTHEME theme) {
    if (theme != nullptr)
        close_theme_data(theme);
}

void draw_theme_parent_background(HWND window, HDC dc, const RECT* rect) {
    draw_parent_background(window, dc, rect);
}

void draw_theme_background(HTHEME theme, HDC dc, int part, int state, const RECT* rect) {
    draw_background(theme, dc, part, state, rect, nullptr);
}
