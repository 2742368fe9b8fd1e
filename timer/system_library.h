// Libraries the timer binds at run time, taken from the system folder alone.
#pragma once

#include <windows.h>

// Loads the system library `name` ("oleacc.dll") from the system folder, never from the
// program's folder or the current one, where the default search looks first and where a file
// of that name could be planted beside Plinkett.exe. Null when it cannot be loaded.
HMODULE load_system_library(const wchar_t* name);
