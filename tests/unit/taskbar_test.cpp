// What the taskbar button shows for the engine's state and the drawn bar, which calls bring it
// there, and when an alarm starts or stops the flashing.
#include <gtest/gtest.h>

#include "taskbar.h"
#include "test_support.h"

namespace {

constexpr EngineState idle{false, false, false, false};
constexpr EngineState counting{true, false, false, false};
constexpr EngineState paused{false, true, false, false};
constexpr EngineState alarm{false, false, true, false};

TaskbarProgress progress_at(const EngineState& engine, double share, const RECT& bar = design_bar) {
    return taskbar_progress(engine, bar, plan_progress_bar(bar, share, true, 10));
}

std::string describe(const TaskbarProgress& p) {
    return std::to_string(static_cast<int>(p.state)) + " " + std::to_string(p.completed) + "/" +
           std::to_string(p.total);
}

} // namespace

TEST(TaskbarProgress, ACountdownShowsItsDrawnChunkOutOfAFullOne) {
    struct Case {
        EngineState engine;
        double share;
        TaskbarState state;
        int completed;
    } cases[] = {
        {counting, 0.0, TaskbarState::normal, 0},
        {counting, 0.003, TaskbarState::normal, 0}, // drawn as an empty chunk
        {counting, 0.5, TaskbarState::normal, 156}, // chunk x 11..166
        {counting, 1.0, TaskbarState::normal, 312},
        {counting, 1.02, TaskbarState::normal, 312}, // the last tick passes the end a little
        {paused, 0.5, TaskbarState::paused, 156},
        {paused, 0.0, TaskbarState::paused, 0},
    };
    for (const Case& c : cases) {
        const TaskbarProgress p = progress_at(c.engine, c.share);
        EXPECT_EQ(p.state, c.state) << c.share;
        EXPECT_EQ(p.completed, c.completed) << c.share;
        EXPECT_EQ(p.total, 312) << c.share;
    }
    // Shares that draw the same chunk give the same value: the value moves with the pixels.
    EXPECT_EQ(describe(progress_at(counting, 0.5)), describe(progress_at(counting, 0.5015)));
    EXPECT_NE(describe(progress_at(counting, 0.5)), describe(progress_at(counting, 0.504)));
}

TEST(TaskbarProgress, AlarmIsFullAndAnErrorIdleAndCountUpShowNothing) {
    // A digit keyed in during the alarm empties the bar; the alarm still sounds.
    for (double share : {0.0, 1.0}) {
        const TaskbarProgress p = progress_at(alarm, share);
        EXPECT_EQ(p.state, TaskbarState::error);
        EXPECT_EQ(p.completed, 312);
        EXPECT_EQ(p.total, 312);
    }
    const EngineState counting_up{true, false, false, true};
    const EngineState paused_up{false, true, false, true};
    for (const EngineState& engine : {idle, counting_up, paused_up})
        EXPECT_EQ(progress_at(engine, 0.0).state, TaskbarState::none);
}

TEST(TaskbarProgress, ABarSqueezedToNothingStillGivesAValidFraction) {
    for (const RECT& bar : {RECT{10, 100, 11, 101}, RECT{10, 100, 12, 110}, RECT{10, 100, 9, 90}}) {
        for (const EngineState& engine : {counting, alarm}) {
            const TaskbarProgress p = progress_at(engine, 1.0, bar);
            EXPECT_GE(p.total, 1);
            EXPECT_GE(p.completed, 0);
            EXPECT_LE(p.completed, p.total);
        }
    }
}

TEST(TaskbarCalls, OnlyWhatChangedIsSentAndTheStateFirst) {
    const TaskbarProgress none{TaskbarState::none, 0, 0};
    const TaskbarProgress half{TaskbarState::normal, 156, 312};
    struct Case {
        const char* what;
        TaskbarProgress shown, wanted;
        bool set_state, set_value;
    } cases[] = {
        {"idle stays idle", none, none, false, false},
        {"START shows the value", none, {TaskbarState::normal, 0, 312}, true, true},
        {"the chunk grows", half, {TaskbarState::normal, 157, 312}, false, true},
        {"the same bar drawn again", half, half, false, false},
        {"the same share after a resize", half, {TaskbarState::normal, 78, 156}, false, false},
        {"STOP pauses", half, {TaskbarState::paused, 156, 312}, true, false},
        {"the wheel while paused",
         {TaskbarState::paused, 156, 312},
         {TaskbarState::paused, 100, 312},
         false,
         true},
        {"the alarm after a full bar",
         {TaskbarState::normal, 312, 312},
         {TaskbarState::error, 312, 312},
         true,
         false},
        {"the alarm ends", {TaskbarState::error, 312, 312}, none, true, false},
        {"a button made anew shows the value again", none, half, true, true},
    };
    for (const Case& c : cases) {
        const TaskbarCalls calls = taskbar_calls(c.shown, c.wanted);
        EXPECT_EQ(calls.set_state, c.set_state) << c.what;
        EXPECT_EQ(calls.set_value, c.set_value) << c.what;
    }
}

TEST(FlashChange, AnAlarmBehindOtherWindowsFlashesUntilItEnds) {
    EXPECT_EQ(flash_change(false, true, false, false), FlashChange::start);
    EXPECT_EQ(flash_change(false, true, true, false), FlashChange::none); // the timer in front
    EXPECT_EQ(flash_change(true, false, false, true), FlashChange::stop);
    EXPECT_EQ(flash_change(true, false, true, false), FlashChange::none); // never started
    EXPECT_EQ(flash_change(true, true, false, true), FlashChange::none);
    EXPECT_EQ(flash_change(false, false, false, false), FlashChange::none);
}
