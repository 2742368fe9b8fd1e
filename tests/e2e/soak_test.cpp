// Soak: countdown-alarm cycles with input thrown at the timer while it counts, while it is
// paused and while the alarm sounds. The timer must stay alive, always title itself with a sane
// time, hold as many GDI, USER and kernel objects after the cycles as after the first few, and
// exit with 0 when closed. Short by default; PLINKETT_SOAK=long runs 200 cycles of each kind.
// The random input is replayable: its start value is printed (PLINKETT_SOAK_RANDOM sets it).
#include <gtest/gtest.h>

#include <cstdio>
#include <deque>
#include <functional>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "harness.h"
#include "settings_block.h"

using namespace e2e;

namespace {

bool long_form() {
    return env("PLINKETT_SOAK") == "long";
}

std::uint32_t soak_random_start() {
    const std::string given = env("PLINKETT_SOAK_RANDOM");
    return given.empty() ? 20240607u : static_cast<std::uint32_t>(std::stoul(given));
}

// The class name before the first change, else MM.SS (a countdown's two-digit minutes).
bool sane_title(const std::wstring& t) {
    auto digit = [](wchar_t c) { return c >= L'0' && c <= L'9'; };
    return t == L"PlinkettWnd" || (t.size() == 5 && digit(t[0]) && digit(t[1]) && t[2] == L'.' &&
                                   digit(t[3]) && digit(t[4]));
}

struct Kind {
    std::uint16_t alarm_time_ms;
    bool wave;
};

// Drives one traced timer through cycles and keeps the last inputs for failure messages.
class Soak {
  public:
    Soak(TracedTimerRun& timer, std::mt19937& random) : t(timer), ledger(timer), rng(random) {}

    // One cycle: some idle input, the set time 00.01, START, then either input while it counts
    // or a pause with wheel input that winds the rest of the run away, the alarm with input
    // thrown at it, and back to idle. Returns false when the timer stopped answering.
    bool cycle(const CalledFrom& = {}) {
        if (!to_idle())
            return false;
        noise(pick(1, 5), Expect::sane);
        for (int i = 0; i < 4; ++i)
            enter_digit(i == 3 ? 1 : 0);
        expect_title(Expect::set_time);
        const long alarms = started_alarms();
        press_start_stop();
        if (pick(0, 1) == 0) {
            press_start_stop(); // paused at once; the countdown lasts one second
            update();
            if (started_alarms() == alarms && !running()) {
                noise_while_paused(pick(1, 4));
                wheel(+WHEEL_DELTA); // one step away adds elapsed time, at most the set time
                expect_title(Expect::zero);
                press_start_stop(); // the first tick ends it
            }
        } else {
            noise(pick(2, 6), Expect::countdown);
        }
        if (!wait_for([&] { return started_alarms() > alarms; }, 5000)) {
            ADD_FAILURE() << "no alarm after the countdown; " << recent_inputs();
            return alive();
        }
        noise(pick(1, 5), Expect::sane);
        if (pick(0, 2) == 0)
            press_start_stop(); // ends the alarm early, or starts a run if it is over already
        return alive();
    }

    // Waits for a sounding alarm to end, then pauses a run and drops it: idle. A run that a
    // late START began may end in an alarm meanwhile, hence a few rounds.
    bool to_idle(const CalledFrom& = {}) {
        for (int round = 0; round < 3; ++round) {
            if (!wait_for([&] { return !alarm_sounding(); }, 5000)) {
                ADD_FAILURE() << "the alarm did not end; " << recent_inputs();
                return false;
            }
            if (running())
                press_start_stop();
            send_key(t.window, VK_ESCAPE);
            update();
            if (!running() && !alarm_sounding())
                return alive();
        }
        ADD_FAILURE() << "not idle; " << recent_inputs();
        return false;
    }

    // Live objects once the timer has been idle for a moment.
    std::map<std::string, long> settled_objects() { return e2e::settled_objects(ledger); }

    std::string objects() const { return ledger.describe(); }
    long started_alarms() const { return ledger.calls("CreateThread"); }

