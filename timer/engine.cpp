#include "engine.h"

#include <cwchar>

#include "alarm.h"
#include "display.h"
#include "key_ids.h"
#include "progress_bar.h"
#include "taskbar.h"
#include "time_math.h"
#include "timer_state.h"
#include "window_icon.h"

namespace {

SetTime set_time() {
    return SetTime{set_minutes, set_seconds};
}

void store_set_time(SetTime t) {
    set_minutes = t.minutes;
    set_seconds = t.seconds;
}

// Replaces time_text; true when its length changed, so the font must be fitted again.
bool store_time_text(const TimeText& text) {
    const bool length_changed = wcslen(text.chars) != wcslen(time_text);
    wcscpy(time_text, text.chars);
    return length_changed;
}

// Shows the time only when its text differs from what is shown.
void refresh_time(int minutes, int seconds) {
    const TimeText text = format_time(minutes, seconds);
    if (wcscmp(text.chars, time_text) == 0)
        return;
    if (store_time_text(text))
        fit_display_font();
    update_window_icon(minutes, seconds);
    SetWindowTextW(main_window, time_text);
    draw_display(main_window);
}

// The time to show for `elapsed_ms` of the current run; a countdown also moves the bar to
// `share_ms`, which a tick measures separately (see timer_tick) and a paused run passes equal.
RunTime split_run(DWORD elapsed_ms, DWORD share_ms) {
    const RunTime shown = split_elapsed(set_time(), elapsed_ms);
    if (!shown.count_up) {
        progress = progress_share(share_ms, total_seconds(set_time()));
        draw_progress_bar(1);
    }
    return shown;
}

// 0 marks "no paused run", so a pause at tick 0 is recorded one millisecond later.
DWORD pause_moment() {
    const DWORD now = GetTickCount();
    return now != 0 ? now : 1;
}

// Painted before the handler returns rather than when the queue next runs dry: BeginPaint in
// WM_PAINT paints only the invalid region, so the area is invalidated (not erased, the back
// buffer covers it) and WM_PAINT sent straight to the window procedure.
void repaint_now() {
    InvalidateRect(main_window, nullptr, FALSE);
    SendMessageW(main_window, WM_PAINT, 0, 0);
}

// The set time again, an empty bar and "START"; the alarm thread's handle is closed on the way.
void show_idle_after_alarm() {
    progress = 0.0;
    show_time(set_minutes, set_seconds);
    reap_alarm_thread();
    start_button.set_caption(L"START", 0, 255);
}

void end_countdown() {
    show_time(0, 0);
    pause_tick = 0;
    KillTimer(main_window, TIMER_ID);
    running = false;
    // Without a thread there is no alarm to wait for.
    if (!start_alarm())
        show_idle_after_alarm();
    update_taskbar_button();
}

// Digit of a key: the main keyboard's digits, the keypad's digits, and the keypad's keys with
// Num Lock off (which the separate navigation keys share). -1 for any other key.
int digit_of_key(WPARAM key) {
    if (key >= '0' && key <= '9')
        return static_cast<int>(key - '0');
    if (key >= VK_NUMPAD0 && key <= VK_NUMPAD9)
        return static_cast<int>(key - VK_NUMPAD0);
    switch (key) {
    case VK_INSERT:
        return 0;
    case VK_END:
        return 1;
    case VK_DOWN:
        return 2;
    case VK_NEXT:
        return 3;
    case VK_LEFT:
        return 4;
    case VK_CLEAR:
        return 5;
    case VK_RIGHT:
        return 6;
    case VK_HOME:
        return 7;
    case VK_UP:
        return 8;
    case VK_PRIOR:
        return 9;
    default:
        return -1;
    }
}

// One wheel step: of the set time when idle (`idle_step`), or of a paused run's elapsed time by
// `unit_ms`, kept between zero and the set time.
void step_time(int step, SetTime (*idle_step)(SetTime, int), long long unit_ms) {
    if (pause_tick == 0) {
        store_set_time(idle_step(set_time(), step));
        show_time(set_minutes, set_seconds);
    } else {
        start_tick =
            step_paused_start(start_tick, pause_tick, step * unit_ms, total_seconds(set_time()));
        show_paused();
    }
}

} // namespace

void show_time(int minutes, int seconds) {
    update_window_icon(minutes, seconds);
    if (store_time_text(format_time(minutes, seconds)))
        fit_display_font();
    SetWindowTextW(main_window, time_text);
    draw_display(main_window);
}

void timer_tick() {
    // A late message after the run stopped must not end it a second time.
    if (!running)
        return;
    // Two readings on purpose, not one moment: this is how the timer measures a tick. The
    // whole seconds shown come from the first; the bar's share comes from a second reading
    // taken right after it, so the bar shows the latest time known when it is drawn. Near a
    // second's boundary the two can differ (the bar full while 00.01 still shows); one shared
    // reading would change what the bar shows there. A paused run has one moment for both.
    const DWORD elapsed = GetTickCount() - start_tick;
    const DWORD share = GetTickCount() - start_tick;
    const RunTime shown = split_run(elapsed, share);
    if (shown.count_up || shown.remaining > 0)
        refresh_time(shown.minutes, shown.seconds);
    else
        end_countdown();
}

void start_stop() {
    if (alarm_thread != nullptr) {
        request_alarm_stop();
    } else if (running) {
        pause_tick = pause_moment();
        KillTimer(main_window, TIMER_ID);
        start_button.set_caption(L"START", 0, 255);
        running = false;
    } else {
        if (pause_tick == 0)
            start_tick = GetTickCount();
        else
            start_tick += GetTickCount() - pause_tick;
        SetTimer(main_window, TIMER_ID, 1, nullptr);
        start_button.set_caption(L"STOP", 255, 0);
        running = true;
    }
    repaint_now();
    update_taskbar_button();
}

void enter_digit(int digit) {
    const SetTime t = shift_in_digit(set_time(), digit);
    enter_time(t.minutes, t.seconds);
}

void enter_time(int minutes, int seconds) {
    if (running)
        return;
    progress = 0;
    pause_tick = 0;
    store_set_time(SetTime{minutes, seconds});
    show_time(set_minutes, set_seconds);
}

void key_down(WPARAM virtual_key) {
    const int digit = digit_of_key(virtual_key);
    if (digit >= 0)
        enter_digit(digit);
    else if (virtual_key == VK_RETURN)
        start_stop();
    else
        reset_display();
}

void wheel_turn(int delta) {
    if (running)
        return;
    // Towards the user (delta <= 0) steps up, away from the user steps down; one message is
    // one step whatever its size.
    const int step = delta <= 0 ? 1 : -1;
    POINT cursor{};
    GetCursorPos(&cursor);
    RECT frame{};
    GetWindowRect(main_window, &frame);
    const LONG middle = frame.left + (frame.right - frame.left) / 2;
    if (cursor.x < middle)
        step_minutes(step);
    else
        step_seconds(step);
}

void step_seconds(int step) {
    step_time(step, step_set_seconds, 1000);
}

void step_minutes(int step) {
    step_time(step, step_set_minutes, 60000);
}

void show_paused() {
    const DWORD elapsed = pause_tick - start_tick;
    const RunTime shown = split_run(elapsed, elapsed);
    refresh_time(shown.minutes, shown.seconds);
}

void finish_alarm() {
    if (alarm_thread == nullptr)
        return;
    show_idle_after_alarm();
    update_taskbar_button();
}

void reset_display() {
    if (running)
        return;
    progress = 0;
    pause_tick = 0;
    show_time(set_minutes, set_seconds);
}
