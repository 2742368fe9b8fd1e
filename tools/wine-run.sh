#!/usr/bin/env bash
# Runs a Windows program under Wine: the 32- or 64-bit loader by the program's PE machine
# type, in the prefix named by WINEPREFIX (tools/test.sh makes a private one per test run).
set -euo pipefail
exe=$1
# A test that CTest gave lane K > 0 (tests/CMakeLists.txt) runs in that lane's prefix and
# display (tools/common.sh, start_wine_session).
lane=${CTEST_RESOURCE_GROUP_0_LANE:-id:0,}
lane=${lane#id:}
lane=${lane%%,*}
if [ "$lane" -gt 0 ] 2>/dev/null; then
  read -r -a displays <<< "$PLINKETT_LANE_DISPLAYS"
  export WINEPREFIX=$WINEPREFIX-lane$lane DISPLAY=${displays[lane - 1]}
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
