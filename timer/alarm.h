// The alarm thread: loops the first .wav of the current folder, or beeps, until the alarm
// time has passed or the user stops it.
#pragma once

#include <windows.h>

DWORD WINAPI alarm_thread_proc(LPVOID stop_flag);

// Posted by the alarm thread when its sound has ended; the window thread then shows the set
// time again, so no drawing state is ever touched from two threads.
constexpr UINT WM_ALARM_FINISHED = WM_APP + 1;
void finish_alarm();

// At exit: asks a sounding alarm to stop and waits for its thread to end.
void stop_alarm_for_exit();
