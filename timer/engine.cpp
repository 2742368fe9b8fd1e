#include "engine.h"

#include "timer_state.h"

void key_down(WPARAM) {}
void enter_digit(int) {}
void wheel_turn(int) {}
void step_seconds(int) {}
void step_minutes(int) {}
void reset_display() {}
void start_stop() {}
void timer_tick(HWND) {}
void show_paused() {}
