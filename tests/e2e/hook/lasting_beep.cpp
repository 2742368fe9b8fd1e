// A system-wide CBT hook library for the alarm tests. Loaded into the timer at its first
// window, it makes each Beep last its duration, as Windows' does; the call still reaches the
// system first, so Wine's relay log shows it.
#include <windows.h>

#include "import_slot.h"

namespace {

decltype(&Beep) beep;

BOOL WINAPI lasting_beep(DWORD frequency, DWORD duration) {
    const BOOL done = beep(frequency, duration);
    Sleep(duration);
    return done;
}

} // namespace

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH && in_program(L"Plinkett.exe"))
        stand_in(beep, "Beep", lasting_beep);
    return TRUE;
}
