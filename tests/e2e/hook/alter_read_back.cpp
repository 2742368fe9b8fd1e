// A system-wide CBT hook library for the editor's read-back test. Loaded into the editor at
// its first window, it inverts the first byte of every read once ReplaceFileW has succeeded.
#include <windows.h>

#include "import_slot.h"

namespace {

decltype(&ReplaceFileW) replace_file;
decltype(&ReadFile) read_file;
bool replaced; // the editor has one thread

BOOL WINAPI noted_replace(LPCWSTR original, LPCWSTR replacement, LPCWSTR backup, DWORD flags,
                          LPVOID exclude, LPVOID reserved) {
    replaced = replace_file(original, replacement, backup, flags, exclude, reserved) != FALSE;
    return replaced;
}

BOOL WINAPI altered_read(HANDLE file, LPVOID buffer, DWORD size, LPDWORD got, LPOVERLAPPED at) {
    const BOOL done = read_file(file, buffer, size, got, at);
    if (done && replaced && got != nullptr && *got > 0)
        static_cast<BYTE*>(buffer)[0] ^= 0xFF;
    return done;
}

} // namespace

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH && in_program(L"PlinkettProperty.exe")) {
        stand_in(replace_file, "ReplaceFileW", noted_replace);
        stand_in(read_file, "ReadFile", altered_read);
    }
    return TRUE;
}
