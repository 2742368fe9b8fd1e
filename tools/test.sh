#!/usr/bin/env bash
# Builds everything and runs every test: the unit tests and the end-to-end driver under Wine
# with a private prefix and X display, the placement check of the shipped 32-bit timer and the
# artwork check, two at a time in two Wine lanes (see start_wine_session). Extra arguments go to
# ctest (e.g. -R Startup).
set -euo pipefail
cd "$(dirname "$0")/.."
. tools/common.sh
build_shipped
select_runnable_build
lanes=2 start_wine_session wineprefix
ctest --test-dir "$run_build" --output-on-failure -j2 \
  --resource-spec-file "$PWD/$run_build/lanes.json" "$@"
