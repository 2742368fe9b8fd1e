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
# named $1 inside the runnable build; both end when the shell exits. With lanes=2, a second
# prefix and display ("$1-lane1") are made beside them, for tests that CTest runs two at a time
# (tests/CMakeLists.txt): tools/wine-run.sh starts a test of lane 1 there. Each lane has its
# own Wine server, so registry settings and global hooks of one test never reach the other.
start_wine_session() {
  export WINEPREFIX=$PWD/$run_build/$1
  local xdir=$PWD/$run_build/xvfb-$1 cleanup="wineserver -k 2>/dev/null || true"
  if [ "${keep_display:-}" != 1 ] || [ -z "${DISPLAY:-}" ]; then
    DISPLAY=$(tools/start-xvfb.sh "$xdir")
    export DISPLAY
    cleanup="$cleanup; tools/start-xvfb.sh --stop '$xdir'"
  fi
  if [ "${lanes:-1}" = 2 ]; then
    export PLINKETT_LANE1_PREFIX=$WINEPREFIX-lane1
    PLINKETT_LANE1_DISPLAY=$(tools/start-xvfb.sh "$xdir-lane1")
    export PLINKETT_LANE1_DISPLAY
    cleanup="$cleanup; WINEPREFIX='$PLINKETT_LANE1_PREFIX' wineserver -k 2>/dev/null || true"
    cleanup="$cleanup; tools/start-xvfb.sh --stop '$xdir-lane1'"
    trap "$cleanup" EXIT
    tools/wine-prefix.sh "$PLINKETT_LANE1_PREFIX" "$wine_arch" &
    tools/wine-prefix.sh "$WINEPREFIX" "$wine_arch"
    wait $!
    printf '%s\n' '{"version": {"major": 1, "minor": 0},' \
      ' "local": [{"lane": [{"id": "0", "slots": 1}, {"id": "1", "slots": 1}]}]}' \
      > "$PWD/$run_build/lanes.json"
    return
  fi
  trap "$cleanup" EXIT
  tools/wine-prefix.sh "$WINEPREFIX" "$wine_arch"
}

# What the test and benchmark programs read to find the programs.
export_program_dirs() {
  export PLINKETT_BUILD_DIR=$PWD/$run_build PLINKETT_SHIPPED_DIR=$PWD/$build PLINKETT_SOURCE_DIR=$PWD
}
