// The timer's arithmetic on times: text form, keyed-in digits, the split of an elapsed time,
// wheel steps when idle and when paused, and the tick counter's wrap.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "time_math.h"

namespace {

std::wstring text(int minutes, int seconds) {
    return format_time(minutes, seconds).chars;
}

std::wstring text(SetTime t) {
    return text(t.minutes, t.seconds);
}

std::wstring text(const RunTime& r) {
    return text(r.minutes, r.seconds);
}

constexpr std::uint32_t wrap = 0xFFFFFFFFu; // the last tick before the counter wraps

} // namespace

TEST(FormatTime, MinutesHaveAtLeastTwoDigitsAndWrapAtTenThousand) {
    struct Case {
        int minutes, seconds;
        const wchar_t* want;
    } cases[] = {
        {0, 0, L"00.00"},     {5, 7, L"05.07"},     {12, 34, L"12.34"},      {99, 99, L"99.99"},
        {100, 0, L"100.00"},  {123, 45, L"123.45"}, {1005, 9, L"1005.09"},   {9999, 59, L"9999.59"},
        {10000, 0, L"00.00"}, {10005, 1, L"05.01"}, {71582, 47, L"1582.47"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(text(c.minutes, c.seconds), c.want) << c.minutes << ":" << c.seconds;
}

TEST(FormatTime, OutOfRangeValuesNeverOverrunTheText) {
    EXPECT_EQ(text(5, 123), L"05.23");
    EXPECT_LE(std::wstring(format_time(-1, -1).chars).size(), 7u);
}

TEST(ShiftInDigit, DigitsEnterAtTheRightAndMoveLeft) {
    SetTime t{0, 0};
    const std::vector<std::wstring> want = {L"00.01", L"00.12", L"01.23", L"12.34", L"23.45"};
    for (int digit = 1; digit <= 5; ++digit) {
        t = shift_in_digit(t, digit);
        EXPECT_EQ(text(t), want[digit - 1]);
    }
}

TEST(ShiftInDigit, SecondsFromSixtyToNinetyNineAreKept) {
    SetTime t = shift_in_digit(shift_in_digit(SetTime{0, 0}, 9), 9);
    EXPECT_EQ(t.minutes, 0);
    EXPECT_EQ(t.seconds, 99);
    t = shift_in_digit(t, 7);
    EXPECT_EQ(text(t), L"09.97");
    EXPECT_EQ(total_seconds(t), 9 * 60 + 97);
}

TEST(SplitElapsed, CountdownShowsTheRemainingWholeSeconds) {
    const SetTime t{3, 0};
    struct Case {
        std::uint32_t elapsed_ms;
        const wchar_t* want;
        long long remaining;
    } cases[] = {
        {0, L"03.00", 180},     {999, L"03.00", 180},  {1000, L"02.59", 179},
        {61500, L"01.59", 119}, {179999, L"00.01", 1}, {180000, L"00.00", 0},
        {185000, L"00.00", -5},
    };
    for (const auto& c : cases) {
        const RunTime r = split_elapsed(t, c.elapsed_ms);
        EXPECT_FALSE(r.count_up);
        EXPECT_EQ(text(r), c.want) << c.elapsed_ms;
        EXPECT_EQ(r.remaining, c.remaining) << c.elapsed_ms;
    }
}

TEST(SplitElapsed, SecondsAboveFiftyNineCountDownInPlaceForTheFirstMinute) {
    struct Case {
        SetTime set;
        std::uint32_t elapsed_s;
        const wchar_t* want;
    } cases[] = {
        {{1, 90}, 0, L"01.90"},  {{1, 90}, 1, L"01.89"},  {{1, 90}, 59, L"01.31"},
        {{1, 90}, 60, L"01.30"}, {{1, 90}, 61, L"01.29"}, {{1, 90}, 149, L"00.01"},
        {{0, 99}, 0, L"00.99"},  {{0, 99}, 59, L"00.40"}, {{0, 99}, 60, L"00.39"},
        {{0, 99}, 61, L"00.38"}, {{0, 60}, 60, L"00.00"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(text(split_elapsed(c.set, c.elapsed_s * 1000 + 500)), c.want)
            << text(c.set) << " after " << c.elapsed_s << " s";
    EXPECT_EQ(split_elapsed(SetTime{0, 60}, 60000).remaining, 0);
}

TEST(SplitElapsed, CountUpShowsTheElapsedTimeFromZero) {
    struct Case {
        std::uint32_t elapsed_ms;
        const wchar_t* want;
    } cases[] = {
        {0, L"00.00"},           {1999, L"00.01"},      {5999999, L"99.59"}, {6000000, L"100.00"},
        {599999000, L"9999.59"}, {600000000, L"00.00"}, {wrap, L"1582.47"},
    };
    for (const auto& c : cases) {
        const RunTime r = split_elapsed(SetTime{0, 0}, c.elapsed_ms);
        EXPECT_TRUE(r.count_up);
        EXPECT_EQ(text(r), c.want) << c.elapsed_ms;
    }
}

TEST(SplitElapsed, TickCounterWrapDuringARunIsHarmless) {
    const std::uint32_t start = wrap - 1500; // 1.5 s before the wrap
    const std::uint32_t now = 2500;          // 2.5 s after it
    const std::uint32_t elapsed = now - start;
    EXPECT_EQ(elapsed, 4001u);
    EXPECT_EQ(text(split_elapsed(SetTime{0, 10}, elapsed)), L"00.06");
    EXPECT_DOUBLE_EQ(progress_share(elapsed, 10), 0.4001);
}

TEST(ProgressShare, ElapsedOverTheWholeSetTime) {
    EXPECT_DOUBLE_EQ(progress_share(0, 60), 0.0);
    EXPECT_DOUBLE_EQ(progress_share(30000, 60), 0.5);
    EXPECT_DOUBLE_EQ(progress_share(6039000, 6039), 1.0);
    EXPECT_GT(progress_share(61000, 60), 1.0);
}

TEST(IdleWheel, SecondsCarryAndWrapAtBothEnds) {
    struct Case {
        SetTime from;
        int step;
        const wchar_t* want;
    } cases[] = {
        {{0, 0}, -1, L"99.59"}, {{99, 59}, 1, L"00.00"}, {{0, 75}, 1, L"01.16"},
        {{0, 59}, 1, L"01.00"}, {{1, 0}, -1, L"00.59"},  {{12, 30}, 1, L"12.31"},
        {{0, 99}, 1, L"01.40"}, {{99, 99}, 1, L"00.00"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(text(step_set_seconds(c.from, c.step)), c.want)
            << text(c.from) << " step " << c.step;
}

TEST(IdleWheel, MinutesWrapAloneAndKeepTheSeconds) {
    struct Case {
        SetTime from;
        int step;
        const wchar_t* want;
    } cases[] = {
        {{99, 30}, 1, L"00.30"},
        {{0, 30}, -1, L"99.30"},
        {{5, 75}, 1, L"06.75"},
        {{5, 75}, -1, L"04.75"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(text(step_set_minutes(c.from, c.step)), c.want)
            << text(c.from) << " step " << c.step;
}

TEST(PausedWheel, ElapsedTimeStaysBetweenZeroAndTheSetTime) {
    const std::uint32_t pause = 100000;
    struct Case {
        std::uint32_t elapsed_before;
        std::int64_t step_ms; // taken off the elapsed time
        int total;
        std::uint32_t elapsed_after;
    } cases[] = {
        {5000, 1000, 60, 4000},    {5000, -1000, 60, 6000},
        {500, 1000, 60, 0},        {0, 1000, 60, 0},
        {59500, -1000, 60, 60000}, {60000, -60000, 60, 60000},
        {30000, 60000, 60, 0},     {500, 1000, 0, 0},
        {5000, -60000, 0, 65000},  {7000000, -60000, 0, 7060000},
    };
    for (const auto& c : cases) {
        const std::uint32_t start =
            step_paused_start(pause - c.elapsed_before, pause, c.step_ms, c.total);
        EXPECT_EQ(pause - start, c.elapsed_after)
            << c.elapsed_before << " ms, step " << c.step_ms << ", total " << c.total;
    }
}

TEST(PausedWheel, RunAcrossTheTickCounterWrapIsClampedByItsElapsedTime) {
    // Started before the wrap, paused after it: the tick values compare the wrong way round,
    // the elapsed time does not.
    const std::uint32_t start = wrap - 2999; // 3 s before the wrap
    const std::uint32_t pause = 2000;        // 2 s after it: 5 s elapsed
    EXPECT_EQ(pause - step_paused_start(start, pause, 1000, 60), 4000u);
    EXPECT_EQ(pause - step_paused_start(start, pause, -1000, 60), 6000u);
    EXPECT_EQ(pause - step_paused_start(start, pause, -60000, 60), 60000u);
    EXPECT_EQ(pause - step_paused_start(start, pause, 60000, 60), 0u);
    // Stepping the start itself across the wrap.
    EXPECT_EQ(pause - step_paused_start(pause - 500, pause, -3000, 0), 3500u);
    EXPECT_EQ(step_paused_start(10, 20, -1000, 0), wrap - 989);
}

TEST(AlarmTime, UpWhenTheLengthHasPassedEvenAcrossTheWrap) {
    EXPECT_TRUE(time_is_up(1000, 1000, 0));
    EXPECT_FALSE(time_is_up(1000, 10999, 10000));
    EXPECT_TRUE(time_is_up(1000, 11000, 10000));
    const std::uint32_t start = wrap - 4999; // the deadline lies past the wrap
    EXPECT_FALSE(time_is_up(start, start + 1, 10000));
    EXPECT_FALSE(time_is_up(start, 4999, 10000));
    EXPECT_TRUE(time_is_up(start, 5000, 10000));
}

TEST(AlarmTime, ABeepRoundNeverLastsLessThanTenMilliseconds) {
    EXPECT_EQ(beep_pause_ms(20, 100), 20u); // as shipped: the interval as set
    EXPECT_EQ(beep_pause_ms(0, 100), 0u);
    EXPECT_EQ(beep_pause_ms(0, 0), 10u); // a beep that returned at once
    EXPECT_EQ(beep_pause_ms(3, 4), 6u);
    EXPECT_EQ(beep_pause_ms(20, 0), 20u);
    EXPECT_EQ(beep_pause_ms(65535, 0), 65535u);
}

TEST(AlarmTime, ABeepUpToASecondIsOneToneALongerOneEqualPiecesOfAtMostASecond) {
    EXPECT_EQ(next_beep_piece_ms(100, 0), 100u); // as shipped: the one call it always was
    EXPECT_EQ(next_beep_piece_ms(250, 0), 250u);
    EXPECT_EQ(next_beep_piece_ms(1000, 0), 1000u);
    EXPECT_EQ(next_beep_piece_ms(0, 0), 0u);
    EXPECT_EQ(next_beep_piece_ms(0xFFFFFFFFu, 0), 1000u);
    EXPECT_EQ(next_beep_piece_ms(1001, 0), 501u); // 501 + 500
    EXPECT_EQ(next_beep_piece_ms(2500, 0), 834u); // 834 + 833 + 833
    EXPECT_EQ(next_beep_piece_ms(2500, 834), 833u);
    EXPECT_EQ(next_beep_piece_ms(2500, 1667), 833u);
    EXPECT_EQ(next_beep_piece_ms(2500, 2500), 0u);
    EXPECT_EQ(next_beep_piece_ms(65535, 65535 - 992), 992u); // 66 pieces, the last 992 ms
    EXPECT_TRUE(beep_piece_sounded(100, 94));                // a coarse clock
    EXPECT_FALSE(beep_piece_sounded(51, 25));                // returned at once: not sounded
}
