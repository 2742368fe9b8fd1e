#!/usr/bin/env bash
# Starts a private Xvfb on a free display and prints the display name; its framebuffer is
# kept as an XWD file in STATE_DIR (for screenshots). `--stop STATE_DIR` ends it.
set -euo pipefail
if [ "${1:-}" = --stop ]; then
  [ -f "$2/pid" ] && kill "$(cat "$2/pid")" 2>/dev/null || true
  rm -f "$2/pid"
  exit 0
fi
state=$1
mkdir -p "$state"
for n in $(seq 90 140); do
  [ -e /tmp/.X$n-lock ] && continue
  Xvfb ":$n" -screen 0 1024x768x24 -fbdir "$state" -nolisten tcp >/dev/null 2>&1 &
  pid=$!
  for _ in $(seq 50); do
    [ -e "/tmp/.X11-unix/X$n" ] && break
    sleep 0.1
  done
  if kill -0 "$pid" 2>/dev/null; then
    echo "$pid" > "$state/pid"
    echo ":$n"
    exit 0
  fi
done
echo "no free X display" >&2
exit 1
