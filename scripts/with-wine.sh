#!/usr/bin/env bash
# with-wine.sh [--dpi N] WORKDIR ARCH [IDLE_EXE] -- COMMAND...
#
# Runs COMMAND with a throw-away Wine prefix (WORKDIR/prefix-ARCH, ARCH is
# win32 or win64) on a private virtual X display, and tears both down after.
# With --dpi N the prefix is another one, WORKDIR/prefix-ARCH-Ndpi, whose
# screen resolution is N dots per inch (96 is 100 %, 144 is 150 %); it has a
# Wine server of its own, so it can run inside another with-wine.sh.
# The prefix is made once and kept in WORKDIR for later runs. IDLE_EXE, when
# given, is a tiny Windows program kept running so that every Wine start
# inside COMMAND is quick.
#
# Inside COMMAND, `wine` is the loader that scripts/wine-env.sh chose for
# ARCH. A set-up step that fails stops the script with its name and cause;
# a machine that cannot run ARCH's programs stops it with exit code 3.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=wine-env.sh
. "$here/wine-env.sh"

dpi=""
if [ "${1:-}" = "--dpi" ]; then dpi=$2; shift 2; fi
work=$(realpath -m "$1"); arch=$2; shift 2
idle_exe=""
if [ "${1:-}" != "--" ]; then idle_exe=$1; shift; fi
[ "${1:-}" = "--" ] && shift

if ! wine_runs "$arch"; then
    echo "with-wine: $arch programs cannot run here: $wine_not_run_reason" >&2
    exit 3
fi

fail() {
    echo "with-wine: $*" >&2
    exit 1
}

# step WHAT COMMAND...: runs one set-up command with its output kept aside;
# when it fails, names the step, its exit code and the output's last lines.
step() {
    local what=$1 log status=0
    shift
    log=$(mktemp)
    "$@" >"$log" 2>&1 </dev/null || status=$?
    if [ $status -ne 0 ]; then
        echo "with-wine: $what failed (exit $status):" >&2
        tail -n 20 "$log" | sed 's/^/    /' >&2
        rm -f "$log"
        exit 1
    fi
    rm -f "$log"
}

mkdir -p "$work/home" "$work/bin"
# Wine moves recycled files into the Trash only when it exists.
mkdir -p "$work/home/.local/share/Trash/files" "$work/home/.local/share/Trash/info"
export HOME="$work/home"
export XDG_DATA_HOME="$work/home/.local/share"
export XDG_CONFIG_HOME="$work/home/.config"
export XDG_CACHE_HOME="$work/home/.cache"
export WINEPREFIX="$work/prefix-$arch${dpi:+-${dpi}dpi}"
export WINEARCH="$arch"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
unset WAYLAND_DISPLAY

# `wine` means the chosen loader for everything COMMAND starts (the test
# emulator, the smoke tests' helpers, run.sh); Wine itself starts its own
# processes through WINELOADER.
loader=$(wine_loader "$arch")
export WINELOADER="$loader"
printf '#!/bin/sh\nexec "%s" "$@"\n' "$loader" >"$work/bin/wine"
chmod +x "$work/bin/wine"
export PATH="$work/bin:$PATH"

xvfb_pid=""
idle_pid=""
cleanup() {
    [ -n "$idle_pid" ] && kill "$idle_pid" 2>/dev/null || true
    wineserver -k 2>/dev/null || true
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
    wait 2>/dev/null || true
}
trap cleanup EXIT
# Killed from outside: the same tear-down, so nothing is left for the next run.
trap 'exit 130' INT TERM HUP

# A display of our own: Xvfb takes the first free number itself and writes
# it once it accepts connections, so that two runs starting together never
# pick the same display.
start_xvfb() {
    local log="$work/xvfb.log" number="$work/xvfb.display"
    rm -f "$number"
    Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$number" >"$log" 2>&1 &
    xvfb_pid=$!
    for _ in $(seq 1 100); do
        if grep -qx '[0-9]\+' "$number" 2>/dev/null; then
            DISPLAY=":$(cat "$number")"
            export DISPLAY
            return 0
        fi
        kill -0 "$xvfb_pid" 2>/dev/null || break
        sleep 0.1
    done
    echo "with-wine: starting the virtual display (Xvfb) failed:" >&2
    tail -n 20 "$log" | sed 's/^/    /' >&2
    exit 1
}

