#!/usr/bin/env bash
# Builds the editor's byte work natively with the address and undefined-behaviour sanitizers
# and runs it over random files. Usage: tests/native/run.sh [iterations [start]]
# (defaults: 1000 files, a fixed random start). The build goes to $PLINKETT_BUILD-native.
set -euo pipefail
cd "$(dirname "$0")/../.."
out=${PLINKETT_BUILD:-build}-native
mkdir -p "$out"
g++ -std=c++17 -g -O1 -Wall -Wextra -Wshadow -Werror -fsanitize=address,undefined -fno-sanitize-recover=all \
    -fno-omit-frame-pointer -Ieditor -Icommon \
    tests/native/patcher_fuzz.cpp editor/patcher.cpp editor/replace_policy.cpp common/settings_block.cpp \
    -o "$out/patcher_fuzz"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=0 "$out/patcher_fuzz" "$@"
