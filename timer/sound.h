// The wave player, bound on first use: winmm.dll and the audio stack it pulls in cost every
// start of the timer several milliseconds, and only an alarm with a .wav file needs them.
#pragma once

#include <windows.h>

// PlaySoundW of winmm.dll. False when the library or the function is not there.
bool play_sound(const wchar_t* name, DWORD flags);
