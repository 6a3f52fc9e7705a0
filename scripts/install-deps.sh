#!/usr/bin/env bash
# Installs, once, the Debian packages that building and testing need:
# the mingw-w64 cross compilers, CMake, Wine (32 and 64 bit), a virtual X
# server and the GoogleTest sources. Safe to run again: it installs only
# what is missing.
set -euo pipefail

packages=(cmake make mingw-w64 wine wine64 wine32:i386 xvfb x11-utils xdotool
          imagemagick fonts-wine googletest python3 binutils-mingw-w64-i686
          gcc libx11-dev)

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -ne 0 ]; then
    echo "install-deps: missing packages (${missing[*]}); run as root to install them" >&2
    exit 1
fi
export DEBIAN_FRONTEND=noninteractive
if ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386
fi
log=$(mktemp)
trap 'rm -f "$log"' EXIT
# apt-get's output is shown only when it fails.
apt_get() {
    apt-get "$@" >"$log" 2>&1 && return 0
    tail -n 20 "$log" >&2
    echo "install-deps: apt-get $1 failed (above); the packages needed: ${missing[*]}" >&2
    exit 1
}
apt_get update -qq
apt_get install -y -qq --no-install-recommends "${missing[@]}"
