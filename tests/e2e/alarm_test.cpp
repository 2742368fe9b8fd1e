// The alarm at the end of a countdown, observed through the timer's calls of Beep and
// PlaySoundW in Wine's relay log: a wave file in the folder is looped, otherwise the configured
// beeps sound, for the configured time or until START or Enter; then the set time shows again.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "harness.h"
#include "settings_block.h"

using namespace e2e;

namespace {

// PlaySoundW's name argument is logged as a bare address; the file that Wine's sound code then
// opens (with CreateFileA) names it.
// CreateThread marks the alarm's start.
constexpr wchar_t sound_calls[] =
    L"kernel32.Beep;winmm.PlaySoundW;kernel32.CreateFileA;kernel32.CreateThread";

struct AlarmSettings {
    std::uint16_t alarm_time_ms, frequency_hz, duration_ms, interval_ms;
};

Patch with(const AlarmSettings& a) {
    return [a](std::vector<std::uint8_t>& exe) {
        with_setting(settings_block::alarm_time_ms_at, a.alarm_time_ms)(exe);
        with_setting(settings_block::beep_frequency_hz_at, a.frequency_hz)(exe);
        with_setting(settings_block::beep_duration_ms_at, a.duration_ms)(exe);
        with_setting(settings_block::beep_interval_ms_at, a.interval_ms)(exe);
    };
}

std::size_t beeps(const TracedTimerRun& t) {
    return calls_of(t.calls(), "KERNEL32.Beep").size();
}

// Threads the timer has started; the alarm thread is the only one its own code makes, and the
// first one after START (the wave player may start more later).
std::size_t threads_started(const TracedTimerRun& t) {
    return calls_of(t.calls(), "CreateThread").size();
}

// Keys in 00.01 and starts it; returns once the alarm thread has started. The start is read
// from the log, not from the title "00.00", which a short alarm shows for less than a poll.
void run_one_second(const TracedTimerRun& t, const CalledFrom& = {}) {
    post_key(t.window, '1');
    ASSERT_TRUE(t.title_becomes(L"00.01", 3000)) << t.title();
    const std::size_t before = threads_started(t);
    post_key(t.window, VK_RETURN);
    ASSERT_TRUE(wait_until([&] { return threads_started(t) > before; }, 3000)) << t.title();
}

// The start key as it shows in the window.
std::vector<std::uint32_t> start_key_pixels(const TimerRun& t) {
    const Picture p = capture_client(t.window);
    const RECT r = rect_in_parent(t.start_key());
    std::vector<std::uint32_t> pixels;
    for (int y = r.top; y < r.bottom; ++y) {
        const std::uint32_t* row = p.pixels.data() + y * p.width;
        pixels.insert(pixels.end(), row + r.left, row + r.right);
    }
    return pixels;
}

} // namespace

TEST(Alarm, WaveFileIsLoopedForTheAlarmTimeInsteadOfBeeps) {
    TracedTimerRun t(sound_calls, with({1500, 4400, 100, 20}));
    ASSERT_NE(t.window, nullptr);
    write_test_wave(t.folder + L"\\chime.wav");
    run_one_second(t);
    const DWORD sounding = GetTickCount();
    ASSERT_TRUE(t.title_becomes(L"00.01", 5000)) << t.title();
    EXPECT_NEAR(static_cast<double>(GetTickCount() - sounding), 1500.0, 300.0);
    EXPECT_EQ(t.close(), 0u);

    const auto calls = t.calls();
    const auto plays = calls_of(calls, "winmm.PlaySoundW");
    ASSERT_EQ(plays.size(), 2u);
    ASSERT_EQ(plays[0].args.size(), 3u);
    EXPECT_NE(plays[0].value(0), 0u);
    bool opened = false;
    for (const auto& c : calls_of(calls, "KERNEL32.CreateFileA"))
        opened = opened || c.args.at(0).find("\\\\chime.wav\"") != std::string::npos;
    EXPECT_TRUE(opened) << "the wave file was not opened";
    EXPECT_EQ(plays[0].value(1), 0u);
    EXPECT_EQ(plays[0].value(2), 0x20009u); // SND_FILENAME | SND_LOOP | SND_ASYNC
    ASSERT_EQ(plays[1].args.size(), 3u);
    EXPECT_EQ(plays[1].value(0), 0u);
    EXPECT_EQ(plays[1].value(1), 0u);
    EXPECT_EQ(plays[1].value(2), 1u); // SND_ASYNC: stops the loop
    EXPECT_TRUE(calls_of(calls, "KERNEL32.Beep").empty());
}

