// The editor's side of the timer's executable file: finding it, the start-up load with its
// version check, and the write, which replaces the file only as a whole.
#pragma once

#include <windows.h>

// Sets timer_path from the command-line arguments; true when an entry of that name exists.
bool find_timer(const wchar_t* arguments);
// The not-found message, shown before any window exists.
void report_timer_not_found();

// Replaces the file at `path` with the current file image: the image goes to a temporary file
// in the same folder, which, complete and flushed, takes the place of the original in one
// step. A link is followed: the file it leads to is replaced and the link stays. Refused while
// the original cannot be written (the timer running from it, a read-only file); tried again
// for a moment while something else has it open. ERROR_SUCCESS once `path` reads back as the
// image; otherwise the system's error code with the original untouched and no temporary file
// left behind, or ERROR_FILE_INVALID when `path` does not read back as the image.
DWORD save_image(const wchar_t* path);

// Start-up: reads the file, fills the window's controls and checks the version. Posts the
// quit message when the file cannot be read or has another version.
void load_from_timer(HWND window);

// The write button: takes the values from the controls and rewrites the file. True when the
// file was written; false when the user was told why nothing was written.
bool write_to_timer(HWND window);
