#!/usr/bin/env bash
# Builds everything and runs every test: the unit tests and the end-to-end driver under Wine
# with a private prefix and a private X display (Xvfb), plus the placement check of the
# shipped 32-bit timer. Extra arguments go to ctest (e.g. -R Startup).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
tools/install-deps.sh

# PLINKETT_BUILD names the build folder, so that several work trees or runs can coexist.
build=${PLINKETT_BUILD:-build}
jobs=$(nproc)
cmake -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-mingw-i686.cmake >/dev/null
cmake --build "$build" -j"$jobs"

# The tests run the programs. Where the kernel cannot execute 32-bit code (no IA-32
# emulation), 32-bit Wine cannot start; the same sources are then built and tested as a
# 64-bit twin, while the placement of the shipped 32-bit file is still checked.
if tools/can-run-32bit.sh; then
  test_build=$build wine_arch=win32
else
  echo "note: this machine cannot execute 32-bit programs; testing the 64-bit build of the same sources"
  test_build=$build-x64 wine_arch=win64
  cmake -S . -B "$test_build" -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-mingw-x86_64.cmake \
        -DPLINKETT_SHIPPED_DIR="$root/$build" >/dev/null
  cmake --build "$test_build" -j"$jobs"
fi

export WINEPREFIX=$root/$test_build/wineprefix
display=$(tools/start-xvfb.sh "$root/$test_build/xvfb")
trap 'tools/start-xvfb.sh --stop "$root/$test_build/xvfb"; WINEPREFIX=$WINEPREFIX wineserver -k 2>/dev/null || true' EXIT
export DISPLAY=$display
tools/wine-prefix.sh "$WINEPREFIX" "$wine_arch"
ctest --test-dir "$test_build" --output-on-failure -j"$jobs" "$@"
