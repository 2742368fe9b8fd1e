// The timer engine: set time, countdown state and the handlers that turn input and ticks
// into changes of what is shown. Runs on the window thread only, and reaches the window
// through main_window alone.
#pragma once

#include <windows.h>

void key_down(WPARAM virtual_key);
void enter_digit(int digit);
// The idle set time replaced as a whole, as keying in its four digits would.
void enter_time(int minutes, int seconds);
void wheel_turn(int delta);
void step_seconds(int step);
void step_minutes(int step);
void reset_display();
void start_stop();
void timer_tick();
void show_paused();

// WM_ALARM_FINISHED: the alarm has ended, the window shows the set time again, an empty bar
// and "START". A late message, with no alarm thread left, does nothing.
void finish_alarm();

// Shows the time in the window icon, the title and the display, unconditionally. The font is
// refitted when the text's length changes (after a count-up past 99 minutes).
void show_time(int minutes, int seconds);
