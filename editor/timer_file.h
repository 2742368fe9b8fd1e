// Finding the timer's executable, whose path the file functions then receive.
#pragma once

enum class TimerSearch { found, not_found, path_too_long };

// Sets timer_path from the command-line arguments and tells whether an entry of that name
// exists; path_too_long when the path does not fit timer_path, whether the file is there or not.
TimerSearch find_timer(const wchar_t* arguments);
