// Libraries and functions the programs bind at run time, taken from the system folder alone.
#pragma once

#include <windows.h>

// Loads the system library `name` ("oleacc.dll") from the system folder, never from the
// program's folder or the current one, where the default search looks first and where a file
// of that name could be planted beside the program. Null when it cannot be loaded.
HMODULE load_system_library(const wchar_t* name);

// From now on, libraries loaded without a path, and those that system libraries load for the
// program, come from the system folder alone. Where Windows cannot be told so (before Windows 8,
// or 7 and Vista without the update), nothing changes.
void search_system_folder_only();

// The function `name` of `module`, as the type `Fn`: null where the module or the function is
// missing, for functions only newer Windows has.
template <typename Fn> Fn system_function(HMODULE module, const char* name) {
    return module != nullptr
               ? reinterpret_cast<Fn>(reinterpret_cast<void*>(GetProcAddress(module, name)))
               : nullptr;
}

// The same from a library the program imports anyway ("kernel32.dll", "user32.dll"): it is
// loaded already and is not loaded again.
template <typename Fn> Fn system_function(const wchar_t* loaded_library, const char* name) {
    return system_function<Fn>(GetModuleHandleW(loaded_library), name);
}