TEST(Alarm, WithoutAWaveFileBeepsWithTheConfiguredToneForTheAlarmTime) {
    TracedTimerRun t(sound_calls, with({1000, 1234, 56, 100}));
    ASSERT_NE(t.window, nullptr);
    run_one_second(t);
    const DWORD sounding = GetTickCount();
    ASSERT_TRUE(t.title_becomes(L"00.01", 5000)) << t.title();
    EXPECT_NEAR(static_cast<double>(GetTickCount() - sounding), 1000.0, 300.0);
    EXPECT_EQ(t.close(), 0u);

    const auto calls = t.calls();
    const auto tones = calls_of(calls, "KERNEL32.Beep");
    // About one round (Beep returns at once under Wine, then 100 ms of interval) a tenth of a
    // second for one second.
    EXPECT_GE(tones.size(), 3u);
    EXPECT_LE(tones.size(), 12u);
    for (const auto& b : tones) {
        ASSERT_EQ(b.args.size(), 2u);
        EXPECT_EQ(b.value(0), 1234u);
        EXPECT_EQ(b.value(1), 56u);
    }
    EXPECT_TRUE(calls_of(calls, "winmm.PlaySoundW").empty());
}

TEST(Alarm, NoAlarmTimeMakesNoBeepAndStopsAWaveAtOnce) {
    for (bool wave : {false, true}) {
        SCOPED_TRACE(wave ? "with a wave file" : "without a wave file");
        TracedTimerRun t(sound_calls, with({0, 4400, 100, 20}));
        ASSERT_NE(t.window, nullptr);
        if (wave)
            write_test_wave(t.folder + L"\\chime.wav");
        run_one_second(t);
        ASSERT_TRUE(t.title_becomes(L"00.01", 1000)) << t.title();
        EXPECT_EQ(t.close(), 0u);
        const auto calls = t.calls();
        EXPECT_TRUE(calls_of(calls, "KERNEL32.Beep").empty());
        const auto plays = calls_of(calls, "winmm.PlaySoundW");
        ASSERT_EQ(plays.size(), wave ? 2u : 0u);
        if (wave) {
            EXPECT_EQ(plays[0].value(2), 0x20009u);
            EXPECT_EQ(plays[1].value(0), 0u);
        }
    }
}

TEST(Alarm, EnterOrStartEndsItWithinOneRoundAndAFreshCountdownFollows) {
    const DWORD round_ms = 300;
    TracedTimerRun t(sound_calls, with({30000, 4400, 100, round_ms}));
    ASSERT_NE(t.window, nullptr);

    // Enter during the alarm.
    run_one_second(t);
    ASSERT_TRUE(wait_until([&] { return beeps(t) >= 2; }, 3000));
    post_key(t.window, VK_RETURN);
    DWORD asked = GetTickCount();
    ASSERT_TRUE(t.title_becomes(L"00.01", 3000)) << t.title();
    EXPECT_LE(GetTickCount() - asked, round_ms + 300);
    std::size_t after_end = beeps(t);
    pause_ms(2 * round_ms);
    EXPECT_EQ(beeps(t), after_end);

    // Again, with a set time changed while the alarm sounds, and START to end it.
    click(t.start_key());
    ASSERT_TRUE(t.title_becomes(L"00.00", 3000)) << t.title();
    ASSERT_TRUE(wait_until([&] { return beeps(t) >= after_end + 2; }, 3000));
    post_key(t.window, '2'); // 00.01 becomes 00.12
    ASSERT_TRUE(t.title_becomes(L"00.12", 2000)) << t.title();
    EXPECT_GT(beeps(t), after_end); // still sounding
    click(t.start_key());
    asked = GetTickCount();
    const std::size_t at_stop = beeps(t);
    pause_ms(round_ms + 300);
    after_end = beeps(t);
    EXPECT_LE(after_end, at_stop + 1);
    pause_ms(2 * round_ms);
    EXPECT_EQ(beeps(t), after_end);
    EXPECT_EQ(t.title(), L"00.12");

    // Idle with no paused run: START counts the new set time down from the top.
    click(t.start_key());
    ASSERT_TRUE(t.title_becomes(L"00.11", 2000)) << t.title();
    EXPECT_EQ(t.close(), 0u);
}

