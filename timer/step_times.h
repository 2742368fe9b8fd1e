// Start-up steps and tick costs, timed in a benchmark-only build of the timer (compiled with
// PLINKETT_STEP_TIMES, see tests/bench). In the shipped program every call here is empty.
#pragma once

#ifdef PLINKETT_STEP_TIMES
// Notes that the start-up step `name` has just ended.
void step_done(const char* name);
// Around the handling of one WM_TIMER, given the time text shown: the ticks that change it
// (once a second) are timed apart from those that change nothing on the screen.
void tick_begin(const wchar_t* shown);
void tick_end(const wchar_t* shown);
// At exit: "step-times.txt" in the current folder, one "name milliseconds" line per step (the
// first from the process's creation), then the median and 90th percentile of both kinds of tick.
void write_step_times();
#else
inline void step_done(const char*) {}
inline void tick_begin(const wchar_t*) {}
inline void tick_end(const wchar_t*) {}
inline void write_step_times() {}
#endif
