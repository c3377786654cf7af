#!/bin/sh
# Runs a test program as on a person's desktop: on a virtual X display of its own (Xvfb), under the
# openbox window manager, on Qt's xcb platform. Usage: wmrun.sh PROGRAM [ARGUMENTS...]
# The display number comes from Xvfb itself (-displayfd), so runs in parallel never collide.
set -u

dir=$(mktemp -d)
xvfb=
wm=
cleanup() {
    [ -n "$wm" ] && kill "$wm" 2>/dev/null && wait "$wm" 2>/dev/null
    [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null && wait "$xvfb" 2>/dev/null
    rm -rf "$dir"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# Polls a condition every tenth of a second, for 30 seconds at most.
wait_for() {
    tries=0
    until "$@"; do
        tries=$((tries + 1))
        [ "$tries" -ge 300 ] && return 1
        sleep 0.1
    done
}

Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$dir/display" 2>"$dir/xvfb.log" &
xvfb=$!
if ! wait_for grep -qs '[0-9]' "$dir/display"; then
    echo "wmrun: Xvfb did not start" >&2
    cat "$dir/xvfb.log" >&2
    exit 1
fi
DISPLAY=:$(tr -dc '0-9' <"$dir/display")
export DISPLAY

# On a loaded machine openbox may give up on a display that is not yet answering: it is started
# again, three times at most, for as long as Xvfb runs.
wm_ready() { xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id'; }
wm_up_or_gone() { wm_ready || ! kill -0 "$wm" 2>/dev/null; }
for attempt in 1 2 3; do
    openbox --sm-disable >"$dir/openbox.log" 2>&1 &
    wm=$!
    wait_for wm_up_or_gone
    if wm_ready; then
        break
    fi
    kill "$wm" 2>/dev/null
    wait "$wm" 2>/dev/null
    wm=
    if [ "$attempt" -eq 3 ] || ! kill -0 "$xvfb" 2>/dev/null; then
        echo "wmrun: openbox did not start" >&2
        cat "$dir/openbox.log" "$dir/xvfb.log" >&2
        exit 1
    fi
    sleep 1
done

VEXA_TEST_DISPLAY=1 QT_QPA_PLATFORM=xcb "$@"