    bool alive() {
        if (t.running())
            return true;
        DWORD code = 0;
        GetExitCodeProcess(t.process->handle(), &code);
        ADD_FAILURE() << "the timer ended with code " << std::hex << code << "; "
                      << recent_inputs();
        return false;
    }

  private:
    enum class Expect { sane, set_time, zero, countdown };

    int pick(int low, int high) { return std::uniform_int_distribution<int>(low, high)(rng); }

    void update() { ledger.update(); }
    bool running() const { return ledger.calls("SetTimer") > ledger.calls("KillTimer"); }
    bool alarm_sounding() const {
        return ledger.calls("CreateThread") > ledger.released("CreateThread");
    }

    bool wait_for(const std::function<bool()>& done, DWORD timeout_ms) {
        return wait_until(
            [&] {
                update();
                return done();
            },
            timeout_ms);
    }

    void note(const std::string& input) {
        inputs.push_back(input);
        if (inputs.size() > 12)
            inputs.pop_front();
    }
    std::string recent_inputs() const {
        std::string text = "last inputs:";
        for (const auto& i : inputs)
            text += " " + i;
        return text;
    }

    void send(HWND to, UINT message, WPARAM wparam, LPARAM lparam) {
        DWORD_PTR result = 0;
        if (!SendMessageTimeoutW(to, message, wparam, lparam, SMTO_BLOCK | SMTO_ABORTIFHUNG, 5000,
                                 &result))
            ADD_FAILURE() << "message " << message << " not answered; " << recent_inputs();
    }

