#include "alarm.h"

#include <mmsystem.h>

#include "sound.h"
#include "time_math.h"
#include "timer_state.h"

namespace {

bool stop_requested(volatile LONG* stop_flag) {
    return InterlockedCompareExchange(stop_flag, 0, 0) != 0;
}

// Longest time one round of the sound loop can take before the thread sees its stop flag.
DWORD one_round_ms() {
    return static_cast<DWORD>(timer_settings.beep_duration_ms) + timer_settings.beep_interval_ms;
}

// How long the exit waits for a sounding alarm to end.
constexpr DWORD exit_wait_ms = 1000;

void close_alarm_thread() {
    CloseHandle(alarm_thread);
    alarm_thread = nullptr;
}

} // namespace

DWORD WINAPI alarm_thread_proc(LPVOID stop_flag) {
    auto* stop = static_cast<volatile LONG*>(stop_flag);
    // Taken before the search, so the search's time counts toward the alarm time.
    const DWORD start = GetTickCount();
    WIN32_FIND_DATAW wave;
    HANDLE search = FindFirstFileW(L"*.wav", &wave);
    const bool have_wave = search != INVALID_HANDLE_VALUE;
    if (have_wave)
        play_sound(wave.cFileName, SND_FILENAME | SND_LOOP | SND_ASYNC);

    while (!stop_requested(stop) &&
           !time_is_up(start, GetTickCount(), timer_settings.alarm_time_ms)) {
        if (have_wave) {
            Sleep(10);
        } else {
            const DWORD before = GetTickCount();
            Beep(timer_settings.beep_frequency_hz, timer_settings.beep_duration_ms);
            Sleep(beep_pause_ms(timer_settings.beep_interval_ms, GetTickCount() - before));
        }
    }

    if (have_wave) {
        play_sound(nullptr, SND_ASYNC);
        FindClose(search);
    }
    // Fails harmlessly when the window is already gone at exit.
    PostMessageW(main_window, WM_ALARM_FINISHED, 0, 0);
    return 0;
}

bool start_alarm() {
    InterlockedExchange(&alarm_stop, 0);
    alarm_thread =
        CreateThread(nullptr, 0, alarm_thread_proc, const_cast<LONG*>(&alarm_stop), 0, nullptr);
    return alarm_thread != nullptr;
}

void reap_alarm_thread() {
    if (alarm_thread == nullptr)
        return;
    // The thread posts WM_ALARM_FINISHED as its last act; letting it end first keeps to one
    // alarm thread at a time.
    WaitForSingleObject(alarm_thread, one_round_ms() + 1000);
    close_alarm_thread();
}

void stop_alarm_for_exit() {
    if (alarm_thread == nullptr)
        return;
    InterlockedExchange(&alarm_stop, 1);
    // A beep and its pause cannot be interrupted and may each last a minute: the wait is
    // bounded, so a closed timer never lingers. A thread still in its round is ended with the
    // process; until then it reads only the stop flag and the settings, which stay, and posts to
    // a window that is gone.
    WaitForSingleObject(alarm_thread, exit_wait_ms);
    close_alarm_thread();
}
