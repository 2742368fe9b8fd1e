#include "editor_state.h"

wchar_t timer_path[timer_path_capacity];
EditorSettings editor_settings;

HWND editor_window;
HWND alarm_time_label;
HWND alarm_time_box;
HWND frequency_label;
HWND frequency_box;
HWND duration_label;
HWND duration_box;
HWND interval_label;
HWND interval_box;
HWND always_on_top_box;
HWND font_name_label;
HWND font_name_box;
HWND write_button;
