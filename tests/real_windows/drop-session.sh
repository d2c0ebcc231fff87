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
. "$(dirname "${BASH_SOURCE[0]}")/session-helpers.sh"
begin_session standalone-drop "$4" xdotool import convert

"$zelk" demo "$home/demo" > /dev/null
file="$home/demo/demo.mid"
check "$([ -s "$file" ] && echo 1)" "the demo's MPE export to drop: $file"

open_standalone
canvas_area="32 164 1216 658"
footer_area="32 824 1216 56"
wait_until_painted
screenshot opened

# The drag source beside the Standalone, out of its way.
source_x=$((X + WIDTH + 60))
source_y=$((Y + 200))
"$drag_source" "$file" "$source_x" "$source_y" > "$shots/standalone-drop-source.log" 2>&1 &
other_pid=$!
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
    kill -0 "$other_pid" 2> /dev/null || break
    sleep 0.1
done
check "$(grep -q '^drag finished$' "$shots/standalone-drop-source.log" && echo 1)" \
    "the drag source saw its drop finish ($(tr '\n' ' ' < "$shots/standalone-drop-source.log"))"

# Closed with its own close button, the Standalone saves its state.
close_standalone
info="$("$zelk" info "$home/.config/Zelk.settings" 2>&1)"
echo "$info"
note() { awk -v slot="$1" '$1 == slot && NF >= 6 { print $2, $6, ($7 == "-" ? "-" : "vibrato") }' <<< "$info"; }
check "$(grep -qx '5 notes' <<< "$info" && echo 1)" "the saved state holds the five captured notes"
check "$([ "$(note 1)" = "D4 2 -" ] && echo 1)" "the first, D4, glides into the second ($(note 1))"
check "$([ "$(note 2)" = "G4 - vibrato" ] && echo 1)" "the second, G4, has its vibrato back ($(note 2))"
check "$([ "$(note 5)" = "G3 - vibrato" ] && echo 1)" "the last, G3, too ($(note 5))"
check "$(grep -q '^loop: off' <<< "$info" && echo 1)" "looping is off, as after an import"

finish
