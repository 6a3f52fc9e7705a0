#!/usr/bin/env bash
# build.sh PRESET [BUILD_DIR]: configures and builds with one of the Linux
# presets of CMakePresets.json (i686, x86_64, clang-x86_64), in its folder
# build/PRESET unless another is given.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
preset=$1
build=${2:-$here/build/$preset}
cmake -S "$here" --preset "$preset" -B "$build" >/dev/null
cmake --build "$build" -j"$(nproc)"
