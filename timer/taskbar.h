// The timer's taskbar button: the countdown's progress on it (Windows 7 and later), and a
// flashing caption and button while an alarm sounds behind other windows.
#pragma once

#include <windows.h>

#include "progress_plan.h"

// ---- What the button should show, worked out without the shell ----

// The values are the shell's TBPF_NOPROGRESS, TBPF_NORMAL, TBPF_ERROR and TBPF_PAUSED.
enum class TaskbarState : int { none = 0x0, normal = 0x2, error = 0x4, paused = 0x8 };

// The engine's state as far as the button cares.
struct EngineState {
    bool running;
    bool paused; // a countdown stopped with STOP, not yet dropped
    bool alarm;  // the alarm sounds
    bool count_up;
};

// `completed` of `total` is the bar as drawn: the width of its chunk out of the width the chunk
// reaches when full. So the value changes exactly when the drawn bar does.
struct TaskbarProgress {
    TaskbarState state;
    int completed;
    int total;
};

// A running countdown shows its drawn bar, a paused one the same in the paused state, an alarm
// a full bar in the error state; idle and count-up show nothing. `bar` and `drawn` are the last
// drawing of the progress bar.
TaskbarProgress taskbar_progress(const EngineState& engine, const RECT& bar,
                                 const ProgressBarPlan& drawn);

// Which calls bring the button from `shown` to `wanted`. The state goes first, since a value
// given without progress shown would switch the button to the normal state; a value is given
// only when it differs in share from the one shown, or when progress appears again.
struct TaskbarCalls {
    bool set_state;
    bool set_value;
};
TaskbarCalls taskbar_calls(const TaskbarProgress& shown, const TaskbarProgress& wanted);

// Whether an alarm that begins or ends now starts or stops the flashing.
enum class FlashChange { none, start, stop };
FlashChange flash_change(bool alarm_was, bool alarm_now, bool timer_in_front, bool flashing);

// ---- The window thread's hooks ----

// At start-up, once the main window exists: learns the shell's "TaskbarButtonCreated" message.
void watch_taskbar_button(HWND window);
// True for that message; the window procedure then calls taskbar_button_created.
bool is_taskbar_button_created(UINT message);
void taskbar_button_created();
// After each drawing of the progress bar.
void note_bar_drawn(const RECT& bar, const ProgressBarPlan& plan);
// After a change of the engine's state that draws no bar: START/STOP, the alarm's start and end.
void update_taskbar_button();
// At exit, on the window thread: releases the shell's object and COM.
void release_taskbar();
