#!/usr/bin/env bash
# with-xvfb.sh [--timeout SECONDS] [--missing-screen] COMMAND [ARGS...]
#
# Runs COMMAND on an X server of its own: a new Xvfb on a free display number above 100 (never
# :0, where JUCE programs without DISPLAY look; parallel runs skip each other's), with DISPLAY set
# for it. When COMMAND ends, fails or runs out of time, the server and every process COMMAND
# started in its process group are ended. Exits with COMMAND's status, 124 after the time-out, and
# 77 (ctest's "skipped") when Xvfb is not installed. With --missing-screen, DISPLAY names a screen
# the server does not have: a display that cannot be opened.
set -u

timeout_seconds=300
screen=""
while [ $# -gt 0 ]; do
    case "$1" in
        --timeout) timeout_seconds="$2"; shift 2 ;;
        --missing-screen) screen=".7"; shift ;;
        *) break ;;
    esac
done
if [ $# -eq 0 ]; then
    echo "usage: with-xvfb.sh [--timeout SECONDS] [--missing-screen] COMMAND [ARGS...]" >&2
    exit 2
fi
if ! command -v Xvfb > /dev/null; then
    echo "skipped: Xvfb is not installed (scripts/setup.sh installs it)"
    exit 77
fi

work="$(mktemp -d "${TMPDIR:-/tmp}/zelk-xvfb.XXXXXX")"
xvfb_pid=""
command_pid=""

cleanup() {
    # `timeout` leads a process group of its own: ending the group ends whatever COMMAND left behind.
    if [ -n "$command_pid" ]; then
        kill -TERM -- "-$command_pid" 2> /dev/null
        sleep 0.2
        kill -KILL -- "-$command_pid" 2> /dev/null
    fi
    if [ -n "$xvfb_pid" ]; then
        kill -TERM "$xvfb_pid" 2> /dev/null
        wait "$xvfb_pid" 2> /dev/null
    fi
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 143' TERM INT HUP

# The display number: not the lowest free one, which Xvfb would choose itself. JUCE programs
# without DISPLAY connect to ":0", so tests running beside this one would use a server on :0 and
# lose their connection when it ends. A number above 100, starting from one of this process's own,
# taken ones skipped.
# start_xvfb NUMBER: 0 once the server accepts connections, 1 when the number is in use.
start_xvfb() {
    : > "$work/display"
    # Xvfb writes its display number to the descriptor once it accepts connections.
    # A black root: whatever no window has painted yet is black in a screenshot.
    Xvfb ":$1" -displayfd 3 -screen 0 2200x1500x24 -br -nolisten tcp -noreset 3> "$work/display" 2> "$work/xvfb.log" &
    xvfb_pid=$!
    for _ in $(seq 1 200); do
        if grep -q '^[0-9][0-9]*$' "$work/display" 2> /dev/null; then
            return 0
        fi
        if ! kill -0 "$xvfb_pid" 2> /dev/null; then
            wait "$xvfb_pid" 2> /dev/null
            xvfb_pid=""
            return 1
        fi
        sleep 0.05
    done
    echo "with-xvfb: Xvfb did not accept connections on :$1 within 10 s" >&2
    exit 1
}

display_number=""
first=$((100 + $$ % 800))
for candidate in $(seq "$first" $((first + 40))); do
    if start_xvfb "$candidate"; then
        display_number="$candidate"
        break
    fi
done
if [ -z "$display_number" ]; then
    echo "with-xvfb: Xvfb did not start on any display from :$first to :$((first + 40)): $(tail -1 "$work/xvfb.log")" >&2
    exit 1
fi

# A desktop's window manager names the window-manager protocols; a bare Xvfb has none of them, and
# JUCE would then set window properties with an atom of 0. Naming them here, as a value of a
# scratch property, makes them exist for the server's lifetime.
if command -v xprop > /dev/null; then
    for atom in WM_PROTOCOLS WM_DELETE_WINDOW WM_TAKE_FOCUS WM_STATE WM_CHANGE_STATE _NET_WM_PING \
        _NET_WM_STATE _NET_WM_STATE_HIDDEN _NET_WM_STATE_FULLSCREEN _NET_WM_WINDOW_TYPE \
        _NET_WM_WINDOW_TYPE_NORMAL _NET_WM_WINDOW_TYPE_COMBO _NET_WM_ALLOWED_ACTIONS _NET_FRAME_EXTENTS \
        _MOTIF_WM_HINTS; do
        DISPLAY=":$display_number" xprop -root -f ZELK_ATOM 32a -set ZELK_ATOM "$atom"
    done
    DISPLAY=":$display_number" xprop -root -remove ZELK_ATOM
fi

export DISPLAY=":$display_number$screen"
unset WAYLAND_DISPLAY

timeout --kill-after=10 "$timeout_seconds" "$@" &
command_pid=$!
status=0
wait "$command_pid" || status=$?
if [ "$status" = 124 ]; then
    echo "with-xvfb: '$*' was still running after $timeout_seconds s and was ended" >&2
fi
exit "$status"
