#!/usr/bin/env bash
# Positions ("x y") below are words that split into arguments.
# shellcheck disable=SC2086,SC2046
#
# drop-session.sh STANDALONE ZELK DRAG-SOURCE SCREENSHOT-FOLDER
#
# A MIDI file dragged from another X client (zelk_drag_source, standing in for a file manager) and
# dropped on the Standalone's piano roll, on the X server of with-xvfb.sh, with real X input from
# xdotool: the drag over the piano roll shows what letting go does, the drop captures the file
# (the demo's MPE export: five notes, the first two connected, two with vibrato) as one step and
# the status line says so. The window is then closed with its own close button and the state the
# Standalone saved is read back with `zelk info`. Prints "standalone-drop: N passed, M failed".
standalone="$1"
zelk="$2"
drag_source="$3"
shots="$4"
mkdir -p "$shots"
rm -f "$shots"/standalone-drop-*.png

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

home="$(mktemp -d "${TMPDIR:-/tmp}/zelk-drop-home.XXXXXX")"
app_pid=""
source_pid=""
cleanup() {
    for pid in $source_pid $app_pid; do
        kill "$pid" 2> /dev/null
        wait "$pid" 2> /dev/null
    done
    rm -rf "$home"
}
trap cleanup EXIT
trap 'exit 143' TERM INT HUP

milliseconds() { date +%s%3N; }

# wait_window NAME: the id of a visible window with that name, within 20 s.
wait_window() {
    local id="" deadline=$(($(milliseconds) + 20000))
    while [ -z "$id" ] && [ "$(milliseconds)" -lt "$deadline" ]; do
        id="$(xdotool search --onlyvisible --name "$1" 2> /dev/null | head -1)"
        [ -n "$id" ] || sleep 0.05
    done
    echo "$id"
}

"$zelk" demo "$home/demo" > /dev/null
file="$home/demo/demo.mid"
check "$([ -s "$file" ] && echo 1)" "the demo's MPE export to drop: $file"

HOME="$home" "$standalone" > "$shots/standalone-drop.log" 2>&1 &
app_pid=$!
window="$(wait_window '^Zelk$')"
check "$([ -n "$window" ] && echo 1)" "the Standalone's window shows"
if [ -z "$window" ]; then
    echo "standalone-drop: $passed passed, $((failed + 1)) failed"
    exit 1
fi

# The editor inside JUCE's Standalone window, found as standalone-session.sh finds it.
eval "$(xdotool getwindowgeometry --shell "$window")"
editor_x=$(((WIDTH - 1280) / 2))
editor_y=$((HEIGHT - 880 - editor_x))
at() { echo "$((X + editor_x + $1)) $((Y + editor_y + $2))"; }
canvas_area="32 164 1216 658"
footer_area="32 824 1216 56"
region() {
    import -window "$window" -crop "${3}x${4}+$((editor_x + $1))+$((editor_y + $2))" +repage ppm:- 2> /dev/null | md5sum
}
step=0
screenshot() {
    step=$((step + 1))
    local file
    file="$shots/standalone-drop-$(printf '%02d' "$step")-$1.png"
    import -window "$window" "$file" 2> /dev/null
    check "$([ -s "$file" ] && echo 1)" "screenshot $file"
}
# wait_for_change AREA DIGEST: until the area shows something else, at most 10 s.
wait_for_change() {
    local deadline=$(($(milliseconds) + 10000))
    while [ "$(region $1)" = "$2" ]; do
        [ "$(milliseconds)" -lt "$deadline" ] || return 1
        sleep 0.05
    done
    sleep 0.3
}

# Until the editor has painted (its paper over the window's black).
deadline=$(($(milliseconds) + 10000))
while [ "$(import -window "$window" -crop "1280x880+$editor_x+$editor_y" +repage -format '%[fx:int(100 * mean)]' info: 2> /dev/null || echo 0)" -lt 50 ] \
    && [ "$(milliseconds)" -lt "$deadline" ]; do
    sleep 0.05
done
screenshot opened

# The drag source beside the Standalone, out of its way.
source_x=$((X + WIDTH + 60))
source_y=$((Y + 200))
"$drag_source" "$file" "$source_x" "$source_y" > "$shots/standalone-drop-source.log" 2>&1 &
source_pid=$!
source_window="$(wait_window '^Zelk drag source$')"
check "$([ -n "$source_window" ] && echo 1)" "the drag source's window shows"
eval "$(xdotool getwindowgeometry --shell "$source_window" | sed 's/^/SOURCE_/')"
sleep 0.3

# Pressed in the source, moved over the piano roll as a hand does.
from_x=$((SOURCE_X + SOURCE_WIDTH / 2))
from_y=$((SOURCE_Y + SOURCE_HEIGHT / 2))
set -- $(at 640 493)
to_x=$1
to_y=$2
footer_before="$(region $footer_area)"
canvas_before="$(region $canvas_area)"
command=(mousemove --sync "$from_x" "$from_y" sleep 0.1 mousedown 1)
for i in $(seq 1 30); do
    command+=(sleep 0.03 mousemove $((from_x + (to_x - from_x) * i / 30)) $((from_y + (to_y - from_y) * i / 30)))
done
xdotool "${command[@]}"
wait_for_change "$footer_area" "$footer_before"
check "$([ "$(region $footer_area)" != "$footer_before" ] && echo 1)" "over the piano roll, the hint says what letting go does"
screenshot dragging-over-the-piano-roll
xdotool mousemove $((to_x + 3)) $((to_y + 3)) sleep 0.1 mouseup 1
wait_for_change "$canvas_area" "$canvas_before"
check "$([ "$(region $canvas_area)" != "$canvas_before" ] && echo 1)" "the drop changed the piano roll"
screenshot dropped

for _ in $(seq 1 50); do
    kill -0 "$source_pid" 2> /dev/null || break
    sleep 0.1
done
check "$(grep -q '^drag finished$' "$shots/standalone-drop-source.log" && echo 1)" \
    "the drag source saw its drop finish ($(tr '\n' ' ' < "$shots/standalone-drop-source.log"))"

# Closed with its own close button, the Standalone saves its state.
xdotool mousemove --sync $((X + WIDTH - 20)) $((Y + 15)) click 1
for _ in $(seq 1 100); do
    kill -0 "$app_pid" 2> /dev/null || break
    sleep 0.1
done
wait "$app_pid" 2> /dev/null
app_pid=""
info="$("$zelk" info "$home/.config/Zelk.settings" 2>&1)"
echo "$info"
note() { awk -v slot="$1" '$1 == slot && NF >= 6 { print $2, $6, ($7 == "-" ? "-" : "vibrato") }' <<< "$info"; }
check "$(grep -qx '5 notes' <<< "$info" && echo 1)" "the saved state holds the five captured notes"
check "$([ "$(note 1)" = "D4 2 -" ] && echo 1)" "the first, D4, glides into the second ($(note 1))"
check "$([ "$(note 2)" = "G4 - vibrato" ] && echo 1)" "the second, G4, has its vibrato back ($(note 2))"
check "$([ "$(note 5)" = "G3 - vibrato" ] && echo 1)" "the last, G3, too ($(note 5))"
check "$(grep -q '^loop: off' <<< "$info" && echo 1)" "looping is off, as after an import"

echo "standalone-drop: $passed passed, $failed failed"
[ "$failed" = 0 ]
