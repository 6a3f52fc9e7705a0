#!/usr/bin/env bash
# Regenerates the screenshots of docs/display-scale.md: at 100 %, 150 % and
# 200 % (96, 144 and 192 dpi), the window, its menu, and the question that
# "Supprimer" asks. Each scale runs in a throw-away prefix of that resolution
# on a virtual display (scripts/with-wine.sh --dpi), over a SendTo folder as
# Windows fills it. Needs the build that scripts/run.sh makes.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
# shellcheck source=wine-env.sh
. "$here/scripts/wine-env.sh"

arch=i686
wine_runs i686 || arch=x86_64
build="$here/build/$arch"
log="$build/screenshots-build.log"
mkdir -p "$build"
if ! "$here/scripts/build.sh" "$arch" "$build" >"$log" 2>&1 ||
    ! cmake --build "$build" --target run_helper >>"$log" 2>&1; then
    tail -n 30 "$log" >&2
    echo "screenshots-dpi: building the $arch program failed (above: the end of $log)" >&2
    exit 1
fi

for dpi in 96 144 192; do
    percent=$((dpi * 100 / 96))
    "$here/scripts/with-wine.sh" --dpi "$dpi" "$here/build/run-wine" "$(wine_prefix_arch "$arch")" -- bash -c '
        set -euo pipefail
        exe=$1 helper=$2 out=$3
        fail() { echo "screenshots-dpi: $*" >&2; exit 1; }
        [ -f "$WINEPREFIX/.sendto-test-prefix" ] || fail "$WINEPREFIX is not a throw-away prefix"
        wine "$helper" fill || fail "setting extensions hidden and filling the SendTo folder failed"
        wine "$exe" >/dev/null 2>&1 &
        pid=$!
        wine "$helper" entries >/dev/null || fail "the window did not show its list"
        geometry=$(wine "$helper" geometry | tr -d "\r") || fail "finding the window failed"
        sleep 1
        # Everything the program shows, on the black root window.
        shot() {
            import -window root -display "$DISPLAY" "$1.full.png" && convert "$1.full.png" -trim +repage "$1" &&
                rm -f "$1.full.png" || fail "the screenshot $1 failed"
        }
        import -window root -display "$DISPLAY" -crop "$geometry" +repage "$out-window.png" ||
            fail "the screenshot of the window failed"
        IFS="x+" read -r w h x y <<<"$geometry"
        # The first entry selected, then the menu opened over it.
        xdotool mousemove $((x + w / 4)) $((y + h / 3)) click 1
        sleep 0.5
        xdotool click 3
        sleep 1
        shot "$out-menu.png"
        # "Supprimer" asks its question; it is cancelled.
        xdotool key s
        sleep 1.5
        shot "$out-question.png"
        xdotool key Escape
        sleep 0.5
        kill "$pid" 2>/dev/null || true
    ' _ "$build/SendTo.exe" "$build/run_helper.exe" "$here/docs/scale-$percent"
    echo "docs/scale-$percent-window.png docs/scale-$percent-menu.png docs/scale-$percent-question.png"
done
