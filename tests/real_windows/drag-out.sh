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
. "$(dirname "${BASH_SOURCE[0]}")/session-helpers.sh"
begin_session drag-out "$4" xdotool import
mkdir -p "$home/tmp"
drops="$home/drops.txt"

open_standalone TMPDIR="$home/tmp"
"$target" "$drops" 20 20 360 300 150 > "$shots/drag-out-target.log" 2>&1 &
other_pid=$!
drop_window="$(wait_window '^Zelk drop target$')"
check "$([ -n "$drop_window" ] && echo 1)" "the drop target shows"
[ -n "$drop_window" ] || finish
check "$([ "$X" -ge 400 ] || [ "$Y" -ge 340 ] && echo 1)" "the windows do not overlap (the Standalone at $X, $Y)"

# The whole screen, both windows on it.
screenshot_screen() {
    import -window root "$shots/drag-out-$1.png" 2> /dev/null
}

wait_until_painted

# A note from beat 1 to 3, C4 rising to D4.
drag $(on_grid 1.1 60) $(on_grid 2.9 62)
sleep 0.5

# OUTPUT: bend range 2 (the section at 60, 404; the "2" button at 354, 74 in it) and UPPER.
for button in "269 42" "549 42" "440 494" "381 574"; do
    click "$button"
    sleep 0.4
done
screenshot_screen output-set
click "269 42"
sleep 0.7

# The grip, dragged out over the window's left edge onto the drop target's middle.
drag $(at 392 137) 200 170 30 1.0
deadline=$(($(milliseconds) + 10000))
while ! grep -qx -- '--' "$drops" 2> /dev/null && [ "$(milliseconds)" -lt "$deadline" ]; do
    sleep 0.1
done
screenshot_screen dropped

paths="$(grep -vx -- '--' "$drops" 2> /dev/null)"
count="$(grep -cvx -- '--' "$drops" 2> /dev/null || echo 0)"
check "$([ "$count" = 1 ] && echo 1)" "the drop target received one file (${count:-0}: $(tr '\n' ' ' <<< "$paths"))"
dropped="$paths"
check "$([ "$dropped" = "$home/tmp/Zelk-drag/Zelk loop 1 bar.mid" ] && echo 1)" \
    "it is \"Zelk loop 1 bar.mid\" in Zelk's own temporary folder"
info="$("$zelk" info "$dropped" 2>&1)"
check "$(grep -qx '1 notes' <<< "$info" && echo 1)" "it reads as a MIDI file with the one note"

check "$(kill -0 "$app_pid" 2> /dev/null && echo 1)" "the Standalone is still running"
close_standalone

settings="$home/.config/Zelk.settings"
check "$("$zelk" info "$settings" 2>&1 | grep -qx 'output: bend range 2, 15 member channels, upper zone, configuration sent, channel pressure' && echo 1)" \
    "the saved state holds the output options set"
"$zelk" export "$settings" "$home/exported.mid" > /dev/null
check "$(cmp -s "$dropped" "$home/exported.mid" && echo 1)" \
    "the dropped file is what zelk export writes from the saved state ($(stat -c %s "$dropped" 2> /dev/null) bytes)"
finish
