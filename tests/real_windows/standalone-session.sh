#!/usr/bin/env bash
# standalone-session.sh STANDALONE ZELK SCREENSHOT-FOLDER
#
# The Standalone application driven as a user drives it, on the X server of with-xvfb.sh, with a
# home folder of its own (so no audio or MIDI set-up and no earlier settings): it starts, its
# window is found and screenshot, the user's gestures go to it as real input events with a
# screenshot after each, and it is closed with its own close button. The state it saved in its
# settings file is then read back with `zelk info`. Prints "standalone: N passed, M failed".
set -u
standalone="$1"
zelk="$2"
shots="$3"
mkdir -p "$shots"

passed=0
failed=0
check() {
    if [ "$1" = 1 ]; then echo "ok    $2"; passed=$((passed + 1)); else echo "FAIL  $2"; failed=$((failed + 1)); fi
}

home="$(mktemp -d "${TMPDIR:-/tmp}/zelk-standalone-home.XXXXXX")"
app_pid=""
cleanup() {
    [ -z "$app_pid" ] || kill "$app_pid" 2> /dev/null
    rm -rf "$home"
}
trap cleanup EXIT

started_ms=$(date +%s%3N)
HOME="$home" "$standalone" > "$shots/standalone.log" 2>&1 &
app_pid=$!

window="$(timeout 20 xdotool search --sync --onlyvisible --name '^Zelk$' 2> /dev/null | head -1)"
check "$([ -n "$window" ] && echo 1)" "the Standalone's window shows ($(( $(date +%s%3N) - started_ms )) ms after starting)"
if [ -z "$window" ]; then
    echo "standalone: $passed passed, $((failed + 1)) failed"
    exit 1
fi

# screenshot NAME: the window as the screen shows it.
step=0
screenshot() {
    step=$((step + 1))
    local file
    file="$shots/standalone-$(printf '%02d' "$step")-$1.png"
    import -window "$window" "$file" 2> /dev/null
    check "$([ -s "$file" ] && echo 1)" "screenshot $file"
}

sleep 0.5
screenshot opened
eval "$(xdotool getwindowgeometry --shell "$window")"

# The user's gestures (a stroke on the piano roll, EDIT and a drag, Ctrl+A and Ctrl+G, CONTROLS and
# a knob, an LFO badge onto Transpose, Space) come here once the editor has them.

# The window's own close button, top right of JUCE's title bar; the Standalone saves its state and quits.
xdotool mousemove --window "$window" $((WIDTH - 20)) 15 click 1
status=0
for _ in $(seq 1 100); do
    kill -0 "$app_pid" 2> /dev/null || break
    sleep 0.1
done
if kill -0 "$app_pid" 2> /dev/null; then
    check 0 "the close button ends the Standalone within 10 s"
else
    wait "$app_pid" || status=$?
    app_pid=""
    check "$([ "$status" = 0 ] && echo 1)" "the close button ends the Standalone normally (status $status)"
fi

settings="$home/.config/Zelk.settings"
info="$("$zelk" info "$settings" 2>&1)"
echo "$info"
check "$(grep -qE '^[0-9]+ notes$' <<< "$info" && echo 1)" "the saved state reads back from $settings"

echo "standalone: $passed passed, $failed failed"
[ "$failed" = 0 ]
