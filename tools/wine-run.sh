#!/usr/bin/env bash
# Runs a Windows program under Wine: the 32- or 64-bit loader by the program's PE machine
# type, in the prefix named by WINEPREFIX (tools/test.sh makes a private one per test run).
set -euo pipefail
exe=$1
# A test that CTest gave lane 1 (tests/CMakeLists.txt) runs in the second prefix and display.
if [ -n "${PLINKETT_LANE1_PREFIX:-}" ] && [[ ${CTEST_RESOURCE_GROUP_0_LANE:-} == id:1,* ]]; then
  export WINEPREFIX=$PLINKETT_LANE1_PREFIX DISPLAY=$PLINKETT_LANE1_DISPLAY
fi
machine=$(python3 -c '
import struct,sys
d=open(sys.argv[1],"rb").read(0x400)
off=struct.unpack_from("<I",d,0x3c)[0]
print(hex(struct.unpack_from("<H",d,off+4)[0]))' "$exe")
if [ "$machine" = 0x8664 ]; then loader=/usr/lib/wine/wine64; else loader=wine; fi
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
exec "$loader" "$@"
