#!/usr/bin/env bash
# with-wine.sh WORKDIR ARCH [IDLE_EXE] -- COMMAND...
#
# Runs COMMAND with a throw-away Wine prefix (WORKDIR/prefix-ARCH, ARCH is
# win32 or win64) on a private virtual X display, and tears both down after.
# The prefix is made once and kept in WORKDIR for later runs. IDLE_EXE, when
# given, is a tiny Windows program kept running so that every Wine start
# inside COMMAND is quick.
set -euo pipefail

work=$(realpath -m "$1"); arch=$2; shift 2
idle_exe=""
if [ "${1:-}" != "--" ]; then idle_exe=$1; shift; fi
[ "${1:-}" = "--" ] && shift

mkdir -p "$work/home"
# Wine moves recycled files into the Trash only when it exists.
mkdir -p "$work/home/.local/share/Trash/files" "$work/home/.local/share/Trash/info"
export HOME="$work/home"
export XDG_DATA_HOME="$work/home/.local/share"
export XDG_CONFIG_HOME="$work/home/.config"
export XDG_CACHE_HOME="$work/home/.cache"
export WINEPREFIX="$work/prefix-$arch"
export WINEARCH="$arch"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
unset WAYLAND_DISPLAY

# A display of our own: the first free number from 91 up.
xvfb_pid=""
idle_pid=""
cleanup() {
    [ -n "$idle_pid" ] && kill "$idle_pid" 2>/dev/null || true
    wineserver -k 2>/dev/null || true
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
    wait 2>/dev/null || true
}
trap cleanup EXIT

start_xvfb() {
    local n
    for n in $(seq 91 160); do
        [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] && continue
        Xvfb ":$n" -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
        xvfb_pid=$!
        for _ in $(seq 1 100); do
            if xdpyinfo -display ":$n" >/dev/null 2>&1; then export DISPLAY=":$n"; return 0; fi
            kill -0 "$xvfb_pid" 2>/dev/null || break
            sleep 0.1
        done
        kill "$xvfb_pid" 2>/dev/null || true
    done
    echo "with-wine: no virtual display could be started" >&2
    return 1
}

make_prefix() {
    local marker="$WINEPREFIX/.sendto-test-prefix"
    [ -f "$marker" ] && return 0
    rm -rf "$WINEPREFIX"
    wineboot -i >/dev/null 2>&1 || true
    wineserver -w
    reg() { wine reg add "$@" /f >/dev/null 2>&1; }
    # A crash exits with a code instead of waiting for someone at a dialog.
    reg 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0
    # Wine draws window frames itself, as Windows does.
    reg 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N
    # Names starting with "." are ordinary files, as on Windows.
    reg 'HKCU\Software\Wine' /v ShowDotFiles /t REG_SZ /d Y
    reg 'HKCR\.txt' /ve /t REG_SZ /d txtfile
    wineserver -w
    mkdir -p "$WINEPREFIX/drive_c/windows/Fonts"
    cp -n /usr/share/wine/fonts/*.ttf "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null || true
    touch "$marker"
}

start_xvfb
make_prefix
wineserver -p
if [ -n "$idle_exe" ]; then
    wine "$idle_exe" >/dev/null 2>&1 </dev/null &
    idle_pid=$!
fi
# Let Wine's background services start now, away from COMMAND's output:
# a service started by the first test would hold a test runner's pipe open.
wine cmd.exe /c exit >/dev/null 2>&1 </dev/null || true
"$@"
