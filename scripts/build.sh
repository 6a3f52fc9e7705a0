#!/usr/bin/env bash
# build.sh ARCH [BUILD_DIR]: configures and builds for i686 or x86_64.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
arch=$1
build=${2:-$here/build/$arch}
cmake -S "$here" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$here/cmake/toolchain-$arch.cmake" >/dev/null
cmake --build "$build" -j"$(nproc)"
