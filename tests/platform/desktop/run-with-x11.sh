#!/bin/sh
# Runs an X11 test program on an X server of its own: Xvfb on a display it
# chooses itself, with openbox as the window manager; then once more, for the
# tests named *NoWindowManager*, after openbox has gone. Whatever the
# environment's display is, it is not used; everything started here is
# stopped here.
set -u
program=$1
tmp=$(mktemp -d)
xvfb=
wm=
cleanup() {
    [ -n "$wm" ] && kill "$wm" 2>/dev/null
    [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null
    wait 2>/dev/null
    rm -rf "$tmp"
}
trap cleanup EXIT
trap 'exit 1' INT TERM

waitfor() { # condition, what
    i=0
    until eval "$1"; do
        i=$((i + 1))
        if [ $i -gt 300 ]; then
            echo "run-with-x11: $2 did not start" >&2
            cat "$tmp"/*.log >&2
            exit 1
        fi
        sleep 0.05
    done
}

Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$tmp/display" >"$tmp/xvfb.log" 2>&1 &
xvfb=$!
waitfor '[ -s "$tmp/display" ]' Xvfb
DISPLAY=:$(cat "$tmp/display")
export DISPLAY
export QT_QPA_PLATFORM=xcb
unset WAYLAND_DISPLAY

openbox --sm-disable >"$tmp/openbox.log" 2>&1 &
wm=$!
waitfor 'xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id"' openbox

"$program" --gtest_filter='-*NoWindowManager*'
status=$?

kill "$wm"
wait "$wm" 2>/dev/null
wm=
"$program" --gtest_filter='*NoWindowManager*' || status=1
exit $status
