#!/usr/bin/env bash
# tidy.sh [BUILD_DIR]: Debian's clang-tidy over the product code (the layers'
# folders; not the tests, benchmarks or scripts) with the checks that
# .clang-tidy chooses, on the compile commands of the Clang build
# (build/clang-x86_64 unless told). Prints every finding; fails on any.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$here/build/clang-x86_64}
if [ ! -f "$build/compile_commands.json" ]; then
    echo "tidy: no $build/compile_commands.json (configure with: cmake --preset clang-x86_64)" >&2
    exit 1
fi
cd "$here"
sources=(framework/*.cpp dialogs/*.cpp filelist/*.cpp drop/*.cpp folder/*.cpp app/*.cpp)
# clang-tidy counts on stderr the warnings it hid in system headers: noise.
status=0
printf '%s\n' "${sources[@]}" |
    xargs -P "$(nproc)" -n 1 clang-tidy -p "$build" --quiet 2> >(grep -v ' warnings\? generated\.$' >&2) ||
    status=$?
if [ $status -eq 0 ]; then
    echo "tidy: no findings in ${#sources[@]} sources and the headers they include"
else
    echo "tidy: findings above (exit $status)" >&2
fi
exit $status
