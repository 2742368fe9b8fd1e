// Finding the timer's executable, whose path the file functions then receive.
#pragma once

// Sets timer_path from the command-line arguments; true when an entry of that name exists.
bool find_timer(const wchar_t* arguments);
