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
shots="$3"
mkdir -p "$shots"
rm -f "$shots"/standalone-*.png

passed=0
failed=0
check() {
    if [ "$1" = 1 ]; then echo "ok    $2"; passed=$((passed + 1)); else echo "FAIL  $2"; failed=$((failed + 1)); fi
}

for tool in xdotool import convert; do
    if ! command -v "$tool" > /dev/null; then
        echo "skipped: $tool is not installed (scripts/setup.sh installs it)"
        exit 77
    fi
done

home="$(mktemp -d "${TMPDIR:-/tmp}/zelk-standalone-home.XXXXXX")"
app_pid=""
cleanup() {
    if [ -n "$app_pid" ]; then
        kill "$app_pid" 2> /dev/null
        wait "$app_pid" 2> /dev/null
    fi
    rm -rf "$home"
}
trap cleanup EXIT
trap 'exit 143' TERM INT HUP

milliseconds() { date +%s%3N; }

started_ms=$(milliseconds)
HOME="$home" "$standalone" > "$shots/standalone.log" 2>&1 &
app_pid=$!

# (xdotool's own --sync looks only every half second.)
window=""
deadline=$(($(milliseconds) + 20000))
while [ -z "$window" ] && [ "$(milliseconds)" -lt "$deadline" ] && kill -0 "$app_pid" 2> /dev/null; do
    window="$(xdotool search --onlyvisible --name '^Zelk$' 2> /dev/null | head -1)"
    [ -n "$window" ] || sleep 0.02
done
check "$([ -n "$window" ] && echo 1)" "the Standalone's window shows ($(($(milliseconds) - started_ms)) ms after starting)"
if [ -z "$window" ]; then
    echo "standalone: $passed passed, $((failed + 1)) failed"
    exit 1
fi

# The editor inside the window. JUCE's Standalone draws its own title bar (26 pixels, with the
# Options button and the close button) and a 4-pixel border around the 1280 x 880 editor; both
# follow from the window's size, so the editor's top left is found the same way whatever they are.
eval "$(xdotool getwindowgeometry --shell "$window")"
editor_x=$(((WIDTH - 1280) / 2))
editor_y=$((HEIGHT - 880 - editor_x))
check "$([ "$editor_x" -ge 0 ] && [ "$editor_y" -ge 0 ] && echo 1)" \
    "the window (${WIDTH} x ${HEIGHT} at $X, $Y) holds the 1280 x 880 editor at $editor_x, $editor_y"

# Screen positions of points of the editor (its own coordinates) and of its piano roll. The canvas
# lies at (32, 164, 1216, 658); its grid starts 77 pixels right of that and 31 below, and is
# 1138 x 626: a fresh editor shows beats 0..16 across it and the 24 keys 48..71 (C3..B4) in rows of
# 626 / 24 pixels, whole semitones on the rows' centres.
at() { echo "$((X + editor_x + $1)) $((Y + editor_y + $2))"; }
beat_x() { awk -v b="$1" 'BEGIN { printf "%d", 109 + b * 1138 / 16 + 0.5 }'; }
pitch_y() { awk -v p="$1" 'BEGIN { printf "%d", 195 + 626 / 24 * (71.5 - p) + 0.5 }'; }
on_grid() { at "$(beat_x "$1")" "$(pitch_y "$2")"; }
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

# What the screen shows of an area of the editor (x y width height), as a digest.
region() {
    import -window "$window" -crop "${3}x${4}+$((editor_x + $1))+$((editor_y + $2))" +repage ppm:- 2> /dev/null | md5sum
}

# wait_for_change AREA DIGEST: until the area shows something else than it did and then holds
# still (the rest of a gesture's events handled), at most 10 s each; returns at once when the
# application is gone.
wait_for_change() {
    local deadline=$(($(milliseconds) + 10000)) now
    while [ "$(region $1)" = "$2" ]; do
        if [ "$(milliseconds)" -gt "$deadline" ] || ! kill -0 "$app_pid" 2> /dev/null; then
            echo "      (the screen did not change within 10 s)"
            return 1
        fi
        sleep 0.05
    done
    deadline=$(($(milliseconds) + 10000))
    now="$(region $1)"
    while sleep 0.1 && [ "$(region $1)" != "$now" ]; do
        now="$(region $1)"
        [ "$(milliseconds)" -lt "$deadline" ] || return 1
    done
}

step=0
screenshot() {
    step=$((step + 1))
    local file
    file="$shots/standalone-$(printf '%02d' "$step")-$1.png"
    import -window "$window" "$file" 2> /dev/null
    check "$([ -s "$file" ] && echo 1)" "screenshot $file"
}

# drag X0 Y0 X1 Y1 [STEPS]: press, move to the end in steps as a hand does, release.
drag() {
    local steps="${5:-24}" command i
    command=(mousemove --sync "$1" "$2" sleep 0.05 mousedown 1)
    for i in $(seq 1 "$steps"); do
        command+=(sleep 0.02 mousemove $(($1 + ($3 - $1) * i / steps)) $(($2 + ($4 - $2) * i / steps)))
    done
    command+=(sleep 0.05 mouseup 1)
    xdotool "${command[@]}"
}

# stroke BEAT0 PITCH0 BEAT1 PITCH1: a stroke on the grid from one point to the other.
stroke() {
    drag $(on_grid "$1" "$2") $(on_grid "$3" "$4")
}

click() {
    xdotool mousemove --sync $(at $1) click 1
}

# "Blue minus red" of an area in a screenshot: a lit button's caption and underline are the accent.
blueness() {
    convert "$1" +repage -crop "${4}x${5}+$((editor_x + $2))+$((editor_y + $3))" +repage \
        -format '%[fx:int(1000 * (mean.b - mean.r))]' info:
}

# The first frame: the editor's paper over the window's black (percent of full brightness).
brightness() {
    local value
    value="$(import -window "$window" -crop "1280x880+$editor_x+$editor_y" +repage -format '%[fx:int(100 * mean)]' info: 2> /dev/null)"
    echo "${value:-0}"
}
deadline=$(($(milliseconds) + 10000))
while [ "$(brightness)" -lt 50 ] && [ "$(milliseconds)" -lt "$deadline" ]; do
    sleep 0.05
done
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

# The window's own close button, top right of JUCE's title bar; the Standalone saves its state and quits.
xdotool mousemove --sync $((X + WIDTH - 20)) $((Y + 15)) click 1
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

# note SLOT: "name start length next" of the slot in the listing.
note() { awk -v slot="$1" '$1 == slot && NF >= 6 { print $2, $3, $4, $6 }' <<< "$info"; }
check "$(grep -qx '2 notes' <<< "$info" && echo 1)" "two notes were saved"
check "$([ "$(note 1)" = "C4 1 2 2" ] && echo 1)" "the first stroke: C4 from beat 1 for 2 beats, connected to note 2 ($(note 1))"
check "$([ "$(note 2)" = "F4 5 2 -" ] && echo 1)" "the second stroke, dragged: F4 from beat 5 for 2 beats ($(note 2))"
check "$(grep -q '^controls: .*pressure 75,' <<< "$info" && echo 1)" "the turned knob: pressure 75"
check "$([ "$(grep '^route ' <<< "$info")" = "route mod1_transpose 25" ] && echo 1)" \
    "the dropped badge: one route, LFO 1 to Transpose at 25 %"

echo "standalone: $passed passed, $failed failed"
[ "$failed" = 0 ]
