#!/usr/bin/env bash
# Regenerates docs/screenshot.png: the window of a run with no display
# (scripts/run.sh), over a SendTo folder as a fresh Windows fills it.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
env -u DISPLAY "$here/scripts/run.sh"
cp "$here/build/screenshot.png" "$here/docs/screenshot.png"
echo "docs/screenshot.png"
