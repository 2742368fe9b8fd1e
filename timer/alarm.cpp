#include "alarm.h"

#include <mmsystem.h>

#include "sound.h"
#include "time_math.h"
#include "timer_state.h"

namespace {

// Set with alarm_stop: the alarm thread's pauses wait on it, so a stop ends them at once.
// Made with each alarm thread, which takes it once at its start, and closed with its handle.
HANDLE stop_event;

bool stop_requested(volatile LONG* stop_flag) {
    return InterlockedCompareExchange(stop_flag, 0, 0) != 0;
}

// How long the window thread waits for an alarm thread to end, after its finish or at exit.
// No call of the thread lasts longer than one piece of a beep unless the system hangs in it.
constexpr DWORD exit_wait_ms = 1000;

void close_alarm_thread() {
    CloseHandle(alarm_thread);
    alarm_thread = nullptr;
    CloseHandle(stop_event);
    stop_event = nullptr;
}

// One beep of the configured tone and duration, sounded piece by piece; a stop request ends
// it after the piece that sounds.
void sound_beep(volatile LONG* stop) {
    const std::uint32_t duration = timer_settings.beep_duration_ms;
    std::uint32_t sounded = 0;
    for (;;) {
        const std::uint32_t piece = next_beep_piece_ms(duration, sounded);
        const DWORD before = GetTickCount();
        Beep(timer_settings.beep_frequency_hz, piece);
        sounded += piece;
        if (sounded >= duration || !beep_piece_sounded(piece, GetTickCount() - before) ||
            stop_requested(stop))
            return;
    }
}

} // namespace

DWORD WINAPI alarm_thread_proc(LPVOID stop_flag) {
    auto* stop = static_cast<volatile LONG*>(stop_flag);
    const HANDLE stopped = stop_event;
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
            sound_beep(stop);
            WaitForSingleObject(
                stopped, beep_pause_ms(timer_settings.beep_interval_ms, GetTickCount() - before));
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
    stop_event = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (stop_event == nullptr)
        return false;
    alarm_thread =
        CreateThread(nullptr, 0, alarm_thread_proc, const_cast<LONG*>(&alarm_stop), 0, nullptr);
    if (alarm_thread == nullptr) {
        CloseHandle(stop_event);
        stop_event = nullptr;
    }
    return alarm_thread != nullptr;
}

void request_alarm_stop() {
    InterlockedExchange(&alarm_stop, 1);
    SetEvent(stop_event);
}

void reap_alarm_thread() {
    if (alarm_thread == nullptr)
        return;
    // The thread posts WM_ALARM_FINISHED as its last act; letting it end first keeps to one
    // alarm thread at a time.
    WaitForSingleObject(alarm_thread, exit_wait_ms);
    close_alarm_thread();
}

void stop_alarm_for_exit() {
    if (alarm_thread == nullptr)
        return;
    request_alarm_stop();
    // The wait is bounded, so a closed timer never lingers. A thread still in a call of the
    // system is ended with the process; until then it reads only the stop flag and the
    // settings, which stay, finds its event closed, and posts to a window that is gone.
    WaitForSingleObject(alarm_thread, exit_wait_ms);
    close_alarm_thread();
}
