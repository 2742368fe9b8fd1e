#!/usr/bin/env bash
# Builds both programs and starts the timer under Wine. With an X display (DISPLAY set) the
# timer opens there and this script waits until it is closed; without one it runs under a
# private Xvfb, writes a PNG screenshot of the window and says where.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
tools/install-deps.sh

jobs=$(nproc)
cmake -S . -B build -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-mingw-i686.cmake >/dev/null
cmake --build build -j"$jobs"
echo "built: $root/build/Plinkett.exe and $root/build/PlinkettProperty.exe (32-bit Windows)"

if tools/can-run-32bit.sh; then
  run_build=build wine_arch=win32
else
  echo "note: this machine cannot execute 32-bit programs; starting the 64-bit build of the same sources"
  run_build=build-x64 wine_arch=win64
  cmake -S . -B build-x64 -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-mingw-x86_64.cmake \
        -DPLINKETT_SHIPPED_DIR="$root/build" >/dev/null
  cmake --build build-x64 -j"$jobs" --target Plinkett PlinkettProperty snap
fi

export WINEPREFIX=$root/$run_build/wineprefix-run
stop_xvfb=
if [ -z "${DISPLAY:-}" ]; then
  DISPLAY=$(tools/start-xvfb.sh "$root/$run_build/xvfb-run")
  export DISPLAY
  stop_xvfb=1
  trap 'wineserver -k 2>/dev/null || true; tools/start-xvfb.sh --stop "$root/$run_build/xvfb-run"' EXIT
fi
[ -d "$WINEPREFIX/drive_c" ] || tools/wine-prefix.sh "$WINEPREFIX" "$wine_arch"

if [ -z "$stop_xvfb" ]; then
  exec tools/wine-run.sh "$root/$run_build/Plinkett.exe"
fi
tools/wine-run.sh "$root/$run_build/Plinkett.exe" &
shot=$root/$run_build/plinkett.png
tools/wine-run.sh "$root/$run_build/tests/tools/snap.exe" PlinkettWnd "Z:${shot//\//\\}.bmp"
python3 tools/bmp2png.py "$shot.bmp" "$shot"
rm -f "$shot.bmp"
echo "no display: the timer ran under Xvfb; screenshot of its window: $shot"
