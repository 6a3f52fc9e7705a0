#!/usr/bin/env bash
# Builds the program (i686) and starts it under Wine. With a display, it runs
# in your own Wine prefix on your screen. Without one, it runs in a throw-away
# prefix on a virtual display, saves a screenshot and says where.
# Installs what is missing first (needs root for that).
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
"$here/scripts/install-deps.sh"
"$here/scripts/build.sh" i686 >/dev/null
exe="$here/build/i686/SendTo.exe"

if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
    exec wine "$exe"
fi

shot="$here/build/screenshot.png"
"$here/scripts/with-wine.sh" "$here/build/run-wine" win32 -- bash -c '
    wine "$1" >/dev/null 2>&1 &
    pid=$!
    sleep 6
    import -window root -display "$DISPLAY" "$2"
    kill $pid 2>/dev/null || true
' _ "$exe" "$shot"
echo "No display: the program ran on a virtual one. Screenshot: $shot"
