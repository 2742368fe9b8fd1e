#!/usr/bin/env bash
# Installs what building and testing need on a Debian 12 machine (run as root).
# Idempotent: quiet and quick when everything is already there.
set -euo pipefail

need=()
have() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'install ok installed'; }

# The shipped programs are 32-bit; the 64-bit cross compiler and Wine build a twin of them
# for machines whose kernel cannot run 32-bit code (see README, "Testing"). The native g++
# builds the sanitized fuzz test of the editor's byte work.
# x11-utils gives xprop, through which the icon test reads the window icon the X server holds.
pkgs=(cmake make python3 g++ g++-mingw-w64-i686-posix mingw-w64-i686-dev
      g++-mingw-w64-x86-64-posix mingw-w64-x86-64-dev
      wine wine64 wine32:i386 xvfb xauth x11-utils googletest fonts-noto-cjk)
for p in "${pkgs[@]}"; do have "$p" || need+=("$p"); done
[ ${#need[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -ne 0 ]; then
  echo "missing packages: ${need[*]} (run this script as root to install them)" >&2
  exit 1
fi
echo "installing: ${need[*]}"
export DEBIAN_FRONTEND=noninteractive
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  dpkg --add-architecture i386
fi
apt-get update -qq
apt-get install -y -qq --no-install-recommends "${need[@]}" >/dev/null
