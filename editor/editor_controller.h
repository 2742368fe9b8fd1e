// What the editor does for its user between the window and the file: the start-up load with
// its version check, the write with its warning, refusals and failures, and every message box.
#pragma once

#include <windows.h>

// The not-found message, shown before any window exists; for a path too long to take, the
// message that says so instead.
void report_timer_not_found(bool path_too_long);

// Start-up: reads the file, fills the window's controls and checks the version. Posts the
// quit message when the file cannot be read or has another version.
void load_from_timer(HWND window);

// The write button: takes the values from the controls and rewrites the file. True when the
// file was written; false when the user was told why nothing was written.
bool write_to_timer(HWND window);
