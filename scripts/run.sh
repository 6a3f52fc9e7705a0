#!/usr/bin/env bash
# Builds the program and starts it under Wine: the i686 build, or the x86_64
# build on a machine that cannot run 32-bit programs. With a display, it runs
# in your own Wine prefix on your screen. Without one, it runs in a
# throw-away prefix on a virtual display, over a SendTo folder filled as a
# freshly installed Windows fills it; it prints the entries the window lists
# and saves a screenshot of the window.
# Installs what is missing first (needs root for that).
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
# shellcheck source=wine-env.sh
. "$here/scripts/wine-env.sh"
"$here/scripts/install-deps.sh"

fail() {
    echo "run.sh: $*" >&2
    exit 1
}

arch=i686
if ! wine_runs i686; then
    echo "run.sh: running the x86_64 build: i686 cannot run here, $wine_not_run_reason."
    arch=x86_64
    wine_runs x86_64 || fail "x86_64 cannot run here either: $wine_not_run_reason"
fi
build="$here/build/$arch"
mkdir -p "$build"
log="$build/run-build.log"
if ! "$here/scripts/build.sh" "$arch" "$build" >"$log" 2>&1 ||
    ! cmake --build "$build" --target run_helper >>"$log" 2>&1; then
    tail -n 30 "$log" >&2
    fail "building the $arch program failed (above: the end of $log)"
fi
exe="$build/SendTo.exe"

if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
    loader=$(wine_loader "$arch")
    WINELOADER="$loader" exec "$loader" "$exe"
fi

shot="$here/build/screenshot.png"
entries="$here/build/screenshot-entries.txt"
"$here/scripts/with-wine.sh" "$here/build/run-wine" "$(wine_prefix_arch "$arch")" -- bash -c '
    set -euo pipefail
    exe=$1 helper=$2 shot=$3 entries=$4
    fail() { echo "run.sh: $*" >&2; exit 1; }
    # The SendTo folder is filled only in the prefix that with-wine.sh made.
    [ -f "$WINEPREFIX/.sendto-test-prefix" ] || fail "$WINEPREFIX is not a throw-away prefix"
    wine "$helper" fill || fail "setting extensions hidden and filling the SendTo folder failed"
    wine "$exe" >/dev/null 2>&1 &
    pid=$!
    # The program must still be running when it is looked at.
    still_running() {
        kill -0 "$pid" 2>/dev/null && return 0
        local code=0
        wait "$pid" || code=$?
        fail "the program ended before $1, with exit code $code"
    }
    wine "$helper" entries >"$entries" || { still_running "its list was read"; fail "reading the list failed"; }
    geometry=$(wine "$helper" geometry | tr -d "\r") || fail "finding the window failed"
    sleep 1  # the window paints after it shows
    still_running "the screenshot"
    import -window root -display "$DISPLAY" -crop "$geometry" +repage "$shot" || fail "the screenshot failed"
    still_running "the screenshot was taken"
    kill "$pid" 2>/dev/null || true
' _ "$exe" "$build/run_helper.exe" "$shot" "$entries"
echo "No display: the $arch program ran on a virtual one, over a SendTo folder as Windows fills it."
echo "Screenshot: $shot"
echo "The window lists:"
sed 's/^/    /' "$entries"
