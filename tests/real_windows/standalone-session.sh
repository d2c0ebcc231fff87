#!/usr/bin/env bash
# Positions ("x y") and areas ("x y width height") below are words that split into arguments.
# shellcheck disable=SC2086,SC2046
#
# standalone-session.sh STANDALONE ZELK SCREENSHOT-FOLDER
#
# The Standalone application driven as a user drives it, on the X server of with-xvfb.sh, with a
# home folder of its own (so no audio or MIDI set-up and no earlier settings). Every gesture is real
# X input through xdotool, and a screenshot follows each step:
#   two strokes on the piano roll, EDIT and a drag of the second note, Ctrl+A and Ctrl+G (the two
#   connected), CONTROLS and a turn of the Pressure knob, LFO 1's header badge dragged onto the
#   Transpose knob, PIANO ROLL and Space (PLAY lights).
# The window is then closed with its own close button; the state the Standalone saved in its
# settings file is read back with `zelk info` and must hold what the pointer made.
# Prints "standalone: N passed, M failed".
standalone="$1"
zelk="$2"
. "$(dirname "${BASH_SOURCE[0]}")/session-helpers.sh"
begin_session standalone "$3" xdotool import convert

open_standalone
check "$([ "$editor_x" -ge 0 ] && [ "$editor_y" -ge 0 ] && echo 1)" \
    "the window (${WIDTH} x ${HEIGHT} at $X, $Y) holds the 1280 x 880 editor at $editor_x, $editor_y"

# Where the editor's controls are (centres, editor coordinates).
edit_button="146 101"
controls_tab="363 42"
piano_roll_tab="269 42"
lfo1_badge="640 42"
pressure_knob="170 382"  # knob 1's dial: card x 60, width 220; dial above its 26-pixel value box
transpose_knob="634 382" # knob 3, two cards of 232 pixels further right
play_button="994 39 80 31"
grid_area="109 195 1138 626"
knob_cards="60 264 1160 244"

# stroke BEAT0 PITCH0 BEAT1 PITCH1: a stroke on the grid from one point to the other.
stroke() {
    drag $(on_grid "$1" "$2") $(on_grid "$3" "$4")
}

# "Blue minus red" of an area in a screenshot: a lit button's caption and underline are the accent.
blueness() {
    convert "$1" +repage -crop "${4}x${5}+$((editor_x + $2))+$((editor_y + $3))" +repage \
        -format '%[fx:int(1000 * (mean.b - mean.r))]' info:
}

wait_until_painted
check "$([ "$(brightness)" -ge 50 ] && echo 1)" "the editor painted (seen by screenshots $(($(milliseconds) - started_ms)) ms after starting; zelk_bench times it exactly)"
screenshot opened

# Two strokes: C4 rising to D4 over beats 1.1..2.9 (time snap: a note from beat 1 to 3), then E4
# over beats 4.1..5.9 (4 to 6).
before="$(region $grid_area)"
stroke 1.1 60 2.9 62
wait_for_change "$grid_area" "$before"
screenshot first-stroke

before="$(region $grid_area)"
stroke 4.1 64 5.9 64
wait_for_change "$grid_area" "$before"
screenshot second-stroke

before="$(region 112 86 69 31)"
click "$edit_button"
wait_for_change "112 86 69 31" "$before"
screenshot edit-tool

# The second note taken at its middle and moved one beat later and one key up: F4 from beat 5.
before="$(region $grid_area)"
drag $(on_grid 5.0 64) $(on_grid 6.0 65) 12
wait_for_change "$grid_area" "$before"
screenshot note-dragged

# Both selected and connected: the first note glides into the second.
before="$(region $grid_area)"
xdotool key --delay 80 ctrl+a ctrl+g
wait_for_change "$grid_area" "$before"
screenshot connected

before="$(region $knob_cards)"
click "$controls_tab"
wait_for_change "$knob_cards" "$before"
screenshot controls

# Pressure turned down: 55 pixels of the knob's 220 for its whole range, 100 % to 75 %.
before="$(region 60 300 220 190)"
drag $(at $pressure_knob) $(at 170 437) 11
wait_for_change "60 300 220 190" "$before"
screenshot knob-turned

# LFO 1's badge dragged onto Transpose through JUCE's drag and drop; the knob gets LFO 1's ring.
before="$(region 524 300 220 190)"
drag $(at $lfo1_badge) $(at $transpose_knob) 20
wait_for_change "524 300 220 190" "$before"
screenshot lfo-routed

# Back on the piano roll, Space starts the pattern on the plug-in's own clock: PLAY lights.
click "$piano_roll_tab"
xdotool mousemove --sync $(at 900 60)
sleep 0.2
screenshot piano-roll
before_play="$shots/standalone-$(printf '%02d' "$step")-piano-roll.png"
before="$(region $play_button)"
xdotool key space
wait_for_change "$play_button" "$before"
screenshot playing
after_play="$shots/standalone-$(printf '%02d' "$step")-playing.png"
lit_before="$(blueness "$before_play" $play_button)"
lit_after="$(blueness "$after_play" $play_button)"
check "$([ "${lit_after:-0}" -gt $((${lit_before:-0} + 40)) ] && echo 1)" \
    "Space lit PLAY (blue over red in the button: $lit_before before, $lit_after after)"

check "$(kill -0 "$app_pid" 2> /dev/null && echo 1)" "the Standalone is still running after the gestures"

# Closed with its own close button, the Standalone saves its state and quits.
if close_standalone; then
    check "$([ "$app_status" = 0 ] && echo 1)" "the close button ends the Standalone normally (status $app_status)"
else
    check 0 "the close button ends the Standalone within 10 s"
fi

settings="$home/.config/Zelk.settings"
info="$("$zelk" info "$settings" 2>&1)"
echo "$info"
check "$(grep -qE '^[0-9]+ notes$' <<< "$info" && echo 1)" "the saved state reads back from $settings"

# note SLOT: "name start length next" of the slot in the listing.
note() { awk -v slot="$1" '$1 == slot && NF >= 6 { print $2, $3, $4, $6 }' <<< "$info"; }
check "$(grep -qx '2 notes' <<< "$info" && echo 1)" "two notes were saved"
check "$([ "$(note 1)" = "C4 1 2 2" ] && echo 1)" "the first stroke: C4 from beat 1 for 2 beats, connected to note 2 ($(note 1))"
check "$([ "$(note 2)" = "F4 5 2 -" ] && echo 1)" "the second stroke, dragged: F4 from beat 5 for 2 beats ($(note 2))"
check "$(grep -q '^controls: .*pressure 75,' <<< "$info" && echo 1)" "the turned knob: pressure 75"
check "$([ "$(grep '^route ' <<< "$info")" = "route mod1_transpose 25" ] && echo 1)" \
    "the dropped badge: one route, LFO 1 to Transpose at 25 %"

finish
