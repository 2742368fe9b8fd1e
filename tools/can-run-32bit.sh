#!/usr/bin/env bash
# Succeeds when this machine can execute 32-bit x86 Linux programs, which 32-bit Wine needs.
[ -x /usr/lib/wine/wine ] && timeout 20 /usr/lib/wine/wine --version >/dev/null 2>&1
