#include "contrast.h"

#include <commctrl.h>

#include <cwchar>

#include "system_library.h"

bool high_contrast_on() {
    HIGHCONTRASTW contrast{};
    contrast.cbSize = sizeof contrast;
    return SystemParametersInfoW(SPI_GETHIGHCONTRAST, sizeof contrast, &contrast, 0) != FALSE &&
           (contrast.dwFlags & HCF_HIGHCONTRASTON) != 0;
}

bool apps_use_dark_mode() {
    HKEY key = nullptr;
    DWORD type = REG_NONE, value = 1, size = sizeof value;
    LONG status = RegOpenKeyExW(
        HKEY_CURRENT_USER, L"Software\\Microsoft\\Windows\\CurrentVersion\\Themes\\Personalize", 0,
        KEY_QUERY_VALUE, &key);
    if (status == ERROR_SUCCESS) {
        status = RegQueryValueExW(key, L"AppsUseLightTheme", nullptr, &type,
                                  reinterpret_cast<BYTE*>(&value), &size);
        RegCloseKey(key);
    }
    return dark_mode_value(status, type, size, value);
}

bool dark_mode_value(LONG status, DWORD type, DWORD size, DWORD value) {
    return status == ERROR_SUCCESS && type == REG_DWORD && size == sizeof(DWORD) && value == 0;
}

bool names_colour_mode(const wchar_t* setting) {
    return setting != nullptr && std::wcscmp(setting, L"ImmersiveColorSet") == 0;
}

Palette palette_for(bool high_contrast, bool dark_mode) {
    return high_contrast ? Palette::high_contrast : dark_mode ? Palette::dark : Palette::light;
}

COLORREF dark_key_colour(UINT item_state) {
    if ((item_state & CDIS_SELECTED) != 0)
        return dark_colours::key_pressed;
    return (item_state & CDIS_HOT) != 0 ? dark_colours::key_hot : dark_colours::key;
}

COLORREF face_colour(Palette palette, BYTE red, BYTE blue, COLORREF button_text) {
    switch (palette) {
    case Palette::high_contrast:
        return button_text;
    case Palette::dark:
        // Each channel 70 % of the way to white: blue (0, 0, 255) gives (178, 178, 255).
        return RGB(red + (255 - red) * 7 / 10, 178, blue + (255 - blue) * 7 / 10);
    default:
        return RGB(red, 0, blue);
    }
}

HBRUSH colour_brush(HDC dc, COLORREF colour) {
    SetDCBrushColor(dc, colour);
    return static_cast<HBRUSH>(GetStockObject(DC_BRUSH));
}

void ask_dark_title_bar(HWND window, bool dark) {
    // Bound on the window thread the first time a dark title bar is asked for; dwmapi.dll is
    // then held until exit. A timer in the light mode never loads it.
    using DwmSetWindowAttributeFn = HRESULT(WINAPI*)(HWND, DWORD, LPCVOID, DWORD);
    static bool tried;
    static DwmSetWindowAttributeFn set_attribute;
    if (!tried) {
        tried = true;
        set_attribute = system_function<DwmSetWindowAttributeFn>(load_system_library(L"dwmapi.dll"),
                                                                 "DwmSetWindowAttribute");
    }
    if (set_attribute == nullptr)
        return;
    // The attribute is 20 from Windows 10 build 18985 on; the builds before that which have a
    // dark title bar call it 19 and refuse 20. The reported version is no guide: without a
    // manifest entry for Windows 10 the system reports 6.2.
    const BOOL value = dark ? TRUE : FALSE;
    if (FAILED(set_attribute(window, 20, &value, sizeof value)))
        set_attribute(window, 19, &value, sizeof value);
    // The frame is drawn again in the new colours.
    RedrawWindow(window, nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE);
}
