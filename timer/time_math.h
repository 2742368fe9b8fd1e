// The timer's arithmetic on times, free of windows and clocks so that tests reach every branch.
// Tick values are milliseconds of the 32-bit tick counter; every interval between two of them is
// an unsigned 32-bit difference, so the counter's wrap after 2^32 ms never disturbs a run.
#pragma once

#include <cstdint>

// The set time. Keypad entry can leave seconds from 60 to 99; they count as that many seconds.
struct SetTime {
    int minutes; // 0 to 99
    int seconds; // 0 to 99
};

inline int total_seconds(SetTime t) {
    return t.minutes * 60 + t.seconds;
}

// MM.SS: minutes modulo 10000 with at least two digits, seconds modulo 100 with exactly two.
struct TimeText {
    wchar_t chars[8];
};
TimeText format_time(int minutes, int seconds);

// The digits of MM.SS move one place to the left and `digit` enters at the right.
SetTime shift_in_digit(SetTime t, int digit);

// The time to show for `elapsed_ms` of a run of the set time `t`.
struct RunTime {
    int minutes;
    int seconds;
    bool count_up;       // set time 00.00: the elapsed time is shown
    long long remaining; // countdown: whole seconds left, zero or less at the end
};
RunTime split_elapsed(SetTime t, std::uint32_t elapsed_ms);

// Elapsed share of a countdown of `total` seconds (> 0).
double progress_share(std::uint32_t elapsed_ms, int total);

// One wheel step of the idle set time (+1 towards the user, -1 away). Seconds carry into the
// minutes; past 99.59 the time wraps to 00.00 and below 00.00 to 99.59. Minutes wrap alone.
SetTime step_set_seconds(SetTime t, int step);
SetTime step_set_minutes(SetTime t, int step);

// The new start tick of a paused run when the wheel takes `step_ms` off its elapsed time (a
// negative step adds to it). The elapsed time stays at or above zero and, in a countdown
// (total > 0), at or below the whole set time; count-up (total 0) has no upper limit.
std::uint32_t step_paused_start(std::uint32_t start_tick, std::uint32_t pause_tick,
                                std::int64_t step_ms, int total);

// True once `length_ms` have passed since `start_tick`.
bool time_is_up(std::uint32_t start_tick, std::uint32_t now, std::uint32_t length_ms);

// The pause after one beep that took `beep_took_ms`: the configured interval, lengthened so that
// a round of the alarm lasts at least shortest_alarm_round_ms. A beep returns at once where the
// system rejects its frequency (and always under some emulators); without the floor, an
// interval of 0 would turn the alarm into a busy loop.
constexpr std::uint32_t shortest_alarm_round_ms = 10;
std::uint32_t beep_pause_ms(std::uint32_t interval_ms, std::uint32_t beep_took_ms);

// A beep of up to longest_beep_piece_ms is one tone, one call; a longer one sounds as equal
// pieces of the same tone (differing by 1 ms at most, each at most that long) that together
// last `duration_ms`, so that the alarm sees a stop request within one piece. The
// length of the next piece once `sounded_ms` of the beep have sounded; 0 when none is left
// (a beep of 0 ms is one piece of 0 ms).
constexpr std::uint32_t longest_beep_piece_ms = 1000;
std::uint32_t next_beep_piece_ms(std::uint32_t duration_ms, std::uint32_t sounded_ms);

// Whether a piece of `piece_ms` that returned after `took_ms` was sounded. Where the system
// rejects the tone (and always under some emulators) a beep returns at once; the rest of the
// beep is then not sounded piece by piece, which would make a burst of calls, so a round
// lasts what it did when the beep was one call. Half the length allows for a coarse clock.
bool beep_piece_sounded(std::uint32_t piece_ms, std::uint32_t took_ms);
