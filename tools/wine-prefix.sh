#!/usr/bin/env bash
# Makes a fresh Wine prefix for one test run: boots it once, turns off the crash dialog
# (a crash must fail a test, not wait for a click) and waits until its server has finished.
# Usage: wine-prefix.sh PREFIX win32|win64
set -euo pipefail
prefix=$1 arch=$2
rm -rf "$prefix"
mkdir -p "$(dirname "$prefix")"
export WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES=mscoree,mshtml=
if [ "$arch" = win64 ]; then loader=/usr/lib/wine/wine64; else loader=wine; export WINEARCH=win32; fi
"$loader" wineboot -i >/dev/null 2>&1
"$loader" reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
wineserver -w
