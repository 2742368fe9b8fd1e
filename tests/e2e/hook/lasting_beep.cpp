// A system-wide CBT hook library for the alarm tests. Loaded into the timer at its first
// window, it makes each Beep last its duration, as Windows' does; the call still reaches the
// system first, so Wine's relay log shows it.
#include <windows.h>

#include "import_slot.h"

namespace {

using BeepFn = BOOL(WINAPI*)(DWORD, DWORD);
BeepFn beep;

BOOL WINAPI lasting_beep(DWORD frequency, DWORD duration) {
    const BOOL done = beep(frequency, duration);
    Sleep(duration);
    return done;
}

} // namespace

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH && in_program(L"Plinkett.exe"))
        beep = reinterpret_cast<BeepFn>(
            redirect_import("kernel32.dll", "Beep", reinterpret_cast<void*>(lasting_beep)));
    return TRUE;
}

extern "C" __declspec(dllexport) LRESULT CALLBACK pass_on(int code, WPARAM wparam, LPARAM lparam) {
    return CallNextHookEx(nullptr, code, wparam, lparam);
}
