// Reads the settings record from the timer's own resource "BINARY" 101 at start-up.
#pragma once

#include <windows.h>

// Fills timer_settings. The heap copy it makes lives until free_settings_buffer().
void load_settings(HINSTANCE instance);
void free_settings_buffer();
