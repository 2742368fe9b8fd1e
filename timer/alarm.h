// The alarm thread: loops the first .wav of the current folder, or beeps, until the alarm
// time has passed or the user stops it.
#pragma once

#include <windows.h>

// Sets alarm_stop to 0 and starts the alarm thread, recorded in alarm_thread. False when the
// thread (or its stop event) could not be made: there is then no alarm, and no
// WM_ALARM_FINISHED will come.
bool start_alarm();

// START/STOP or Enter while the alarm sounds, and the exit: sets alarm_stop and wakes the
// thread from its pause, so the sound ends within one piece of a beep (at most
// longest_beep_piece_ms) whatever the beep settings. Only while alarm_thread is set.
void request_alarm_stop();

// `stop_flag` is the address of alarm_stop. The thread reads only the settings, that flag and
// the stop event that request_alarm_stop sets, and asks the window thread with
// WM_ALARM_FINISHED to show the idle window again.
DWORD WINAPI alarm_thread_proc(LPVOID stop_flag);

// Posted by the alarm thread when its sound has ended; the window thread then shows the set
// time again (the engine's finish_alarm), so no drawing state is ever touched from two threads.
constexpr UINT WM_ALARM_FINISHED = WM_APP + 1;

// After WM_ALARM_FINISHED: lets the thread end, closes its handle and clears alarm_thread.
// Nothing to do when there is no thread.
void reap_alarm_thread();

// At exit: asks a sounding alarm to stop and waits for its thread to end.
void stop_alarm_for_exit();
