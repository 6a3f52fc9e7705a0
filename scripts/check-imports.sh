#!/usr/bin/env bash
# check-imports.sh EXE...: fails when an exe imports a function that the
# oldest Windows the build targets does not export. Windows refuses to start
# an exe with an import it cannot resolve, so each one must be in
# scripts/win7-exports.txt: what Windows 7 SP1, without later updates
# (_WIN32_WINNT 0x0601), exports from each DLL the exes may import.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
objdump=${OBJDUMP:-x86_64-w64-mingw32-objdump}   # reads 32-bit and 64-bit exes
export LC_ALL=C

known=$(awk '{ sub(/#.*/, "") } NF == 2 { print toupper($1), $2 }' "$here/win7-exports.txt" | sort -u)
status=0
for exe in "$@"; do
    # "DLL Name: X" opens a DLL's list; each import line is its address, its
    # hint or ordinal, and its name (none when imported by ordinal).
    imports=$("$objdump" -p "$exe" | awk '
        /^\tDLL Name: / { dll = toupper($3); next }
        /^$/            { next }
        dll != "" && /^\t[0-9a-f]+\t/ { print dll, (NF >= 3 ? $3 : "ordinal:" $2) }
        /^[^\t]/        { dll = "" }' | sort -u)
    if [ -z "$imports" ]; then
        echo "check-imports: no import table read from $exe" >&2
        status=1
        continue
    fi
    missing=$(comm -23 <(echo "$imports") <(echo "$known"))
    if [ -n "$missing" ]; then
        echo "check-imports: $exe imports what Windows 7 SP1 does not export:" >&2
        echo "$missing" | sed 's/^/    /' >&2
        status=1
    else
        echo "check-imports: $(basename "$exe"): $(echo "$imports" | wc -l) imports, all in Windows 7 SP1"
    fi
done
exit $status