    // A key goes to the main window or, as when a key has the focus, to one of the keys.
    void send_key(HWND fallback, WPARAM key) {
        HWND to = pick(0, 2) == 0 ? GetDlgItem(t.window, digit_button_id(pick(0, 10))) : fallback;
        send(to != nullptr ? to : t.window, WM_KEYDOWN, key, 0);
    }
    void click(HWND key) {
        send(key, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
        send(key, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    }
    void double_click(HWND key) {
        click(key);
        send(key, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(5, 5));
        send(key, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    }
    void wheel(int delta) {
        note("wheel " + std::to_string(delta));
        send(t.window, WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(static_cast<short>(delta))),
             0);
    }

    // A digit by any of the ways a user has: main keyboard, keypad, keypad with Num Lock off,
    // a click on its key.
    void enter_digit(int d) {
        static const WPARAM navigation[10] = {VK_INSERT, VK_END,   VK_DOWN, VK_NEXT, VK_LEFT,
                                              VK_CLEAR,  VK_RIGHT, VK_HOME, VK_UP,   VK_PRIOR};
        note("digit " + std::to_string(d));
        switch (pick(0, 3)) {
        case 0:
            send_key(t.window, '0' + d);
            break;
        case 1:
            send_key(t.window, VK_NUMPAD0 + d);
            break;
        case 2:
            send_key(t.window, navigation[d]);
            break;
        default:
            click(t.digit_key(d));
            break;
        }
    }

    void press_start_stop() {
        note("start/stop");
        if (pick(0, 1) == 0)
            send_key(t.window, VK_RETURN);
        else
            click(t.start_key());
    }

    // Input that a user may give in any state; none of it is START/STOP.
    void one_noise() {
        static const WPARAM others[] = {VK_SPACE, VK_ESCAPE, VK_BACK,  VK_DELETE,  VK_TAB,
                                        'A',      'Z',       VK_SHIFT, VK_CONTROL, VK_F5};
        switch (pick(0, 6)) {
        case 0:
        case 1:
            enter_digit(pick(0, 9));
            break;
        case 2: {
            const WPARAM key = others[pick(0, 9)];
            note("key " + std::to_string(key));
            send_key(t.window, key);
            break;
        }
        case 3: {
            const int deltas[] = {-240, -WHEEL_DELTA, -1, 1, WHEEL_DELTA, 360};
            wheel(deltas[pick(0, 5)]);
            break;
        }
        case 4: {
            const int d = pick(0, 9);
            note("double-click key " + std::to_string(d));
            double_click(t.digit_key(d));
            break;
        }
        case 5:
            note("double-click window");
            send(t.window, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(40, 40));
            break;
        default:
            note("click window");
            send(t.window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(40, 40));
            send(t.window, WM_LBUTTONUP, 0, MAKELPARAM(40, 40));
            break;
        }
    }

    void noise(int count, Expect expect) {
        for (int i = 0; i < count; ++i) {
            one_noise();
            expect_title(expect);
        }
    }

    // Only the wheel: other input would drop the paused run.
    void noise_while_paused(int count) {
        for (int i = 0; i < count; ++i) {
            const int deltas[] = {-WHEEL_DELTA, WHEEL_DELTA, -1};
            wheel(deltas[pick(0, 2)]);
            expect_title(Expect::countdown);
        }
    }

    void expect_title(Expect expect) {
        const std::wstring title = t.title();
        EXPECT_TRUE(sane_title(title))
            << "title \"" << widen_to_utf8(title) << "\"; " << recent_inputs();
        if (expect == Expect::sane)
            return;
        if (expect == Expect::countdown) {
            // Only while the run of 00.01 is still under way: once the alarm has started,
            // digits show other set times.
            const long alarms = started_alarms();
            update();
            if (started_alarms() != alarms || alarm_sounding())
                return;
        }
        const bool ok = expect == Expect::set_time ? title == L"00.01"
                        : expect == Expect::zero   ? title == L"00.00"
                                                   : title == L"00.01" || title == L"00.00";
        EXPECT_TRUE(ok) << "title \"" << widen_to_utf8(title) << "\"; " << recent_inputs();
    }

    static std::string widen_to_utf8(const std::wstring& w) {
        std::string s;
        for (wchar_t c : w)
            s += c < 0x80 ? static_cast<char>(c) : '?';
        return s;
    }

    TracedTimerRun& t;
    ObjectLedger ledger;
    std::mt19937& rng;
    std::deque<std::string> inputs;
};

void soak(const Kind& kind, const CalledFrom& = {}) {
    const int cycles = long_form() ? 200 : 6, warm_up = 3;
    const std::uint32_t random_start =
        soak_random_start() + kind.alarm_time_ms + (kind.wave ? 1 : 0);
    std::printf("soak: %d cycles, alarm %u ms, %s, random start %u\n", cycles, kind.alarm_time_ms,
                kind.wave ? "wave file" : "beeps", random_start);
    std::fflush(stdout);
    std::mt19937 rng(random_start);

    TracedTimerRun t(object_calls(L"SetTimer;KillTimer").c_str(),
                     with_setting(settings_block::alarm_time_ms_at, kind.alarm_time_ms));
    ASSERT_NE(t.window, nullptr);
    if (kind.wave)
        write_test_wave(t.folder + L"\\chime.wav");
    EXPECT_EQ(t.title(), L"PlinkettWnd");
    Soak s(t, rng);

    std::map<std::string, long> after_warm_up;
    std::string warm_objects;
    for (int i = 0; i < cycles; ++i) {
        ASSERT_TRUE(s.cycle()) << "cycle " << i;
        if (i + 1 == warm_up) {
            ASSERT_TRUE(s.to_idle());
            after_warm_up = s.settled_objects();
            warm_objects = s.objects();
        }
        if (::testing::Test::HasFailure())
            break;
    }
    ASSERT_TRUE(s.to_idle());
    const auto after = s.settled_objects();
    EXPECT_EQ(after, after_warm_up) << "after " << warm_up << " cycles: " << warm_objects
                                    << "\nafter " << cycles << ": " << s.objects();
    EXPECT_GE(s.started_alarms(), cycles);
    std::printf("soak: %ld alarms; objects GDI %ld, USER %ld, kernel %ld\n", s.started_alarms(),
                after.at("GDI"), after.at("USER"), after.at("kernel"));
    EXPECT_EQ(t.close(), 0u);
}

} // namespace

TEST(Soak, CyclesWithoutAlarmTimeAndBeeps) {
    soak({0, false});
}

TEST(Soak, CyclesWithoutAlarmTimeAndAWaveFile) {
    soak({0, true});
}

TEST(Soak, CyclesWithATenthOfASecondOfBeeps) {
    soak({100, false});
}

TEST(Soak, CyclesWithATenthOfASecondOfAWaveFile) {
    soak({100, true});
}
