#include "time_math.h"

TimeText format_time(int minutes, int seconds) {
    // Unsigned, so that no value can produce more digits than the text holds.
    unsigned m = static_cast<unsigned>(minutes) % 10000u;
    const unsigned s = static_cast<unsigned>(seconds) % 100u;
    wchar_t digits[4];
    int count = 0;
    do {
        digits[count++] = static_cast<wchar_t>(L'0' + m % 10);
        m /= 10;
    } while (m != 0);
    if (count < 2)
        digits[count++] = L'0';

    TimeText text{};
    int at = 0;
    while (count > 0)
        text.chars[at++] = digits[--count];
    text.chars[at++] = L'.';
    text.chars[at++] = static_cast<wchar_t>(L'0' + s / 10);
    text.chars[at++] = static_cast<wchar_t>(L'0' + s % 10);
    text.chars[at] = L'\0';
    return text;
}

SetTime shift_in_digit(SetTime t, int digit) {
    const int a = t.seconds * 10 + digit;
    return SetTime{(t.minutes * 10 + a / 100) % 100, a % 100};
}

RunTime split_elapsed(SetTime t, std::uint32_t elapsed_ms) {
    const std::uint32_t e = elapsed_ms / 1000;
    const int total = total_seconds(t);
    if (total == 0)
        return RunTime{static_cast<int>(e / 60), static_cast<int>(e % 60), true, 0};

    const long long remaining = static_cast<long long>(total) - e;
    // Seconds keyed in as 60 to 99 count down in place during the first minute.
    if (t.seconds >= 60 && e <= 60)
        return RunTime{t.minutes, t.seconds - static_cast<int>(e), false, remaining};
    const long long shown = remaining > 0 ? remaining : 0;
    return RunTime{static_cast<int>(shown / 60), static_cast<int>(shown % 60), false, remaining};
}

double progress_share(std::uint32_t elapsed_ms, int total) {
    return static_cast<double>(elapsed_ms) / (static_cast<double>(total) * 1000.0);
}

SetTime step_set_seconds(SetTime t, int step) {
    t.seconds += step;
    if (t.seconds >= 60) {
        t.minutes += t.seconds / 60;
        t.seconds %= 60;
    } else if (t.seconds < 0) {
        t.minutes -= 1;
        t.seconds += 60;
    }
    if (t.minutes >= 100)
        return SetTime{0, 0};
    if (t.minutes < 0)
        return SetTime{99, 59};
    return t;
}

SetTime step_set_minutes(SetTime t, int step) {
    t.minutes += step;
    if (t.minutes >= 100)
        t.minutes = 0;
    else if (t.minutes < 0)
        t.minutes = 99;
    return t;
}

std::uint32_t step_paused_start(std::uint32_t start_tick, std::uint32_t pause_tick,
                                std::int64_t step_ms, int total) {
    // Worked on the elapsed time rather than on tick values, which may lie on both sides of
    // the counter's wrap.
    std::int64_t elapsed = static_cast<std::int64_t>(pause_tick - start_tick) - step_ms;
    if (elapsed < 0)
        elapsed = 0;
    if (total > 0 && elapsed > static_cast<std::int64_t>(total) * 1000)
        elapsed = static_cast<std::int64_t>(total) * 1000;
    return pause_tick - static_cast<std::uint32_t>(elapsed);
}

bool time_is_up(std::uint32_t start_tick, std::uint32_t now, std::uint32_t length_ms) {
    return now - start_tick >= length_ms;
}

std::uint32_t beep_pause_ms(std::uint32_t interval_ms, std::uint32_t beep_took_ms) {
    if (beep_took_ms >= shortest_alarm_round_ms)
        return interval_ms;
    const std::uint32_t rest = shortest_alarm_round_ms - beep_took_ms;
    return interval_ms > rest ? interval_ms : rest;
}

std::uint32_t next_beep_piece_ms(std::uint32_t duration_ms, std::uint32_t sounded_ms) {
    if (sounded_ms >= duration_ms)
        return 0;
    const std::uint32_t rest = duration_ms - sounded_ms;
    const std::uint32_t pieces = (rest - 1) / longest_beep_piece_ms + 1;
    return (rest - 1) / pieces + 1;
}

bool beep_piece_sounded(std::uint32_t piece_ms, std::uint32_t took_ms) {
    return took_ms >= piece_ms - piece_ms / 2;
}
