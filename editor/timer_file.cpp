#include "timer_file.h"

#include <windows.h>

#include "editor_state.h"

TimerSearch find_timer(const wchar_t* arguments) {
    if (!timer_path_from_arguments(arguments, timer_path, timer_path_capacity))
        return TimerSearch::path_too_long;
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(timer_path, &found);
    if (search == INVALID_HANDLE_VALUE)
        return TimerSearch::not_found;
    FindClose(search);
    return TimerSearch::found;
}
