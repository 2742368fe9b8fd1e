# Shared by run.sh, test.sh and bench.sh: build, pick the build that can run here, and give
# Wine a private prefix and X display. Source it from the repository root.

# PLINKETT_BUILD names the build folder, so that several work trees or runs can coexist.
build=${PLINKETT_BUILD:-build}
jobs=$(nproc)

build_shipped() {
  tools/install-deps.sh
  cmake -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-mingw-i686.cmake >/dev/null
  cmake --build "$build" -j"$jobs" "$@"
}

# Sets run_build and wine_arch. Where the kernel cannot execute 32-bit code (no IA-32
# emulation), 32-bit Wine cannot start: the same sources are then built as a 64-bit twin,
# which is what runs, while the shipped 32-bit files are still what gets measured and checked.
select_runnable_build() {
  if tools/can-run-32bit.sh; then
    run_build=$build wine_arch=win32
  else
    echo "note: this machine cannot execute 32-bit programs; running the 64-bit build of the same sources"
    run_build=$build-x64 wine_arch=win64
    cmake -S . -B "$run_build" -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-mingw-x86_64.cmake \
          -DPLINKETT_SHIPPED_DIR="$PWD/$build" >/dev/null
    cmake --build "$run_build" -j"$jobs" "$@"
  fi
}

# Starts a private Xvfb (unless keep_display=1 and DISPLAY is set) and makes a fresh prefix
# named $1 inside the runnable build; both end when the shell exits. With lanes=N (N > 1),
# lanes 1 to N-1 get a prefix "$1-laneK" and an X display of their own beside them, for the
# tests that CTest runs side by side (tests/CMakeLists.txt, lanes.json written here):
# tools/wine-run.sh starts a test of lane K there. Each lane has its own Wine server, so
# registry settings and global hooks of one test never reach another.
start_wine_session() {
  export WINEPREFIX=$PWD/$run_build/$1
  local xdir=$PWD/$run_build/xvfb-$1 cleanup="wineserver -k 2>/dev/null || true" k
  if [ "${keep_display:-}" != 1 ] || [ -z "${DISPLAY:-}" ]; then
    DISPLAY=$(tools/start-xvfb.sh "$xdir")
    export DISPLAY
    cleanup="$cleanup; tools/start-xvfb.sh --stop '$xdir'"
  fi
  local ids='{"id": "0", "slots": 1}'
  export PLINKETT_LANE_DISPLAYS=""
  for ((k = 1; k < ${lanes:-1}; k++)); do
    PLINKETT_LANE_DISPLAYS="$PLINKETT_LANE_DISPLAYS $(tools/start-xvfb.sh "$xdir-lane$k")"
    cleanup="$cleanup; WINEPREFIX='$WINEPREFIX-lane$k' wineserver -k 2>/dev/null || true"
    cleanup="$cleanup; tools/start-xvfb.sh --stop '$xdir-lane$k'"
    ids="$ids, {\"id\": \"$k\", \"slots\": 1}"
  done
  trap "$cleanup" EXIT
  for ((k = 1; k < ${lanes:-1}; k++)); do
    tools/wine-prefix.sh "$WINEPREFIX-lane$k" "$wine_arch" &
  done
  tools/wine-prefix.sh "$WINEPREFIX" "$wine_arch"
  wait
  printf '{"version": {"major": 1, "minor": 0}, "local": [{"lane": [%s]}]}\n' "$ids" \
    > "$PWD/$run_build/lanes.json"
}

# What the test and benchmark programs read to find the programs.
export_program_dirs() {
  export PLINKETT_BUILD_DIR=$PWD/$run_build PLINKETT_SHIPPED_DIR=$PWD/$build PLINKETT_SOURCE_DIR=$PWD
}
