#!/usr/bin/env bash
# Builds the program and its tests for i686 and x86_64 and runs every test
# under Wine, each architecture in a throw-away prefix on a virtual display.
# Installs what is missing first (needs root for that).
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
"$here/scripts/install-deps.sh"

status=0
for arch in ${SENDTO_ARCHES:-i686 x86_64}; do
    build="$here/build/$arch"
    "$here/scripts/build.sh" "$arch" "$build"
    # An import that Windows 7 lacks would stop the exe from starting there.
    "$here/scripts/check-imports.sh" "$build/SendTo.exe" || status=1
    winearch=win32; [ "$arch" = x86_64 ] && winearch=win64
    echo "== tests ($arch) =="
    "$here/scripts/with-wine.sh" "$build/wine" "$winearch" "$build/tests/wine_idle.exe" -- \
        ctest --test-dir "$build" --output-on-failure || status=1
    # The benchmarks take minutes under Wine: once, on the primary target.
    if [ "$arch" = i686 ]; then
        echo "== benchmarks ($arch) =="
        for bench in list_bench startup_bench; do
            "$here/scripts/with-wine.sh" "$build/wine" "$winearch" "$build/tests/wine_idle.exe" -- \
                wine "$build/bench/$bench.exe" || status=1
        done
    fi
done
# Release files in dist/, then the same again from another folder, byte for byte.
"$here/scripts/package.sh"
"$here/scripts/check-reproducible.sh" || status=1
exit $status
