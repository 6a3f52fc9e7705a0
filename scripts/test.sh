#!/usr/bin/env bash
# Lints the CI workflow; builds the program and its tests for i686 and x86_64
# with GCC and runs every test that this machine can run under Wine, each
# architecture in a throw-away prefix on a virtual display; builds x86_64
# with Clang and runs its tests the same way; runs clang-tidy over the
# product code; then the benchmarks, the release files and the byte-for-byte
# rebuild check. Builds and tests go through the presets of CMakePresets.json.
# Ends with a summary of what ran (with its time), what passed, what was
# skipped and what could not run, and why.
# Installs what is missing first (needs root for that).
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
# ctest finds the test presets in the source folder.
cd "$here"
# shellcheck source=wine-env.sh
. "$here/scripts/wine-env.sh"
"$here/scripts/install-deps.sh"

status=0
summary=()
passed() { summary+=("passed:  $1"); }
failed() { summary+=("FAILED:  $1"); status=1; }
# not_run WHAT WHY
not_run() {
    echo "$1 not run: $2"
    summary+=("not run: $1: $2")
}
# check WHAT COMMAND...: runs COMMAND and records whether WHAT passed, and
# how long it took; last_check is then "passed" or "failed".
check() {
    local what=$1 start=$SECONDS
    shift
    if "$@"; then last_check=passed; else last_check=failed; fi
    "$last_check" "$what ($((SECONDS - start)) s)"
}

# skips_of ARCH: the GoogleTest skips and the rows a test could not run, from
# the output of every test program (ctest keeps it all in LastTest.log).
skips_of() {
    local log="$here/build/$1/Testing/Temporary/LastTest.log"
    [ -f "$log" ] || return 0
    awk -v arch="$1" '
        /^[0-9]+\/[0-9]+ Testing: / { program = $3 }
        /: Skipped$/ { reason = ""; collecting = 1; next }
        collecting && /^\[  SKIPPED \] / {
            print "skipped: " arch " " program " " $4 ": " (reason == "" ? "no reason given" : reason)
            collecting = 0; next
        }
        collecting && NF { reason = reason (reason == "" ? "" : " ") $0 }
        /^not run: / { sub(/\r$/, ""); print "not run: " arch " " program ": " substr($0, 10) }
    ' "$log"
}

# with_wine BUILD COMMAND...: COMMAND in the Wine prefix of build/BUILD, a
# preset's folder; its architecture is the name's part after the last "-".
with_wine() {
    local build=$1
    shift
    "$here/scripts/with-wine.sh" "$here/build/$build/wine" "$(wine_prefix_arch "${build##*-}")" \
        "$here/build/$build/tests/wine_idle.exe" -- "$@"
}

# The workflow of .github/, which cannot run here, checked as far as a linter can.
check "workflow lint (actionlint)" "$here/scripts/lint-workflow.sh"

bench_arch=""
for arch in ${SENDTO_ARCHES:-i686 x86_64}; do
    build="$here/build/$arch"
    "$here/scripts/build.sh" "$arch" "$build"
    # An import that Windows 7 lacks would stop the exe from starting there.
    check "$arch imports (all in Windows 7 SP1)" "$here/scripts/check-imports.sh" "$build/SendTo.exe"
    if ! wine_runs "$arch"; then
        not_run "$arch tests" "$wine_not_run_reason"
        continue
    fi
    echo "== tests ($arch) =="
    check "$arch tests" with_wine "$arch" ctest --preset "$arch"
    while IFS= read -r line; do summary+=("$line"); done < <(skips_of "$arch")
    # The benchmarks take minutes under Wine: once, on the first
    # architecture that runs here (i686 where it can).
    [ -n "$bench_arch" ] || bench_arch=$arch
done

# The second compiler: Clang, warnings as errors too; its x86_64 test
# programs run as GCC's do, so that what only one compiler accepts, or what
# behaves differently between them, shows.
echo "== Clang build (x86_64) =="
check "clang-x86_64 build" "$here/scripts/build.sh" clang-x86_64
if [ "$last_check" = failed ]; then
    not_run "clang-x86_64 tests" "its build failed"
elif ! wine_runs x86_64; then
    not_run "clang-x86_64 tests" "$wine_not_run_reason"
else
    echo "== tests (clang-x86_64) =="
    check "clang-x86_64 tests" with_wine clang-x86_64 ctest --preset clang-x86_64
    while IFS= read -r line; do summary+=("$line"); done < <(skips_of clang-x86_64)
fi
echo "== clang-tidy (product code) =="
check "clang-tidy (the checks of .clang-tidy)" "$here/scripts/tidy.sh"

if [ -n "$bench_arch" ]; then
    echo "== benchmarks ($bench_arch) =="
    for bench in list_bench startup_bench watch_bench; do
        check "$bench ($bench_arch)" with_wine "$bench_arch" wine "$here/build/$bench_arch/bench/$bench.exe"
    done
else
    failed "no test could run on this machine"
fi

# The choice of loaders, tried with a stand-in for a 32-bit loader that
# cannot start.
if ! wine_runs x86_64; then
    not_run "loader detection" "$wine_not_run_reason"
elif [ ! -d "$here/build/x86_64/wine" ]; then
    not_run "loader detection" "it needs the x86_64 tests' prefix (SENDTO_ARCHES left out x86_64)"
else
    check "loader detection" "$here/scripts/check-wine-detection.sh"
fi

# Release files in dist/, then the same again from another folder, byte for byte.
check "release files in dist/" "$here/scripts/package.sh"
check "reproducible build" "$here/scripts/check-reproducible.sh"

echo "== summary =="
printf '%s\n' "${summary[@]}"
exit $status
