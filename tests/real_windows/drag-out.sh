#!/usr/bin/env bash
# Positions ("x y") below are words that split into arguments.
# shellcheck disable=SC2086,SC2046
#
# drag-out.sh STANDALONE ZELK DROP-TARGET SCREENSHOT-FOLDER
#
# DRAG MIDI as a user does it, on the X server of with-xvfb.sh: the Standalone (with a home and a
# temporary folder of its own) and a drop target window (zelk_drop_target) beside it. With real X
# input through xdotool, a note is drawn, the OUTPUT section set to a bend range of 2 and the upper
# zone, and the grip dragged out of the Standalone onto the drop target. The target must receive
# one file, in Zelk's own temporary folder, named after the loop, that reads as MIDI and holds
# exactly what `zelk export` writes from the state the Standalone saves when it is closed.
# Prints "drag-out: N passed, M failed".
standalone="$1"
zelk="$2"
target="$3"
shots="$4"
mkdir -p "$shots"
rm -f "$shots"/drag-out-*.png

passed=0
failed=0
check() {
    if [ "$1" = 1 ]; then echo "ok    $2"; passed=$((passed + 1)); else echo "FAIL  $2"; failed=$((failed + 1)); fi
}

for tool in xdotool import; do
    if ! command -v "$tool" > /dev/null; then
        echo "skipped: $tool is not installed (scripts/setup.sh installs it)"
        exit 77
    fi
done

home="$(mktemp -d "${TMPDIR:-/tmp}/zelk-drag-out.XXXXXX")"
mkdir -p "$home/tmp"
drops="$home/drops.txt"
app_pid=""
target_pid=""
cleanup() {
    for pid in $app_pid $target_pid; do
        kill "$pid" 2> /dev/null
        wait "$pid" 2> /dev/null
    done
    rm -rf "$home"
}
trap cleanup EXIT
trap 'exit 143' TERM INT HUP

milliseconds() { date +%s%3N; }

# find_window TITLE-PATTERN: the first visible window of that title, waiting up to 20 s.
find_window() {
    local found="" deadline=$(($(milliseconds) + 20000))
    while [ -z "$found" ] && [ "$(milliseconds)" -lt "$deadline" ]; do
        found="$(xdotool search --onlyvisible --name "$1" 2> /dev/null | head -1)"
        [ -n "$found" ] || sleep 0.05
    done
    echo "$found"
}

finish() {
    echo "drag-out: $passed passed, $failed failed"
    [ "$failed" = 0 ]
    exit
}

HOME="$home" TMPDIR="$home/tmp" "$standalone" > "$shots/drag-out-standalone.log" 2>&1 &
app_pid=$!
"$target" "$drops" 20 20 360 300 150 > "$shots/drag-out-target.log" 2>&1 &
target_pid=$!

window="$(find_window '^Zelk$')"
drop_window="$(find_window '^Zelk drop target$')"
check "$([ -n "$window" ] && [ -n "$drop_window" ] && echo 1)" "the Standalone and the drop target show"
[ -n "$window" ] && [ -n "$drop_window" ] || finish

# The editor inside the Standalone's window, found as standalone-session.sh finds it.
eval "$(xdotool getwindowgeometry --shell "$window")"
editor_x=$(((WIDTH - 1280) / 2))
editor_y=$((HEIGHT - 880 - editor_x))
check "$([ "$X" -ge 400 ] || [ "$Y" -ge 340 ] && echo 1)" "the windows do not overlap (the Standalone at $X, $Y)"

at() { echo "$((X + editor_x + $1)) $((Y + editor_y + $2))"; }
beat_x() { awk -v b="$1" 'BEGIN { printf "%d", 109 + b * 1138 / 16 + 0.5 }'; }
pitch_y() { awk -v p="$1" 'BEGIN { printf "%d", 195 + 626 / 24 * (71.5 - p) + 0.5 }'; }
click() { xdotool mousemove --sync $(at $1) click 1; sleep 0.4; }

# press_move_release X0 Y0 X1 Y1 STEPS PAUSE: a hand's drag, resting PAUSE seconds at the end.
press_move_release() {
    local command=(mousemove --sync "$1" "$2" sleep 0.05 mousedown 1) i
    for i in $(seq 1 "$5"); do
        command+=(sleep 0.03 mousemove $(($1 + ($3 - $1) * i / $5)) $(($2 + ($4 - $2) * i / $5)))
    done
    command+=(sleep "$6" mousemove $(($3 + 1)) $(($4 + 1)) sleep 0.3 mouseup 1)
    xdotool "${command[@]}"
}

screenshot() {
    import -window root "$shots/drag-out-$1.png" 2> /dev/null
}

# Painted once the editor's paper shows.
deadline=$(($(milliseconds) + 10000))
while [ "$(import -window "$window" -format '%[fx:int(100 * mean)]' info: 2> /dev/null || echo 0)" -lt 50 ] \
    && [ "$(milliseconds)" -lt "$deadline" ]; do
    sleep 0.1
done

# A note from beat 1 to 3, C4 rising to D4.
press_move_release $(at "$(beat_x 1.1)" "$(pitch_y 60)") $(at "$(beat_x 2.9)" "$(pitch_y 62)") 24 0.1
sleep 0.5

# OUTPUT: bend range 2 (the section at 60, 404; the "2" button at 354, 74 in it) and UPPER.
click "269 42"
click "549 42"
click "440 494"
click "381 574"
screenshot output-set
click "269 42"
sleep 0.3

# The grip, dragged out over the window's left edge onto the drop target's middle.
press_move_release $(at 392 137) 200 170 30 1.0
deadline=$(($(milliseconds) + 10000))
while ! grep -qx -- '--' "$drops" 2> /dev/null && [ "$(milliseconds)" -lt "$deadline" ]; do
    sleep 0.1
done
screenshot dropped

paths="$(grep -vx -- '--' "$drops" 2> /dev/null)"
count="$(grep -cvx -- '--' "$drops" 2> /dev/null || echo 0)"
check "$([ "$count" = 1 ] && echo 1)" "the drop target received one file (${count:-0}: $(tr '\n' ' ' <<< "$paths"))"
dropped="$paths"
check "$([ "$dropped" = "$home/tmp/Zelk-drag/Zelk loop 1 bar.mid" ] && echo 1)" \
    "it is \"Zelk loop 1 bar.mid\" in Zelk's own temporary folder"
info="$("$zelk" info "$dropped" 2>&1)"
check "$(grep -qx '1 notes' <<< "$info" && echo 1)" "it reads as a MIDI file with the one note"

check "$(kill -0 "$app_pid" 2> /dev/null && echo 1)" "the Standalone is still running"
xdotool mousemove --sync $((X + WIDTH - 20)) $((Y + 15)) click 1
for _ in $(seq 1 100); do
    kill -0 "$app_pid" 2> /dev/null || break
    sleep 0.1
done
wait "$app_pid" 2> /dev/null
app_pid=""

settings="$home/.config/Zelk.settings"
check "$("$zelk" info "$settings" 2>&1 | grep -qx 'output: bend range 2, 15 member channels, upper zone, configuration sent, channel pressure' && echo 1)" \
    "the saved state holds the output options set"
"$zelk" export "$settings" "$home/exported.mid" > /dev/null
check "$(cmp -s "$dropped" "$home/exported.mid" && echo 1)" \
    "the dropped file is what zelk export writes from the saved state ($(stat -c %s "$dropped" 2> /dev/null) bytes)"
finish
