#include "sound.h"

#include "system_library.h"

namespace {

using PlaySoundWFn = BOOL(WINAPI*)(LPCWSTR, HMODULE, DWORD);

// Bound by the alarm thread; alarm threads run one after the other, never side by side. The
// library stays loaded until exit.
PlaySoundWFn bound_play_sound;
bool tried;

} // namespace

bool play_sound(const wchar_t* name, DWORD flags) {
    if (!tried) {
        tried = true;
        bound_play_sound =
            system_function<PlaySoundWFn>(load_system_library(L"winmm.dll"), "PlaySoundW");
    }
    return bound_play_sound != nullptr && bound_play_sound(name, nullptr, flags) != FALSE;
}
