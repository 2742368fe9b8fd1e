// Drift of whole countdowns. Ten minutes each (plus a five-minute pause for the second kind)
// is too long to repeat one after the other, so the runs go side by side: PLINKETT_BENCH_RUNS
// timers of each kind, each in its own process, started a moment apart.
#include <gtest/gtest.h>

#include <memory>

#include "bench_util.h"

using namespace bench;

namespace {

struct Countdown {
    std::unique_ptr<TimerRun> timer;
    DWORD started = 0, stopped = 0, resumed = 0, zero = 0;
    bool pauses = false;
};

int runs() {
    const int n = atoi(env("PLINKETT_BENCH_RUNS").c_str());
    return n > 0 ? n : 3;
}

} // namespace

TEST(Drift, CountdownsWithAndWithoutAPause) {
    const DWORD total = quick() ? 20000 : 600000, pause = quick() ? 5000 : 300000;
    std::vector<Countdown> all(static_cast<std::size_t>(2 * runs()));
    for (std::size_t i = 0; i < all.size(); ++i) {
        all[i].pauses = i % 2 == 1;
        all[i].timer = std::make_unique<TimerRun>();
        ASSERT_NE(all[i].timer->window, nullptr);
        key_in(all[i].timer->window, quick() ? "0020" : "1000");
    }
    for (auto& c : all) {
        c.started = GetTickCount();
        send_key(c.timer->window, VK_RETURN);
    }
    // Poll every timer each millisecond; pause and resume the pausing ones at their marks.
    for (;;) {
        bool pending = false;
        for (auto& c : all) {
            if (c.zero != 0)
                continue;
            pending = true;
            const DWORD now = GetTickCount();
            if (c.pauses && c.stopped == 0 && now - c.started >= total / 2) {
                c.stopped = GetTickCount();
                send_key(c.timer->window, VK_RETURN);
            } else if (c.pauses && c.stopped != 0 && c.resumed == 0 && now - c.stopped >= pause) {
                c.resumed = GetTickCount();
                send_key(c.timer->window, VK_RETURN);
            } else if (c.timer->title() == L"00.00") {
                c.zero = now;
            }
        }
        if (!pending)
            break;
        ASSERT_LT(GetTickCount() - all[0].started, total + pause + 20000)
            << "a countdown never ended";
        Sleep(1);
    }
    for (const auto& c : all) {
        const DWORD paused_for = c.pauses ? c.resumed - c.stopped : 0;
        report(c.pauses ? "drift_with_pause_ms" : "drift_ms",
               static_cast<double>(static_cast<LONG>(c.zero - (c.started + total + paused_for))),
               "ms");
    }
}
