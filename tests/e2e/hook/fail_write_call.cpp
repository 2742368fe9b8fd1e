// A system-wide CBT hook library for the editor's write-failure tests. Loaded into the editor at
// its first window, it makes chosen calls of the write's system functions fail, as the variable
// PLINKETT_FAIL_CALLS says: rules "Function first count error" apart by ";", such as
// "ReplaceFileW 1 1 1177;MoveFileExW 1 10 5": calls first to first + count - 1 of Function,
// counted from 1, fail with error. CreateFileW counts only the calls that make a new file.
// A ReplaceFileW failing with 1177 has moved the replaced file to the backup name first, as the
// system's does when the replacement cannot follow it; the first failing with 2 has changed a
// byte of the replaced file (at 1000), as another writer's swap in progress would.
#include <windows.h>

#include <cstdio>
#include <cstring>

#include "import_slot.h"

namespace {

decltype(&ReplaceFileW) replace_file;
decltype(&MoveFileExW) move_file;
decltype(&DeleteFileW) delete_file;
decltype(&CreateFileW) create_file;

struct Rule {
    char function[32];
    unsigned first, count, error;
} rules[8];
int rule_count;
unsigned calls[4]; // by function, in the order of `stand_ins`; the editor has one thread

// The error that this call of function `f` fails with, 0 when it goes through; `first` tells
// whether its rule failed no call before.
DWORD fault(int f, const char* name, bool* first = nullptr) {
    const unsigned n = ++calls[f];
    for (const Rule* r = rules; r < rules + rule_count; ++r)
        if (std::strcmp(r->function, name) == 0 && n >= r->first && n - r->first < r->count) {
            if (first != nullptr)
                *first = n == r->first;
            SetLastError(r->error);
            return r->error;
        }
    return 0;
}

void change_a_byte(LPCWSTR name) {
    HANDLE file =
        create_file(name, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    BYTE byte = 0;
    DWORD done = 0;
    SetFilePointer(file, 1000, nullptr, FILE_BEGIN);
    ReadFile(file, &byte, 1, &done, nullptr);
    byte ^= 0xFF;
    SetFilePointer(file, 1000, nullptr, FILE_BEGIN);
    WriteFile(file, &byte, 1, &done, nullptr);
    CloseHandle(file);
}

BOOL WINAPI failing_replace(LPCWSTR replaced, LPCWSTR replacement, LPCWSTR backup, DWORD flags,
                            LPVOID exclude, LPVOID reserved) {
    bool first = false;
    const DWORD error = fault(0, "ReplaceFileW", &first);
    if (error == ERROR_UNABLE_TO_MOVE_REPLACEMENT_2)
        move_file(replaced, backup, MOVEFILE_REPLACE_EXISTING);
    if (error == ERROR_FILE_NOT_FOUND && first)
        change_a_byte(replaced);
    SetLastError(error);
    return error == 0 && replace_file(replaced, replacement, backup, flags, exclude, reserved);
}

BOOL WINAPI failing_move(LPCWSTR from, LPCWSTR to, DWORD flags) {
    return fault(1, "MoveFileExW") == 0 && move_file(from, to, flags);
}

BOOL WINAPI failing_delete(LPCWSTR name) {
    return fault(2, "DeleteFileW") == 0 && delete_file(name);
}

HANDLE WINAPI failing_create(LPCWSTR name, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES sa,
                             DWORD disposition, DWORD flags, HANDLE model) {
    return disposition == CREATE_NEW && fault(3, "CreateFileW") != 0
               ? INVALID_HANDLE_VALUE
               : create_file(name, access, share, sa, disposition, flags, model);
}

} // namespace

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
    if (reason != DLL_PROCESS_ATTACH || !in_program(L"PlinkettProperty.exe"))
        return TRUE;
    char text[512] = "";
    GetEnvironmentVariableA("PLINKETT_FAIL_CALLS", text, sizeof text);
    for (const char* at = text; at != nullptr && rule_count < 8; at = std::strchr(at, ';')) {
        Rule& r = rules[rule_count];
        at += *at == ';';
        rule_count +=
            std::sscanf(at, " %31s %u %u %u", r.function, &r.first, &r.count, &r.error) == 4;
    }
    stand_in(replace_file, "ReplaceFileW", failing_replace);
    stand_in(move_file, "MoveFileExW", failing_move);
    stand_in(delete_file, "DeleteFileW", failing_delete);
    stand_in(create_file, "CreateFileW", failing_create);
    return TRUE;
}
