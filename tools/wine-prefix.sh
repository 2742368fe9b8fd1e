#!/usr/bin/env bash
# Makes a fresh Wine prefix for one test run: boots it once, turns off the crash dialog
# (a crash must fail a test, not wait for a click), links a CJK font to the UI fonts (Wine's
# own UI fonts have no Japanese glyphs) and waits until its server has finished.
# Usage: wine-prefix.sh PREFIX win32|win64
set -euo pipefail
prefix=$1 arch=$2
rm -rf "$prefix"
mkdir -p "$(dirname "$prefix")"
export WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES=mscoree,mshtml=
if [ "$arch" = win64 ]; then loader=/usr/lib/wine/wine64; else loader=wine; export WINEARCH=win32; fi
"$loader" wineboot -i >/dev/null 2>&1
"$loader" reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
cjk="NotoSansCJK-Regular.ttc,Noto Sans CJK JP"
for face in Tahoma 'MS Shell Dlg' 'MS Shell Dlg 2' 'Microsoft Sans Serif' 'MS Sans Serif' System; do
  "$loader" reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink' \
    /v "$face" /t REG_MULTI_SZ /d "$cjk" /f >/dev/null 2>&1
done
wineserver -w
