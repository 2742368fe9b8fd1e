// Definitions of the process-wide state declared in timer_state.h.
#include "timer_state.h"

HWND main_window;
OSVERSIONINFOW os_version;
HDC back_buffer;
HBITMAP back_buffer_bitmap;
int client_width;
int client_height;
RECT progress_rect;
bool themes_available;
bool dark_mode;
Palette palette;
int main_window_dpi = 96;
CaptionButton digit_buttons[10];
CaptionButton start_button;
WNDPROC button_class_proc;
TimerSettings timer_settings;
int set_minutes;
int set_seconds;
DWORD start_tick;
DWORD pause_tick;
bool running;
HANDLE alarm_thread;
volatile LONG alarm_stop;
double progress;
wchar_t time_text[time_text_capacity] = L"00.00";
int display_font_height;
POINT text_origin;
