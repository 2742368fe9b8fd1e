// The twelve controls of the editor's window, their layout, the window's final size, and moving
// values between the controls and EditorSettings.
#pragma once

#include <windows.h>

#include "patcher.h"

// The outer width and height the window is made with, before its final size.
constexpr int created_window_size = 300;

// Creates the controls one under the other, laid out and in a font for the window's DPI;
// returns the write button's top.
int create_controls(HINSTANCE instance);
// Gives the window a client area 300 wide that ends 5 pixels below the write button (design
// values, scaled to the window's DPI).
void set_final_size(int button_top);
// Gives a control the height of one line of its font plus its edges, keeping its position and
// width.
void fit_control_height(HWND control);
// WM_DPICHANGED: the controls get the font and the layout of the new DPI, the window the
// rectangle Windows suggests.
void apply_dpi(int dpi, const RECT& suggested);
// The controls' font, made where the stock font does not fit the window's DPI; after the
// message loop.
void release_control_font();

void fill_controls(const EditorSettings& values);
// Takes the four numbers into `values`. Returns null when all were accepted, otherwise the
// first refused box, with its field's name in `refused_field`.
HWND take_numbers(EditorSettings& values, const wchar_t** refused_field);
std::uint8_t take_always_on_top();
void take_font_units(wchar_t (&units)[font_field_units]);
