#!/usr/bin/env python3
"""Gathers "BENCH name value unit" lines from benchmark runs into a Markdown table:
median and worst of each figure, beside its goal."""
import argparse
import statistics

# name: (what it is, goal, True when larger is worse)
FIGURES = {
    "second_lag_p50_ms": ("title change after each second boundary, median", "", True),
    "second_lag_p99_ms": ("title change after each second boundary, p99", "within two tick steps (~33 ms)", True),
    "second_lag_max_ms": ("title change after each second boundary, max", "none above 50 ms", True),
    "tick_step_ms": ("GetTickCount step seen in the same run", "", True),
    "drift_ms": ('10-minute countdown: "00.00" minus 600 s after START', "within 20 ms", True),
    "drift_with_pause_ms": ("10-minute countdown with a 5-minute pause, pause excluded", "within 20 ms", True),
    "cpu_idle_percent": ("CPU idle, % of one core", "under 0.05 %", True),
    "cpu_counting_percent": ("CPU while counting down, % of one core", "under 2 %", True),
    "cpu_bare_1ms_timer_percent": ("the same for a bare window with a 1 ms timer doing nothing", "", True),
    "cpu_fair_floor_running_percent": ("the same for the fair floor running: the design's window and keys, a 1 ms timer reading the tick count", "", True),
    "cpu_counting_ratio_bare": ("CPU counting, timer / bare 1 ms-timer window", "at most 1.2", True),
    "cpu_counting_ratio_fair": ("CPU counting, timer / fair floor running", "at most 1.1", True),
    "startup_timer_ms": ("start to window shown with the keypad laid out", "", True),
    "startup_timer_preset_ms": ("the same started with a time (`Plinkett.exe 25m`), to the time set", "", True),
    "startup_preset_ratio": ("start-up, with a time / without, in the same run", "within the runs' spread", True),
    "startup_minimal_window_ms": ("minimal Win32 window program, same way", "", True),
    "startup_minimal_window_cc6_ms": ("the same with the Common Controls 6 manifest", "", True),
    "startup_ratio": ("start-up, timer / minimal window", "at most 1.3", True),
    "startup_ratio_cc6": ("start-up, timer / minimal window with the same manifest", "", True),
    "startup_fair_floor_ms": ("fair floor: the design's window and eleven CC6 text buttons, same way", "", True),
    "startup_ratio_fair": ("start-up, timer / fair floor", "at most 1.15", True),
    "tick_count": ("countdown ticks timed for the tick figures", "", False),
    "tick_median_us": ("one countdown tick that changes nothing on the screen (median tick)", "", True),
    "tick_p90_us": ("countdown tick, 90th percentile", "", True),
    "second_tick_count": ("countdown ticks that changed the time shown, timed", "", False),
    "second_tick_median_us": ("one countdown tick that changes the time: icon, title, display (median)", "", True),
    "second_tick_p90_us": ("countdown tick that changes the time, 90th percentile", "", True),
    "timer_working_set_kb": ("timer working set", "", True),
    "timer_private_kb": ("timer private bytes", "", True),
    "editor_working_set_kb": ("editor working set", "", True),
    "editor_private_kb": ("editor private bytes", "", True),
    "timer_exe_kb": ("Plinkett.exe size (32-bit, shipped)", "under 160 KB", True),
    "editor_exe_kb": ("PlinkettProperty.exe size (32-bit, shipped)", "under 160 KB", True),
    "alarm_stop_wave_ms": ("Enter during a wave alarm to its PlaySoundW stop (relay log timestamps), median", "within one round: 15 ms", True),
    "alarm_shown_wave_ms": ("Enter during a wave alarm to the set time as the title, median", "within one round: 15 ms", True),
    "alarm_shown_beep_ms": ("Enter during a beep alarm to the set time as the title, median", "within one round: 135 ms (100 ms beep + 20 ms interval + 15 ms)", True),
    "handles_toggle_count": ("START/STOP toggles done for the handles_toggle figures", "10000", False),
    "handles_toggle_seconds": ("time the toggles took under relay logging", "", True),
    "handles_toggle_gdi": ("GDI objects of the timer's own code after the toggles", "", True),
    "handles_toggle_user": ("USER objects of the timer's own code after the toggles", "", True),
    "handles_toggle_kernel": ("kernel objects of the timer's own code after the toggles", "", True),
    "handles_toggle_gdi_delta": ("GDI objects after the toggles minus after the first few", "0", True),
    "handles_toggle_user_delta": ("USER objects after the toggles minus after the first few", "0", True),
    "handles_toggle_kernel_delta": ("kernel objects after the toggles minus after the first few", "0", True),
    "handles_alarm_count": ("countdowns of 00.01 with a 100 ms alarm done for the handles_alarm figures", "200", False),
    "handles_alarm_gdi": ("GDI objects of the timer's own code after the countdowns", "", True),
    "handles_alarm_user": ("USER objects of the timer's own code after the countdowns", "", True),
    "handles_alarm_kernel": ("kernel objects of the timer's own code after the countdowns", "", True),
    "handles_alarm_gdi_delta": ("GDI objects after the countdowns minus after the first three", "0", True),
    "handles_alarm_user_delta": ("USER objects after the countdowns minus after the first three", "0", True),
    "handles_alarm_kernel_delta": ("kernel objects after the countdowns minus after the first three", "0", True),
}


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--arch", default="win32")
    parser.add_argument("--runs", type=int, default=1)
    parser.add_argument("files", nargs="+")
    args = parser.parse_args()
    values, units, order = {}, {}, []
    for path in args.files:
        for line in open(path, encoding="utf-8", errors="replace"):
            parts = line.split(maxsplit=3)
            if len(parts) >= 3 and parts[0] == "BENCH":
                name = parts[1]
                if name not in values:
                    order.append(name)
                values.setdefault(name, []).append(float(parts[2]))
                units[name] = parts[3].strip() if len(parts) > 3 else ""
    print("# Benchmarks\n")
    print(f"Measured with `tools/bench.sh` ({args.runs} runs) under Wine + Xvfb on a 2-core "
          f"machine ({'64-bit twin of the programs: this machine cannot execute 32-bit code' if args.arch == 'win64' else '32-bit programs'}). "
          "Median and worst of the runs; worst is the largest absolute value.\n")
    print("| figure | what | median | worst | unit | goal |")
    print("|---|---|---|---|---|---|")
    for name in order:
        v = values[name]
        what, goal, _ = FIGURES.get(name, (name, "", True))
        if name.startswith("step_") and name not in FIGURES:
            what = (f"start-up step {name[5:-3]}, ms after the step before"
                    if name != "step_entry_ms" else "process created to the program's entry point")
        worst = max(v, key=abs)
        print(f"| `{name}` | {what} | {statistics.median(v):.2f} | {worst:.2f} | {units[name]} | {goal} |")


if __name__ == "__main__":
    main()
