#include "alarm.h"

DWORD WINAPI alarm_thread_proc(LPVOID) {
    return 0;
}

void finish_alarm() {}
void stop_alarm_for_exit() {}
