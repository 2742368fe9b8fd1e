// A library that a test places beside the timer under the name of a system library. Loaded,
// it leaves the file "planted_library_loaded" in its folder and refuses to stay.
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID) {
    if (reason != DLL_PROCESS_ATTACH)
        return TRUE;
    wchar_t path[MAX_PATH + 32] = L"";
    const DWORD length = GetModuleFileNameW(self, path, MAX_PATH);
    DWORD folder = length;
    while (folder > 0 && path[folder - 1] != L'\\')
        --folder;
    lstrcpyW(path + folder, L"planted_library_loaded");
    CloseHandle(CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    return FALSE;
}
