#!/usr/bin/env bash
# Checks the choice of Wine loaders against a stand-in for a 32-bit loader
# that the kernel refuses to start, as it refuses the real one on a machine
# whose 32-bit emulation is off: i686 is reported as not run, with the reason,
# and 64-bit programs still run, through the 64-bit loader alone. Needs the
# x86_64 build's test prefix (scripts/test.sh makes it first).
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
fail() {
    echo "check-wine-detection: $*" >&2
    exit 1
}

# An ELF header the kernel cannot execute: it answers "Exec format error".
printf '\177ELF\001\001\001\000' >"$scratch/wine"
chmod +x "$scratch/wine"
export SENDTO_WINE32_LOADER="$scratch/wine"
expected="this machine cannot run 32-bit programs (32-bit emulation is off in its kernel)"

# shellcheck source=wine-env.sh
. "$here/scripts/wine-env.sh"
if wine_runs i686; then fail "a 32-bit loader that cannot start was taken for a working one"; fi
[ "$wine_not_run_reason" = "$expected" ] || fail "the reason given was: $wine_not_run_reason"
wine_runs x86_64 || fail "x86_64 was refused: $wine_not_run_reason"

status=0
output=$("$here/scripts/with-wine.sh" "$scratch/i686" win32 -- true 2>&1) || status=$?
[ $status -eq 3 ] || fail "with-wine.sh for win32 ended with code $status, not 3"
[[ $output == *"$expected"* ]] || fail "with-wine.sh for win32 did not say why: $output"

output=$("$here/scripts/with-wine.sh" "$here/build/x86_64/wine" win64 -- wine cmd.exe /c echo ran-64 2>&1) ||
    fail "a 64-bit program did not run beside the failing 32-bit loader: $output"
[[ $output == *ran-64* ]] || fail "the 64-bit program printed nothing: $output"
echo "check-wine-detection: i686 reported as not run ($expected); x86_64 ran through the 64-bit loader"
