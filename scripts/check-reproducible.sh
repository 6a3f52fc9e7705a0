#!/usr/bin/env bash
# Builds the release files of dist/ (scripts/package.sh) a second time, from a
# copy of the sources in another folder, and compares them byte for byte: a
# difference fails and names the first differing offset. Also checks that the
# exes carry no link time stamp and no path of either build.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
other=$(mktemp -d "${TMPDIR:-/tmp}/sendto-rebuild.XXXXXX")
trap 'rm -rf "$other"' EXIT
src="$other/second/copy"
mkdir -p "$src"
tar -C "$here" --exclude=./build --exclude=./dist --exclude=./.git -cf - . | tar -C "$src" -xf -
# The copy has no git history: give it the zip date package.sh took here.
export SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-$(git -C "$here" log -1 --format=%ct)}

# Only the exe, without the tests: the rest does not go into dist/.
for arch in i686 x86_64; do
    cmake -S "$src" -B "$src/build/$arch" -DCMAKE_TOOLCHAIN_FILE="$src/cmake/toolchain-$arch.cmake" \
        -DSENDTO_TESTS=OFF >/dev/null
    cmake --build "$src/build/$arch" --target SendTo -j"$(nproc)" >/dev/null
done
"$src/scripts/package.sh" >/dev/null

status=0
for file in $(cd "$src/dist" && ls); do
    cmp "$here/dist/$file" "$src/dist/$file" || status=1
done
fail() { echo "$1: $2" >&2; status=1; }
for exe in "$here"/dist/SendTo-*.exe; do
    arch=$(basename "$exe" .exe); arch=${arch#SendTo-}
    header=$(TZ=UTC "$arch-w64-mingw32-objdump" -p "$exe")
    grep -q $'^Time/Date\t*Thu Jan  1 00:00:00 1970$' <<<"$header" || fail "$exe" "a link time stamp in the PE header"
    grep -q '^Entry 6 0* 0* Debug Directory' <<<"$header" || fail "$exe" "a debug directory (it is time-stamped)"
    ! grep -q 'Time: [0-9a-f]*[1-9a-f]' <<<"$header" || fail "$exe" "a time stamp in the resource directory"
    if { strings -a "$exe"; strings -a -el "$exe"; } | grep -F -e "$here" -e "$src"; then
        fail "$exe" "a build path (above)"
    fi
done
[ $status -eq 0 ] && echo "reproducible: a second build elsewhere gave the same $(cd "$src/dist" && ls | tr '\n' ' ')"
exit $status
