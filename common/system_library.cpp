#include "system_library.h"

#include <cwchar>

HMODULE load_system_library(const wchar_t* name) {
    // The search flags exist where AddDllDirectory does (Windows 8, and 7 and Vista updated);
    // they keep the library's own imports to the system folder too.
    if (system_function<FARPROC>(L"kernel32.dll", "AddDllDirectory") != nullptr)
        return LoadLibraryExW(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    // Elsewhere, the full path; its imports are then looked for in its folder first.
    wchar_t path[MAX_PATH];
    const std::size_t folder = GetSystemDirectoryW(path, MAX_PATH);
    const std::size_t length = std::wcslen(name);
    if (folder == 0 || folder + 1 + length >= MAX_PATH)
        return nullptr;
    path[folder] = L'\\';
    std::wmemcpy(path + folder + 1, name, length + 1);
    return LoadLibraryExW(path, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

void search_system_folder_only() {
    using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
    const auto set_default_directories =
        system_function<SetDefaultDllDirectoriesFn>(L"kernel32.dll", "SetDefaultDllDirectories");
    if (set_default_directories != nullptr)
        set_default_directories(LOAD_LIBRARY_SEARCH_SYSTEM32);
}