# Making a prefix keeps Wine busy for many seconds; copying one takes a
# moment. Every prefix is a copy of one made once for the source tree's
# builds, per architecture, in which nothing ever runs.
templates="$(dirname "$here")/build/wine-prefixes"

# new_prefix DIR: a prefix made from nothing in DIR, with the settings that
# every test prefix has; its user folders link to $HOME, noted in it.
new_prefix() {
    local -x WINEPREFIX=$1
    step "making the Wine prefix (wineboot -i)" wine wineboot -i
    step "waiting for the new prefix's Wine server" wineserver -w
    reg() { step "writing $1 to the registry" wine reg add "$@" /f; }
    # A crash exits with a code instead of waiting for someone at a dialog.
    reg 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0
    # Wine draws window frames itself, as Windows does.
    reg 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N
    # Names starting with "." are ordinary files, as on Windows.
    reg 'HKCU\Software\Wine' /v ShowDotFiles /t REG_SZ /d Y
    reg 'HKCR\.txt' /ve /t REG_SZ /d txtfile
    step "waiting for the registry to be written" wineserver -w
    # Wine does not load its own fonts here by itself.
    local fonts=(/usr/share/wine/fonts/*.ttf)
    [ -e "${fonts[0]}" ] || fail "copying Wine's fonts failed: none in /usr/share/wine/fonts (Debian's fonts-wine package)"
    mkdir -p "$WINEPREFIX/drive_c/windows/Fonts"
    step "copying Wine's fonts into the prefix" cp -n "${fonts[@]}" "$WINEPREFIX/drive_c/windows/Fonts/"
    echo "$HOME" >"$WINEPREFIX/.sendto-home"
}

# copy_of_template: the source tree's prefix for ARCH, made first where there
# is none yet (by one run at a time), copied to WINEPREFIX; the user folders
# that linked to its maker's home link to this run's.
copy_of_template() {
    local template="$templates/$arch" lock old_home link target
    mkdir -p "$templates"
    exec {lock}>"$templates/$arch.lock"
    flock "$lock"
    if [ ! -f "$template/.sendto-made" ]; then
        rm -rf "$template"
        new_prefix "$template"
        touch "$template/.sendto-made"
    fi
    exec {lock}>&-
    step "copying the Wine prefix" cp -a --reflink=auto "$template" "$WINEPREFIX"
    rm -f "$WINEPREFIX/.sendto-made"
    old_home=$(cat "$template/.sendto-home")
    for link in "$WINEPREFIX"/drive_c/users/*/*; do
        [ -L "$link" ] || continue
        target=$(readlink "$link")
        [[ $target != "$old_home"* ]] || ln -sfn "$HOME${target#"$old_home"}" "$link"
    done
}

# The marker is written last: a prefix that was not made in full is made
# again by the next run.
make_prefix() {
    local marker="$WINEPREFIX/.sendto-test-prefix"
    [ -f "$marker" ] && return 0
    rm -rf "$WINEPREFIX"
    copy_of_template
    # Wine reads the resolution when its server starts, which is later.
    if [ -n "$dpi" ]; then
        step "writing the resolution to the registry" \
            wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f
        step "waiting for the registry to be written" wineserver -w
    fi
    touch "$marker"
}

start_xvfb
make_prefix
step "starting the Wine server" wineserver -p
if [ -n "$idle_exe" ]; then
    wine "$idle_exe" >/dev/null 2>&1 </dev/null &
    idle_pid=$!
fi
# Let Wine's background services start now, away from COMMAND's output:
# a service started by the first test would hold a test runner's pipe open.
step "starting Wine's services" wine cmd.exe /c exit
"$@"
