# session-helpers.sh: sourced by the sessions that drive the Standalone with real X input on the
# X server of with-xvfb.sh (standalone-session.sh, drop-session.sh, drag-out.sh). They call
# begin_session first and end with finish.
# Positions ("x y") and areas ("x y width height") below are words that split into arguments.
# shellcheck shell=bash disable=SC2086,SC2046

passed=0
failed=0
check() {
    if [ "$1" = 1 ]; then echo "ok    $2"; passed=$((passed + 1)); else echo "FAIL  $2"; failed=$((failed + 1)); fi
}

# finish: the summary line, "SESSION: N passed, M failed", and the exit, 0 when nothing failed.
finish() {
    echo "$session: $passed passed, $failed failed"
    [ "$failed" = 0 ]
    exit
}

# begin_session SESSION SCREENSHOT-FOLDER TOOL...: skipped (77) unless every tool is installed;
# the folder's screenshots of an earlier run removed; a home folder of the session's own in $home.
# At the end the Standalone ($app_pid) and the other window's program ($other_pid) are ended and
# the home folder removed.
begin_session() {
    session="$1"
    shots="$2"
    shift 2
    local tool
    for tool in "$@"; do
        if ! command -v "$tool" > /dev/null; then
            echo "skipped: $tool is not installed (scripts/setup.sh installs it)"
            exit 77
        fi
    done
    mkdir -p "$shots"
    rm -f "$shots/$session"-*.png
    home="$(mktemp -d "${TMPDIR:-/tmp}/zelk-$session.XXXXXX")"
    app_pid=""
    app_status=""
    other_pid=""
    window=""
    trap end_session EXIT
    trap 'exit 143' TERM INT HUP
}

end_session() {
    local pid
    for pid in $other_pid $app_pid; do
        kill "$pid" 2> /dev/null
        wait "$pid" 2> /dev/null
    done
    rm -rf "$home"
}

milliseconds() { date +%s%3N; }

# wait_window TITLE-PATTERN: the id of the first visible window of that title, within 20 s, or
# nothing once the Standalone has gone. (xdotool's own --sync looks only every half second.)
wait_window() {
    local id="" deadline=$(($(milliseconds) + 20000))
    while [ -z "$id" ] && [ "$(milliseconds)" -lt "$deadline" ]; do
        [ -z "$app_pid" ] || kill -0 "$app_pid" 2> /dev/null || break
        id="$(xdotool search --onlyvisible --name "$1" 2> /dev/null | head -1)"
        [ -n "$id" ] || sleep 0.02
    done
    echo "$id"
}

# find_editor: the geometry of the Standalone's $window ($X, $Y, $WIDTH, $HEIGHT) and the top left
# of the editor inside it ($editor_x, $editor_y). JUCE's Standalone draws its own title bar (26
# pixels, with the Options button and the close button) and a 4-pixel border around the 1280 x 880
# editor; both follow from the window's size, so the editor is found the same way whatever they are.
find_editor() {
    eval "$(xdotool getwindowgeometry --shell "$window")"
    editor_x=$(((WIDTH - 1280) / 2))
    editor_y=$((HEIGHT - 880 - editor_x))
}

# open_standalone [NAME=VALUE...]: the Standalone ($standalone) started with the session's home
# folder and these variables, its output in SESSION.log, and the editor found in its window. The
# session finishes when no window shows.
# shellcheck disable=SC2154 # standalone is the session's argument
open_standalone() {
    started_ms=$(milliseconds)
    env HOME="$home" "$@" "$standalone" > "$shots/$session.log" 2>&1 &
    app_pid=$!
    window="$(wait_window '^Zelk$')"
    check "$([ -n "$window" ] && echo 1)" "the Standalone's window shows ($(($(milliseconds) - started_ms)) ms after starting)"
    [ -n "$window" ] || finish
    find_editor
}

# Screen positions of points of the editor (its own coordinates) and of its piano roll. The canvas
# lies at (32, 164, 1216, 658); its grid starts 77 pixels right of that and 31 below, and is
# 1138 x 626: a fresh editor shows beats 0..16 across it and the 24 keys 48..71 (C3..B4) in rows of
# 626 / 24 pixels, whole semitones on the rows' centres.
at() { echo "$((X + editor_x + $1)) $((Y + editor_y + $2))"; }
beat_x() { awk -v b="$1" 'BEGIN { printf "%d", 109 + b * 1138 / 16 + 0.5 }'; }
pitch_y() { awk -v p="$1" 'BEGIN { printf "%d", 195 + 626 / 24 * (71.5 - p) + 0.5 }'; }
on_grid() { at "$(beat_x "$1")" "$(pitch_y "$2")"; }

click() {
    xdotool mousemove --sync $(at $1) click 1
}

# drag X0 Y0 X1 Y1 [STEPS] [REST]: press, move to the end in steps as a hand does, release. With
# REST, the pointer rests there that many seconds and moves on a pixel before the release, as a
# hand letting go over another window does.
drag() {
    local steps="${5:-24}" command i
    command=(mousemove --sync "$1" "$2" sleep 0.05 mousedown 1)
    for i in $(seq 1 "$steps"); do
        command+=(sleep 0.02 mousemove $(($1 + ($3 - $1) * i / steps)) $(($2 + ($4 - $2) * i / steps)))
    done
    if [ -n "${6:-}" ]; then
        command+=(sleep "$6" mousemove $(($3 + 1)) $(($4 + 1)) sleep 0.3)
    else
        command+=(sleep 0.05)
    fi
    command+=(mouseup 1)
    xdotool "${command[@]}"
}

# What the screen shows of an area of the editor (x y width height), as a digest.
region() {
    import -window "$window" -crop "${3}x${4}+$((editor_x + $1))+$((editor_y + $2))" +repage ppm:- 2> /dev/null | md5sum
}

# wait_for_change AREA DIGEST: until the area shows something else than it did and then holds
# still (the rest of a gesture's events handled), at most 10 s each; returns at once when the
# Standalone is gone.
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

# The editor's brightness, percent of full: its paper over the window's black once it has painted.
brightness() {
    local value
    value="$(import -window "$window" -crop "1280x880+$editor_x+$editor_y" +repage -format '%[fx:int(100 * mean)]' info: 2> /dev/null)"
    echo "${value:-0}"
}

# wait_until_painted: until the editor's first frame shows, at most 10 s.
wait_until_painted() {
    local deadline=$(($(milliseconds) + 10000))
    while [ "$(brightness)" -lt 50 ] && [ "$(milliseconds)" -lt "$deadline" ]; do
        sleep 0.05
    done
}

# screenshot STEP: the Standalone's window in SESSION-NN-STEP.png, numbered in order.
step=0
screenshot() {
    step=$((step + 1))
    local file
    file="$shots/$session-$(printf '%02d' "$step")-$1.png"
    import -window "$window" "$file" 2> /dev/null
    check "$([ -s "$file" ] && echo 1)" "screenshot $file"
}

# close_standalone: the window's own close button, top right of JUCE's title bar; the Standalone
# saves its state and quits. Fails when it still runs 10 s later; else its status is in $app_status.
# shellcheck disable=SC2034 # app_status is read by the sessions
close_standalone() {
    xdotool mousemove --sync $((X + WIDTH - 20)) $((Y + 15)) click 1
    for _ in $(seq 1 100); do
        kill -0 "$app_pid" 2> /dev/null || break
        sleep 0.1
    done
    kill -0 "$app_pid" 2> /dev/null && return 1
    app_status=0
    wait "$app_pid" 2> /dev/null || app_status=$?
    app_pid=""
}
