#!/usr/bin/env bash
# Builds everything and runs every test: the unit tests and the end-to-end driver under Wine
# with a private prefix and X display, the placement check of the shipped 32-bit timer and the
# artwork check, four at a time in four Wine lanes (see start_wine_session): the tests mostly
# wait on windows and processes, so even two cores keep four of them going. Extra arguments go to
# ctest (e.g. -R Startup).
set -euo pipefail
cd "$(dirname "$0")/.."
. tools/common.sh
build_shipped
select_runnable_build
lanes=4 start_wine_session wineprefix
ctest --test-dir "$run_build" --output-on-failure -j4 \
  --resource-spec-file "$PWD/$run_build/lanes.json" "$@"
