#!/usr/bin/env bash
# Leaves the stripped i686 and x86_64 exes in dist/ and prints their sizes
# and the DLLs they import.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
mkdir -p "$here/dist"
for arch in i686 x86_64; do
    exe="$here/build/$arch/SendTo.exe"
    [ -f "$exe" ] || "$here/scripts/build.sh" "$arch"
    out="$here/dist/SendTo-$arch.exe"
    "$arch-w64-mingw32-strip" -o "$out" "$exe"
    printf '%s: %s bytes; imports: %s\n' "dist/SendTo-$arch.exe" "$(stat -c %s "$out")" \
        "$("$arch-w64-mingw32-objdump" -p "$out" | awk '/DLL Name/ {print $3}' | sort | tr '\n' ' ')"
done
