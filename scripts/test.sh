#!/usr/bin/env bash
# Lints the CI workflow; builds the program and its tests for i686 and x86_64
# with GCC and runs every test that this machine can run under Wine, each
# architecture in a throw-away prefix on a virtual display; builds x86_64
# with Clang and runs its tests the same way; runs clang-tidy over the
# product code; then the benchmarks, the release files and the byte-for-byte
# rebuild check. Builds and tests go through the presets of CMakePresets.json.
# The GoogleTest programs run their tests in a shuffled order, the same for
# the same commit (SENDTO_TEST_SEED=N, 1 to 99999, gives another).
# What needs the processor (the other builds, clang-tidy, the release files
# and the rebuild check) runs in the background, at a lower priority, while
# the Wine tests, which mostly wait, run in the foreground.
# Ends with a summary of what ran (with its time), what passed, what was
# skipped and what could not run, and why; then the seed and the whole time.
# Installs what is missing first (needs root for that).
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
run_start=$SECONDS
# ctest finds the test presets in the source folder.
cd "$here"
# shellcheck source=wine-env.sh
. "$here/scripts/wine-env.sh"
"$here/scripts/install-deps.sh"

# test_seed: the seed of the tests' order: SENDTO_TEST_SEED, else one taken
# from the commit, so that a run can be repeated exactly.
test_seed() {
    local commit
    if [ -n "${SENDTO_TEST_SEED:-}" ]; then
        [[ $SENDTO_TEST_SEED =~ ^[1-9][0-9]{0,4}$ ]] ||
            { echo "test.sh: SENDTO_TEST_SEED is a number from 1 to 99999, not '$SENDTO_TEST_SEED'" >&2; return 1; }
        echo "$SENDTO_TEST_SEED"
    else
        commit=$(git -C "$here" rev-parse HEAD 2>/dev/null) ||
            { echo "test.sh: no git history here; set SENDTO_TEST_SEED (1 to 99999)" >&2; return 1; }
        echo $((16#${commit:0:8} % 99999 + 1))
    fi
}
seed=$(test_seed)

status=0
summary=()
passed() { summary+=("passed:  $1"); }
failed() { summary+=("FAILED:  $1"); status=1; }
# not_run WHAT WHY
not_run() {
    echo "$1 not run: $2"
    summary+=("not run: $1: $2")
}
# Said after each time of a step that ran in the background.
time_note=""
# check WHAT COMMAND...: runs COMMAND and records whether WHAT passed, and
# how long it took; last_check is then "passed" or "failed".
check() {
    local what=$1 start=$SECONDS
    shift
    if "$@"; then last_check=passed; else last_check=failed; fi
    "$last_check" "$what ($((SECONDS - start)) s$time_note)"
}

# Background steps keep their output and summary lines here until they are
# collected, so that nothing they print runs into the tests' output.
steps_dir="$here/build/test-run"
rm -rf "$steps_dir"
mkdir -p "$steps_dir"
declare -A step_pid=()
# in_background [--low] NAME COMMAND...: starts COMMAND (checks of this
# script) in a subshell; with --low, its processes yield the processor to
# the others'.
in_background() {
    local low=""
    [ "$1" != --low ] || { low=1; shift; }
    local name=$1
    shift
    (
        [ -z "$low" ] || renice -n 10 -p "$BASHPID" >/dev/null
        local known=${#summary[@]}
        status=0 time_note=", in the background"
        "$@" || failed "$name (stopped with exit code $?)"
        printf '%s\n' "${summary[@]:known}" >"$steps_dir/$name.summary"
        exit $status
    ) >"$steps_dir/$name.log" 2>&1 &
    step_pid[$name]=$!
}
# collect NAME: waits for the background step NAME, shows its output and
# takes its summary lines (and its failure); last_check is then "passed" or
# "failed". Once collected, a step is not collected again.
collect() {
    local name=$1 line
    [ -n "${step_pid[$name]+set}" ] || return 0
    if wait "${step_pid[$name]}"; then last_check=passed; else last_check=failed status=1; fi
    unset "step_pid[$name]"
    echo "== $name (ran in the background) =="
    cat "$steps_dir/$name.log"
    # A step stopped before it wrote its summary says so, instead of
    # stopping the run without a word.
    if [ ! -f "$steps_dir/$name.summary" ]; then
        failed "$name (stopped before its summary; its output is above)"
        return 0
    fi
    while IFS= read -r line; do
        [ -z "$line" ] || summary+=("$line")
    done <"$steps_dir/$name.summary"
}
# passed_step WHAT: whether the summary has WHAT as passed.
passed_step() {
    local line
    for line in "${summary[@]}"; do [[ $line == "passed:  $1 ("* ]] && return 0; done
    return 1
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

# run_tests BUILD EXTENSIONS: ctest over BUILD's test programs in its Wine
# prefix, each GoogleTest program in the run's shuffled order and with the
# file browser's known extensions EXTENSIONS ("hidden" or "shown"; Wine
# hands the environment on to the programs), then the skips into the summary.
run_tests() {
    echo "== tests ($1, extensions $2) =="
    check "$1 tests, extensions $2" with_wine "$1" env GTEST_SHUFFLE=1 GTEST_RANDOM_SEED="$seed" \
        SENDTO_TEST_EXTENSIONS="$2" ctest --preset "$1"
    while IFS= read -r line; do summary+=("$line"); done < <(skips_of "$1")
}

# gcc_build ARCH: builds ARCH with GCC, then checks its exe's imports.
gcc_build() {
    check "$1 build" "$here/scripts/build.sh" "$1"
    if [ "$last_check" = failed ]; then
        not_run "$1 imports" "its build failed"
        return 0
    fi
    # An import that Windows 7 lacks would stop the exe from starting there.
    check "$1 imports (all in Windows 7 SP1)" "$here/scripts/check-imports.sh" "$here/build/$1/SendTo.exe"
}

# tests_of ARCH...: run_tests for each architecture whose build passed, with
# extensions hidden, as Windows ships; the Clang tests run with them shown.
tests_of() {
    local arch
    for arch in "$@"; do
        if passed_step "$arch build"; then run_tests "$arch" hidden; else not_run "$arch tests" "its build failed"; fi
    done
}

# gcc_builds ARCH...: gcc_build for each.
gcc_builds() {
    local arch
    for arch in "$@"; do gcc_build "$arch"; done
}

# The background builds hold this lock until they end; the release files
# wait for it.
builds_lock="$steps_dir/builds.lock"
# release_files: once every build has ended, the release files in dist/, and
# the same again from another folder, byte for byte.
release_files() {
    local lock
    exec {lock}>"$builds_lock"
    flock "$lock"
    check "release files in dist/" "$here/scripts/package.sh"
    check "reproducible build" "$here/scripts/check-reproducible.sh"
}

# tests_and_loader_check: the GCC tests of the architectures that run here;
# then, in the x86_64 tests' prefix, the choice of loaders. They take
# minutes under Wine, mostly waiting, so they run beside the Clang build and
# tests.
tests_and_loader_check() {
    tests_of "${runnable[@]}"
    # The choice of loaders, tried with a stand-in for a 32-bit loader that
    # cannot start.
    if ! wine_runs x86_64; then
        not_run "loader detection" "$wine_not_run_reason"
    elif [ ! -d "$here/build/x86_64/wine" ]; then
        not_run "loader detection" "it needs the x86_64 tests' prefix (SENDTO_ARCHES left out x86_64)"
    else
        check "loader detection" "$here/scripts/check-wine-detection.sh"
    fi
}

# benchmarks ARCH: the benchmarks, once, in a prefix of their own beside the
# tests'. They run on x86_64 where its build passed, whose loader every
# machine has, so that their figures compare from one machine to another
# (32-bit Wine's shell is several times slower here), else on the first
# architecture whose build passed.
benchmarks() {
    local bench arch=$1
    echo "== benchmarks ($arch) =="
    for bench in list_bench startup_bench watch_bench undo_bench; do
        check "$bench ($arch)" "$here/scripts/with-wine.sh" "$here/build/$arch/bench-wine" \
            "$(wine_prefix_arch "$arch")" "$here/build/$arch/tests/wine_idle.exe" -- \
            wine "$here/build/$arch/bench/$bench.exe"
    done
}

# The workflow of .github/, which cannot run here, checked as far as a linter can.
check "workflow lint (actionlint)" "$here/scripts/lint-workflow.sh"

read -ra arches <<<"${SENDTO_ARCHES:-i686 x86_64}"
# The architectures whose tests run here are built first, alone; their tests
# start as soon as they are, while the rest is built. Two Wine prefixes, each
# on a display of its own, run the GCC and the Clang tests side by side.
runnable=()
others=()
for arch in "${arches[@]}"; do
    if wine_runs "$arch"; then
        runnable+=("$arch")
    else
        not_run "$arch tests" "$wine_not_run_reason"
        others+=("$arch")
    fi
done
# The other builds yield to these, and fill the moments when they use one
# core only (configuring, precompiling the headers). They hold the lock of
# the background builds (and every process they start, with it) until they
# end.
exec {builds_held}>"$builds_lock"
flock "$builds_held"
in_background --low other-builds gcc_builds "${others[@]}"
exec {builds_held}>&-
for arch in "${runnable[@]}"; do
    echo "== build ($arch) =="
    gcc_build "$arch"
done
in_background gcc-tests tests_and_loader_check
bench_arch=""
for arch in x86_64 "${runnable[@]}"; do
    if [[ " ${runnable[*]} " == *" $arch "* ]] && passed_step "$arch build"; then
        bench_arch=$arch
        break
    fi
done
if [ -n "$bench_arch" ]; then
    in_background benchmarks benchmarks "$bench_arch"
else
    failed "no test could run on this machine"
fi
in_background --low release-files release_files

# The second compiler: Clang, warnings as errors too; its x86_64 test
# programs run as GCC's do, so that what only one compiler accepts, or what
# behaves differently between them, shows.
echo "== Clang build (x86_64) =="
# clang-tidy reads the compile commands and the framework's precompiled
# headers, which every layer reuses: it starts as soon as these are made,
# beside the rest of the Clang build.
clang_build="$here/build/clang-x86_64"
if nice -n 10 cmake -S "$here" --preset clang-x86_64 -B "$clang_build" >/dev/null &&
    nice -n 10 cmake --build "$clang_build" -j"$(nproc)" --target sendto_framework >/dev/null; then
    in_background --low clang-tidy check "clang-tidy (the checks of .clang-tidy)" "$here/scripts/tidy.sh"
fi
check "clang-x86_64 build" nice -n 10 "$here/scripts/build.sh" clang-x86_64
clang_built=$last_check
[ -n "${step_pid[clang-tidy]+set}" ] ||
    in_background --low clang-tidy check "clang-tidy (the checks of .clang-tidy)" "$here/scripts/tidy.sh"
if [ "$clang_built" = failed ]; then
    not_run "clang-x86_64 tests" "its build failed"
elif ! wine_runs x86_64; then
    not_run "clang-x86_64 tests" "$wine_not_run_reason"
else
    run_tests clang-x86_64 shown
fi
collect gcc-tests
collect benchmarks
collect clang-tidy
collect other-builds
collect release-files

echo "== summary =="
printf '%s\n' "${summary[@]}"
echo "tests shuffled with seed $seed (SENDTO_TEST_SEED=$seed scripts/test.sh repeats their order)"
echo "whole run: $((SECONDS - run_start)) s"
exit $status