TEST(Alarm, ABeepUpToASecondIsOneToneAndEnterEndsItWithinThePieceThatSounds) {
    // Beep lasts its duration here, as on Windows.
    GlobalHook lasting(L"lasting_beep.dll", "pass_on");
    ASSERT_TRUE(lasting.installed());
    // The durations of the Beep calls, each at `hz`.
    const auto sounded = [](const TracedTimerRun& t, std::uint32_t hz) {
        std::vector<std::uint32_t> pieces;
        for (const auto& b : calls_of(t.calls(), "KERNEL32.Beep")) {
            EXPECT_EQ(b.value(0), hz);
            pieces.push_back(b.value(1));
        }
        return pieces;
    };
    // One beep each (an alarm time shorter than it, no pause): up to a second, one call.
    for (const std::uint16_t duration_ms : {std::uint16_t{250}, std::uint16_t{1000}}) {
        TracedTimerRun t(sound_calls, with({50, 1234, duration_ms, 0}));
        ASSERT_NE(t.window, nullptr);
        run_one_second(t);
        ASSERT_TRUE(t.title_becomes(L"00.01", 5000)) << t.title();
        EXPECT_EQ(t.close(), 0u);
        EXPECT_EQ(sounded(t, 1234), std::vector<std::uint32_t>{duration_ms});
    }

    // 2.5 s beeps with 3 s pauses (Enter in a pause, then in the second piece of a beep), the
    // shipped 100 ms beep every 20 ms, a wave file.
    for (std::uint16_t duration_ms : {2500, 100, 0}) {
        const bool wave = duration_ms == 0;
        const std::uint16_t interval_ms = duration_ms == 100 ? 20 : 3000;
        SCOPED_TRACE(wave ? "a wave file" : std::to_string(duration_ms) + " ms beeps");
        TracedTimerRun t(sound_calls, with({30000, 4400, duration_ms, interval_ms}));
        ASSERT_NE(t.window, nullptr);
        if (wave)
            write_test_wave(t.folder + L"\\chime.wav");
        std::vector<std::uint32_t> start_face, seen; // once painted: the same twice, not black
        ASSERT_TRUE(wait_until(
            [&] {
                seen.swap(start_face);
                start_face = start_key_pixels(t);
                return seen == start_face &&
                       std::count(seen.begin(), seen.end(), 0u) < std::ptrdiff_t(seen.size());
            },
            5000));
        // Enter; the set time and the START face back within `limit_ms`.
        auto stop_within = [&](const char* when, DWORD limit_ms) {
            ASSERT_NE(start_key_pixels(t), start_face) << "STOP while it sounds";
            post_key(t.window, VK_RETURN);
            const DWORD asked = GetTickCount();
            ASSERT_TRUE(wait_until(
                [&] { return t.title() == L"00.01" && start_key_pixels(t) == start_face; }, 3000));
            const DWORD took_ms = GetTickCount() - asked;
            std::printf("alarm stop, %s: set time and START face after %lu ms\n", when, took_ms);
            EXPECT_LE(took_ms, limit_ms) << when;
        };
        run_one_second(t);
        if (duration_ms == 2500) {
            ASSERT_TRUE(wait_until([&] { return beeps(t) == 3; }, 5000));
            EXPECT_EQ(sounded(t, 4400), (std::vector<std::uint32_t>{834, 833, 833}))
                << "2.5 s in three calls of equal length";
            pause_ms(1500);
            EXPECT_EQ(beeps(t), 3u) << "one beep sounded, the pause goes on";
            stop_within("2.5 s beeps, in a pause", 200);
            const std::size_t before = threads_started(t);
            post_key(t.window, VK_RETURN);
            ASSERT_TRUE(wait_until([&] { return threads_started(t) > before; }, 3000));
            ASSERT_TRUE(wait_until([&] { return beeps(t) == 5; }, 3000));
            stop_within("2.5 s beeps, in the second piece", 1100);
            EXPECT_EQ(beeps(t), 5u);
        } else {
            pause_ms(500);
            stop_within(wave ? "wave file" : "100 ms beeps", wave ? 200 : 300);
            for (const std::uint32_t piece : sounded(t, 4400))
                EXPECT_EQ(piece, 100u) << "the shipped beep is one call";
        }
        EXPECT_EQ(t.close(), 0u);
    }
}

