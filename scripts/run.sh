#!/usr/bin/env bash
# Builds the program (i686) and starts it under Wine. With a display, it runs
# in your own Wine prefix on your screen. Without one, it runs in a throw-away
# prefix on a virtual display, over a SendTo folder filled as a freshly
# installed Windows fills it; it prints the entries the window lists and saves
# a screenshot of the window.
# Installs what is missing first (needs root for that).
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
"$here/scripts/install-deps.sh"
build="$here/build/i686"
"$here/scripts/build.sh" i686 "$build" >/dev/null
exe="$build/SendTo.exe"

if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
    exec wine "$exe"
fi

cmake --build "$build" --target run_helper >/dev/null
shot="$here/build/screenshot.png"
entries="$here/build/screenshot-entries.txt"
"$here/scripts/with-wine.sh" "$here/build/run-wine" win32 -- bash -c '
    set -euo pipefail
    exe=$1 helper=$2 shot=$3 entries=$4
    # The SendTo folder is filled only in the prefix that with-wine.sh made.
    if [ ! -f "$WINEPREFIX/.sendto-test-prefix" ]; then
        echo "run.sh: $WINEPREFIX is not a throw-away prefix" >&2; exit 1
    fi
    # Extensions hidden, as Windows has it out of the box.
    wine reg add "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Advanced" \
        /v HideFileExt /t REG_DWORD /d 1 /f >/dev/null 2>&1
    wine "$helper" fill
    wine "$exe" >/dev/null 2>&1 &
    pid=$!
    wine "$helper" entries > "$entries"
    geometry=$(wine "$helper" geometry | tr -d "\r")
    sleep 1  # the window paints after it shows
    import -window root -display "$DISPLAY" -crop "$geometry" +repage "$shot"
    kill "$pid" 2>/dev/null || true
' _ "$exe" "$build/run_helper.exe" "$shot" "$entries"
echo "No display: the program ran on a virtual one, over a SendTo folder as Windows fills it."
echo "Screenshot: $shot"
echo "The window lists:"
sed 's/^/    /' "$entries"
