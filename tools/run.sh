#!/usr/bin/env bash
# Builds both programs and starts the timer under Wine. With an X display (DISPLAY set) the
# timer opens there and this script waits until it is closed; without one it runs under a
# private Xvfb, writes a PNG screenshot of the window and says where.
set -euo pipefail
cd "$(dirname "$0")/.."
. tools/common.sh
build_shipped
echo "built: $PWD/$build/Plinkett.exe and $PWD/$build/PlinkettProperty.exe (32-bit Windows)"
select_runnable_build --target Plinkett PlinkettProperty snap

if [ -n "${DISPLAY:-}" ]; then
  keep_display=1 start_wine_session wineprefix-run
  exec tools/wine-run.sh "$PWD/$run_build/Plinkett.exe"
fi
start_wine_session wineprefix-run
tools/wine-run.sh "$PWD/$run_build/Plinkett.exe" &
shot=$PWD/$run_build/plinkett.png
tools/wine-run.sh "$PWD/$run_build/tests/tools/snap.exe" PlinkettWnd "Z:${shot//\//\\}.bmp"
python3 tools/bmp2png.py "$shot.bmp" "$shot"
rm -f "$shot.bmp"
echo "no display: the timer ran under Xvfb; screenshot of its window: $shot"
