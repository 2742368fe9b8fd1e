#!/usr/bin/env bash
# Runs the benchmarks of the real programs under Wine + Xvfb several times and writes the
# median and worst of every figure to BENCHMARKS.md. The whole countdowns of the drift figures
# run side by side, once; the others run PLINKETT_BENCH_RUNS times. About 35 minutes;
# PLINKETT_BENCH_QUICK=1 shortens each run to a couple of minutes (figures then not for the
# record). PLINKETT_BENCH_RUNS sets the number of runs (default 3); extra arguments go to the
# benchmark program (e.g. --gtest_filter=Bench.Drift). PLINKETT_BENCH_TIMER names another
# Plinkett.exe (an earlier build, say) to measure in place of this build's, against the same
# reference programs in the same session: before and after, side by side.
set -euo pipefail
cd "$(dirname "$0")/.."
. tools/common.sh
build_shipped
select_runnable_build
start_wine_session wineprefix-bench
export_program_dirs
runs=${PLINKETT_BENCH_RUNS:-3}
out=$PWD/$run_build/bench
rm -rf "$out" && mkdir -p "$out"
export PLINKETT_BENCH_RUNS=$runs
if [ -n "${PLINKETT_BENCH_TIMER:-}" ]; then
  # The programs the benchmarks find, with the other timer among them.
  shadow=$out/programs
  mkdir -p "$shadow/tests/bench"
  cp "$run_build"/PlinkettProperty.exe "$shadow/"
  cp "$run_build"/tests/bench/*.exe "$shadow/tests/bench/"
  cp "$PLINKETT_BENCH_TIMER" "$shadow/Plinkett.exe"
  export PLINKETT_BUILD_DIR=$shadow
fi
bench=$PWD/$run_build/tests/bench/plinkett_bench.exe
# PLINKETT_BENCH_FILTER runs only the benchmarks it names (a gtest filter), without the whole
# countdowns, and reports beside the runs rather than into BENCHMARKS.md.
filter=${PLINKETT_BENCH_FILTER:-Bench.*}
for i in $(seq "$runs"); do
  echo "benchmark run $i of $runs"
  tools/wine-run.sh "$bench" --gtest_filter="$filter" "$@" | tee "$out/run-$i.txt"
done
report=BENCHMARKS.md
if [ -z "${PLINKETT_BENCH_FILTER:-}" ]; then
  echo "whole countdowns, $runs of each kind side by side"
  tools/wine-run.sh "$bench" --gtest_filter='Drift.*' "$@" | tee "$out/run-drift.txt"
else
  report=$out/BENCHMARKS-filtered.md
fi
[ "${PLINKETT_BENCH_QUICK:-}" = 1 ] && report=$out/BENCHMARKS-quick.md
python3 tools/bench_report.py --arch "$wine_arch" --runs "$runs" "$out"/run-*.txt > "$report"
echo "wrote $report"
