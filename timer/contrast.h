// The colours the timer draws in, as the user chose them: its own light look, its dark look
// when Windows' app colour mode is dark, or with high contrast on the system's colours and no
// theme's bar, whatever the mode.
#pragma once

#include <windows.h>

enum class Palette { light, dark, high_contrast };

// Whether high contrast is on now.
bool high_contrast_on();
// Whether Windows' app colour mode is dark now (AppsUseLightTheme of the current user).
bool apps_use_dark_mode();

// The mode from reading the value: dark only when it was read as the DWORD 0; absent, unreadable
// or any other value is light.
bool dark_mode_value(LONG status, DWORD type, DWORD size, DWORD value);
// Whether a WM_SETTINGCHANGE names the switch of the app colour mode ("ImmersiveColorSet").
bool names_colour_mode(const wchar_t* setting);
// High contrast wins over the dark mode.
Palette palette_for(bool high_contrast, bool dark_mode);

// The dark look. Every key caption keeps a contrast of at least 4.5 to 1 against its key in
// every state; the bar's chunk and the frames stand out from what they lie on.
namespace dark_colours {
constexpr COLORREF background = RGB(32, 32, 32);
constexpr COLORREF time_text = RGB(240, 240, 240);
constexpr COLORREF frame = RGB(118, 118, 118); // of the bar and of each key
constexpr COLORREF bar_empty = RGB(24, 24, 24);
constexpr COLORREF bar_chunk = RGB(76, 160, 224);
constexpr COLORREF key = RGB(51, 51, 51);
constexpr COLORREF key_hot = RGB(66, 66, 66);
constexpr COLORREF key_pressed = RGB(38, 38, 38);
constexpr COLORREF focus = RGB(230, 230, 230);
} // namespace dark_colours

// The face of a key in the state custom draw reports (CDIS_SELECTED, CDIS_HOT).
COLORREF dark_key_colour(UINT item_state);

// The colour of a face whose own colour is red, 0, blue: in the dark look a light tone of the
// same role (blue digits and START, red STOP), in high contrast the system's button text colour
// (START and STOP then differ by their text alone).
COLORREF face_colour(Palette palette, BYTE red, BYTE blue, COLORREF button_text);

// The stock DC brush of `dc` in `colour`: nothing to make or release.
HBRUSH colour_brush(HDC dc, COLORREF colour);

// Asks the window manager for a dark title bar, or the light one again. Where dwmapi.dll or the
// attribute is missing, the title bar stays as it is.
void ask_dark_title_bar(HWND window, bool dark);
