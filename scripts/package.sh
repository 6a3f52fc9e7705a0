#!/usr/bin/env bash
# Leaves the release files in dist/: for i686 and x86_64 the stripped exe and
# a zip named with the product version (the exe and a short text), then
# SHA256SUMS for all of them, checked once written. Prints the sizes and the
# DLLs each exe imports. Same sources, same files: zip entries carry a fixed
# date (SOURCE_DATE_EPOCH, else the last commit's date).
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
# A fresh machine may lack the toolchain (needs root to install it).
"$here/scripts/install-deps.sh"
dist="$here/dist"

# The product version of the version block, as the file's properties show it.
version=$(sed -n 's/^ *VALUE "ProductVersion", "\([0-9.]*\)".*/\1/p' "$here/resources/app.rc")
[ -n "$version" ] || { echo "package: no ProductVersion in resources/app.rc" >&2; exit 1; }
stamp=${SOURCE_DATE_EPOCH:-$(git -C "$here" log -1 --format=%ct 2>/dev/null || true)}
[ -n "$stamp" ] || { echo "package: no git history here; set SOURCE_DATE_EPOCH" >&2; exit 1; }

# The short text in each zip, resources/README.txt with this release's
# names, in UTF-8 with a byte-order mark and Windows line ends, as Notepad
# since Windows 7 reads it.
readme() {
    local bits=32; [ "$1" = x86_64 ] && bits=64
    printf '\xef\xbb\xbf'
    sed -e "s/@VERSION@/$version/g" -e "s/@BITS@/$bits/g" \
        -e "s/@ZIP@/SendTo-$version-$1.zip/g" -e "s/@EXE@/SendTo-$1.exe/g" \
        -e 's/$/\r/' "$here/resources/README.txt"
}

# Writes a zip whose bytes depend only on its contents and on $stamp.
make_zip() {
    python3 - "$@" "$stamp" <<'EOF'
import sys, time, zipfile
target, *pairs, stamp = sys.argv[1:]
date = time.gmtime(int(stamp))[:6]
with zipfile.ZipFile(target, "w") as archive:
    for name, source in zip(pairs[::2], pairs[1::2]):
        entry = zipfile.ZipInfo(name, date)
        entry.create_system = 0  # MS-DOS attributes: the same from any host
        entry.compress_type = zipfile.ZIP_DEFLATED
        with open(source, "rb") as f:
            archive.writestr(entry, f.read(), compresslevel=9)
EOF
}

# binutil ARCH TOOL: Debian's cross tool, or on Windows the tool of the MSYS2
# environment that builds ARCH (MINGW32 for i686, UCRT64 for x86_64).
binutil() {
    if command -v "$1-w64-mingw32-$2" >/dev/null; then
        echo "$1-w64-mingw32-$2"
    elif [ "$1" = i686 ]; then
        echo "/mingw32/bin/$2"
    else
        echo "/ucrt64/bin/$2"
    fi
}

mkdir -p "$dist"
rm -f "$dist"/SendTo-*.zip "$dist/SHA256SUMS"
released=()
for arch in i686 x86_64; do
    exe="$here/build/$arch/SendTo.exe"
    [ -f "$exe" ] || "$here/scripts/build.sh" "$arch"
    out="SendTo-$arch.exe"
    # strip stamps the PE header with the time unless SOURCE_DATE_EPOCH gives
    # one: 0, as the linker leaves it.
    SOURCE_DATE_EPOCH=0 "$(binutil "$arch" strip)" -o "$dist/$out" "$exe"
    printf '%s: %s bytes; imports: %s\n' "dist/$out" "$(stat -c %s "$dist/$out")" \
        "$("$(binutil "$arch" objdump)" -p "$dist/$out" | awk '/DLL Name/ {print $3}' | sort | tr '\n' ' ')"
    readme "$arch" > "$dist/README-$arch.txt"
    archive="SendTo-$version-$arch.zip"
    make_zip "$dist/$archive" SendTo.exe "$dist/$out" README.txt "$dist/README-$arch.txt"
    rm "$dist/README-$arch.txt"
    released+=("$archive" "$out")
done
(cd "$dist" && sha256sum "${released[@]}" > SHA256SUMS && sha256sum -c SHA256SUMS) | sed 's|^|dist/SHA256SUMS: |'
