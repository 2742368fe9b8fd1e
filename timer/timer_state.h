// Process-wide state of the timer, shared by the window procedures, the engine and the
// drawing code. Everything here belongs to the window thread unless a comment says otherwise.
#pragma once

#include <windows.h>

#include "caption_button.h"
#include "contrast.h"
#include "settings_block.h"

// Window and drawing.
extern HWND main_window;
extern OSVERSIONINFOW os_version;
extern HDC back_buffer;
extern HBITMAP back_buffer_bitmap;
extern int client_width;
extern int client_height;
extern RECT progress_rect;
extern bool themes_available;
extern bool dark_mode; // Windows' app colour mode is dark, kept while high contrast hides it
// The look drawn in: with high contrast on, the system's colours without the theme's bar; else
// the dark look where the mode is dark.
extern Palette palette;
// The DPI the window was made for or last moved to (WM_DPICHANGED); the key faces follow it.
extern int main_window_dpi;

// Keys.
extern CaptionButton digit_buttons[10];
extern CaptionButton start_button;
extern WNDPROC button_class_proc;

// Settings, loaded once at start-up and only read afterwards.
using TimerSettings = settings_block::SettingsFields;
extern TimerSettings timer_settings;

// Engine.
constexpr int time_text_capacity = 16;
extern int set_minutes;
extern int set_seconds;
extern DWORD start_tick;
extern DWORD pause_tick;
extern bool running;
extern HANDLE alarm_thread;
extern volatile LONG alarm_stop; // written by the window thread, polled by the alarm thread
extern double progress;
extern wchar_t time_text[time_text_capacity];

// Display.
extern int display_font_height;
extern POINT text_origin;
