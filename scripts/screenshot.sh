#!/usr/bin/env bash
# Regenerates docs/screenshot.png: the program under Wine with a few entries
# in its SendTo folder, cropped to the window.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
"$here/scripts/build.sh" i686 >/dev/null
work="$here/build/shot-wine"
"$here/scripts/with-wine.sh" "$work" win32 -- bash -c '
    user=$(wine cmd /c echo %USERNAME% 2>/dev/null | tr -d "\r")
    sendto="$WINEPREFIX/drive_c/users/$user/AppData/Roaming/Microsoft/Windows/SendTo"
    mkdir -p "$sendto"
    for f in "Bloc-notes.txt" "Archive ZIP.zip" "Courrier.eml" "Image.bmp" "Lisez-moi.doc" "Script.bat" "Tableur.csv"; do
        : > "$sendto/$f"
    done
    wine "$1" >/dev/null 2>&1 &
    pid=$!
    sleep 6
    import -window root -display "$DISPLAY" /tmp/sendto-full.png
    kill $pid 2>/dev/null || true
' _ "$here/build/i686/SendTo.exe"
# The window is centred on the 1280 x 800 screen.
convert /tmp/sendto-full.png -crop 300x240+490+280 +repage "$here/docs/screenshot.png"
echo "docs/screenshot.png"
