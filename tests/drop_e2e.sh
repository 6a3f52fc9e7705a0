#!/usr/bin/env bash
# drop_e2e.sh SENDTO_EXE XDND_SOURCE_C
#
# Drops a Linux file on the running program's list from outside its process,
# as a file manager does (X11 drag and drop, turned into WM_DROPFILES by Wine),
# answers the question with Enter and checks that the file arrived in the
# user's SendTo folder. Runs inside with-wine.sh (WINEPREFIX and DISPLAY set).
# Every wait is bounded.
set -euo pipefail
exe=$1
xdnd_source=$2
: "${WINEPREFIX:?run inside with-wine.sh}" "${DISPLAY:?run inside with-wine.sh}"

work=$(mktemp -d)
program_pid=""
name="depose e2e-$$.txt"
cleanup() {
    if [ -n "$program_pid" ] && kill -0 "$program_pid" 2>/dev/null; then kill "$program_pid" 2>/dev/null || true; fi
    [ -n "${sendto:-}" ] && rm -f "$sendto/$name"
    rm -rf "$work"
}
trap cleanup EXIT
fail() {
    echo "drop_e2e: $*" >&2
    exit 1
}
# wait_until SECONDS COMMAND...: polls COMMAND every 0.1 s until it holds;
# fails once SECONDS have passed, however long each look takes.
wait_until() {
    local deadline=$((SECONDS + $1))
    shift
    until "$@"; do
        [ "$SECONDS" -lt "$deadline" ] || return 1
        sleep 0.1
    done
}
# The X window whose name starts with the given text, if any.
x_window_named() {
    xwininfo -root -tree | awk -v prefix="\"$1" 'index($0, prefix) { print $1; exit }'
}
# The window exists hidden before it is shown: wait until it is on screen.
find_main_window() {
    main_window=$(x_window_named "Envoyer vers")
    [ -n "$main_window" ] && xwininfo -id "$main_window" | grep -q "Map State: IsViewable"
}
find_question() {
    question=$(x_window_named "Confirmer")
    [ -n "$question" ]
}
# Gives an X window the keyboard focus and waits until it has it, so that
# the keys that follow go there and nowhere else.
has_focus() {
    [ "$(xdotool getwindowfocus 2>/dev/null)" = "$(($1))" ]
}
take_focus() {
    xdotool windowfocus "$1" 2>/dev/null
    has_focus "$1"
}
focus() {
    wait_until 10 take_focus "$1" ||
        fail "$2 did not take the keyboard focus (it is on $(xdotool getwindowfocus 2>&1), not $(($1)))"
}
# Sets CENTER_X and CENTER_Y to the centre of an X window, in root coordinates.
window_centre() {
    local info left top width height
    info=$(xwininfo -id "$1")
    left=$(awk '/Absolute upper-left X:/ { print $4 }' <<<"$info")
    top=$(awk '/Absolute upper-left Y:/ { print $4 }' <<<"$info")
    width=$(awk '/Width:/ { print $2 }' <<<"$info")
    height=$(awk '/Height:/ { print $2 }' <<<"$info")
    CENTER_X=$((left + width / 2))
    CENTER_Y=$((top + height / 2))
}

gcc -O2 -o "$work/xdnd_drop" "$xdnd_source" -lX11 || fail "cannot build the drag source"

user=$(timeout 30 wine cmd /c 'echo %USERNAME%' | tr -d '\r\n')
sendto=$(timeout 30 wine winepath -u "C:\\users\\$user\\AppData\\Roaming\\Microsoft\\Windows\\SendTo" | tr -d '\r')
[ -d "$sendto" ] || fail "no SendTo folder at $sendto"
rm -f "$sendto/$name"
echo "déposé par glisser-déposer" >"$work/$name"

wine "$exe" >/dev/null 2>&1 </dev/null &
program_pid=$!
wait_until 30 find_main_window || fail "the program's window did not appear"

# The centre of the window lies in the list, which fills the client area
# above the status bar. Measured at each try: the window may still be moving
# to its place when it first shows. What is waited for is the list taking
# the drop: until it is under the pointer, Wine refuses it (exit code 2);
# no answer at all is a failure at once.
drop_taken() {
    window_centre "$main_window"
    local result=0
    timeout 30 "$work/xdnd_drop" "$main_window" "$CENTER_X" "$CENTER_Y" "$work/$name" 2>/dev/null || result=$?
    [ "$result" -eq 0 ] && return 0
    [ "$result" -eq 2 ] || fail "the drop got no answer (code $result)"
    return 1
}
wait_until 15 drop_taken || fail "the list did not take the drop within 15 s (last tried at $CENTER_X,$CENTER_Y)"

wait_until 15 find_question || fail "no question after the drop"
window_centre "$question"
xdotool mousemove "$CENTER_X" "$CENTER_Y"
focus "$question" "the question"
xdotool key Return

arrived() { cmp -s "$work/$name" "$sendto/$name"; }
wait_until 15 arrived || fail "the dropped file did not arrive in $sendto"

# Closed as a user closes it: Alt+F4 on its window.
window_centre "$main_window"
xdotool mousemove "$CENTER_X" "$CENTER_Y"
focus "$main_window" "the main window"
xdotool key alt+F4
program_exited() { ! kill -0 "$program_pid" 2>/dev/null; }
wait_until 20 program_exited || fail "the program did not close"
status=0
wait "$program_pid" || status=$?
program_pid=""
[ "$status" -eq 0 ] || fail "the program ended with code $status"
echo "drop_e2e: the dropped file arrived in the SendTo folder"
