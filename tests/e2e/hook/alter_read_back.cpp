// A system-wide CBT hook library for the editor's read-back test. Windows loads it into the
// editor at the editor's first window; there, once a replace or move of a file has succeeded,
// every read of a file gives its first byte inverted, as a file system would that hands back
// other bytes than were written.
#include <windows.h>

#include "import_slot.h"

namespace {

using ReplaceFileWFn = BOOL(WINAPI*)(LPCWSTR, LPCWSTR, LPCWSTR, DWORD, LPVOID, LPVOID);
using MoveFileExWFn = BOOL(WINAPI*)(LPCWSTR, LPCWSTR, DWORD);
using ReadFileFn = BOOL(WINAPI*)(HANDLE, LPVOID, DWORD, LPDWORD, LPOVERLAPPED);
ReplaceFileWFn replace_file;
MoveFileExWFn move_file;
ReadFileFn read_file;
bool replaced; // the editor has one thread

BOOL WINAPI noted_replace(LPCWSTR original, LPCWSTR replacement, LPCWSTR backup, DWORD flags,
                          LPVOID exclude, LPVOID reserved) {
    const BOOL done = replace_file(original, replacement, backup, flags, exclude, reserved);
    replaced = replaced || done;
    return done;
}

BOOL WINAPI noted_move(LPCWSTR from, LPCWSTR to, DWORD flags) {
    const BOOL done = move_file(from, to, flags);
    replaced = replaced || done;
    return done;
}

BOOL WINAPI altered_read(HANDLE file, LPVOID buffer, DWORD size, LPDWORD got,
                         LPOVERLAPPED overlapped) {
    const BOOL done = read_file(file, buffer, size, got, overlapped);
    if (done && replaced && got != nullptr && *got > 0)
        static_cast<BYTE*>(buffer)[0] ^= 0xFF;
    return done;
}

template <typename Fn> Fn redirect(const char* function, Fn stand_in) {
    return reinterpret_cast<Fn>(
        redirect_import("kernel32.dll", function, reinterpret_cast<void*>(stand_in)));
}

} // namespace

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH && in_program(L"PlinkettProperty.exe")) {
        replace_file = redirect("ReplaceFileW", noted_replace);
        move_file = redirect("MoveFileExW", noted_move);
        read_file = redirect("ReadFile", altered_read);
    }
    return TRUE;
}

extern "C" __declspec(dllexport) LRESULT CALLBACK pass_on(int code, WPARAM wparam, LPARAM lparam) {
    return CallNextHookEx(nullptr, code, wparam, lparam);
}