TEST(Alarm, ClosingTheWindowWhileItSoundsExitsCleanly) {
    for (bool wave : {false, true}) {
        SCOPED_TRACE(wave ? "with a wave file" : "without a wave file");
        TracedTimerRun t(sound_calls, with({30000, 4400, 100, 200}));
        ASSERT_NE(t.window, nullptr);
        if (wave)
            write_test_wave(t.folder + L"\\chime.wav");
        run_one_second(t);
        if (wave)
            ASSERT_TRUE(wait_until(
                [&] { return calls_of(t.calls(), "winmm.PlaySoundW").size() == 1; }, 3000));
        else
            ASSERT_TRUE(wait_until([&] { return beeps(t) >= 2; }, 3000));
        const DWORD asked = GetTickCount();
        EXPECT_EQ(t.close(), 0u);
        EXPECT_LT(GetTickCount() - asked, 3000u);
        if (wave) {
            const auto plays = calls_of(t.calls(), "winmm.PlaySoundW");
            ASSERT_EQ(plays.size(), 2u);
            EXPECT_EQ(plays[1].value(0), 0u);
            EXPECT_EQ(plays[1].value(2), 1u);
        }
    }
}

TEST(Alarm, ABeepThatReturnsAtOnceNeverTurnsTheAlarmIntoABusyLoop) {
    // Beep returns at once here; with no pause set, each round still lasts about 10 ms.
    TracedTimerRun t(sound_calls, with({1000, 4400, 0, 0}));
    ASSERT_NE(t.window, nullptr);
    run_one_second(t);
    ASSERT_TRUE(t.title_becomes(L"00.01", 5000)) << t.title();
    EXPECT_EQ(t.close(), 0u);
    const std::size_t rounds = calls_of(t.calls(), "KERNEL32.Beep").size();
    EXPECT_GE(rounds, 20u);
    EXPECT_LE(rounds, 250u) << "about one round in 10 ms";
}

TEST(Alarm, ClosingEndsTheProcessWithinASecondWhateverTheBeepSettings) {
    // What ending a process costs here, as the yardstick.
    TimerRun idle;
    ASSERT_NE(idle.window, nullptr);
    DWORD asked = GetTickCount();
    EXPECT_EQ(idle.close(), 0u);
    const DWORD idle_close_ms = GetTickCount() - asked;

    // Beeps of 65.5 s, each followed by a pause of 65.5 s.
    TimerRun t(with({30000, 4400, 65535, 65535}));
    ASSERT_NE(t.window, nullptr);
    send_key(t.window, '1');
    send_key(t.window, VK_RETURN);
    ASSERT_TRUE(t.title_becomes(L"00.00")) << "the alarm sounds";
    asked = GetTickCount();
    EXPECT_EQ(t.close(), 0u);
    EXPECT_LT(GetTickCount() - asked, idle_close_ms + 1500)
        << "an idle timer took " << idle_close_ms;
}
