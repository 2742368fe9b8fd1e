#!/usr/bin/env bash
# Refreshes the README's pictures: docs/plinkett.png (the timer with 03.00 keyed in),
# docs/plinkett-200.png (the same at a display scale of 200 %), docs/plinkett-dark.png (a
# countdown of 3 s half a second in, with Windows' app colour mode dark) and
# docs/plinkett-property.png (the editor on a shipped Plinkett.exe), taken under Xvfb.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
. tools/common.sh
build_shipped
select_runnable_build --target Plinkett PlinkettProperty snap
start_wine_session wineprefix-shots
scratch=$PWD/$run_build/shots
rm -rf "$scratch" && mkdir -p "$scratch"
cp "$run_build/Plinkett.exe" "$run_build/PlinkettProperty.exe" "$scratch/"
winpath() { echo "Z:${1//\//\\}"; }
snap() { tools/wine-run.sh "$PWD/$run_build/tests/tools/snap.exe" "$@"; }

(cd "$scratch" && "$root/tools/wine-run.sh" Plinkett.exe) &
snap PlinkettWnd "$(winpath "$scratch/timer.bmp")" 20000 0300
python3 tools/bmp2png.py "$scratch/timer.bmp" docs/plinkett.png

# 200 %: Wine takes the display scale from LogPixels when a program starts.
wine_tool() { WINEDEBUG=-all "$( [ "$wine_arch" = win64 ] && echo /usr/lib/wine/wine64 || echo wine )" "$@" >/dev/null 2>&1; }
wine_tool taskkill /f /im Plinkett.exe || true
wine_tool reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d 192 /f
(cd "$scratch" && "$root/tools/wine-run.sh" Plinkett.exe) &
snap PlinkettWnd "$(winpath "$scratch/timer-200.bmp")" 20000 0300
python3 tools/bmp2png.py "$scratch/timer-200.bmp" docs/plinkett-200.png
wine_tool taskkill /f /im Plinkett.exe || true
wine_tool reg delete 'HKCU\Control Panel\Desktop' /v LogPixels /f

# Dark: Windows' app colour mode, read by the timer at start.
personalize='HKCU\Software\Microsoft\Windows\CurrentVersion\Themes\Personalize'
wine_tool reg add "$personalize" /v AppsUseLightTheme /t REG_DWORD /d 0 /f
(cd "$scratch" && "$root/tools/wine-run.sh" Plinkett.exe) &
snap PlinkettWnd "$(winpath "$scratch/timer-dark.bmp")" 20000 $'0003\r'
python3 tools/bmp2png.py "$scratch/timer-dark.bmp" docs/plinkett-dark.png
wine_tool taskkill /f /im Plinkett.exe || true
wine_tool reg delete "$personalize" /v AppsUseLightTheme /f

# The editor's labels are Japanese: give Wine's UI fonts a font that has the glyphs.
WINELOADER=$( [ "$wine_arch" = win64 ] && echo /usr/lib/wine/wine64 || echo wine ) tools/wine-cjk-link.sh
(cd "$scratch" && "$root/tools/wine-run.sh" PlinkettProperty.exe) &
snap MainApp "$(winpath "$scratch/editor.bmp")" 20000
python3 tools/bmp2png.py "$scratch/editor.bmp" docs/plinkett-property.png
echo "wrote docs/plinkett.png, docs/plinkett-200.png, docs/plinkett-dark.png and docs/plinkett-property.png"
