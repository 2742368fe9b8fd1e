// Process-wide state of the settings editor. The editor has one thread; everything here
// belongs to it.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>

#include "patcher.h"

// The timer's executable as the file functions receive it; set once by find_timer.
constexpr std::size_t timer_path_capacity = 1024;
extern wchar_t timer_path[timer_path_capacity];

// The values read at start-up; at write time the numbers and the flag come from the controls.
extern EditorSettings editor_settings;

// The window and its twelve controls, in creation order.
extern HWND editor_window;
extern HWND alarm_time_label;
extern HWND alarm_time_box;
extern HWND frequency_label;
extern HWND frequency_box;
extern HWND duration_label;
extern HWND duration_box;
extern HWND interval_label;
extern HWND interval_box;
extern HWND always_on_top_box;
extern HWND font_name_label;
extern HWND font_name_box;
extern HWND write_button;

constexpr int write_button_id = 403;
