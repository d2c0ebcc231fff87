#!/usr/bin/env bash
# standalone-opens.sh STANDALONE SCREENSHOT: on the X server of with-xvfb.sh, starts STANDALONE
# with a home folder of its own (no audio device, no earlier settings), waits for its window and
# saves a screenshot of it; fails unless the window shows within 20 s with the editor painted in it.
standalone="$1"
screenshot="$2"

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

milliseconds() { date +%s%3N; }

started=$(milliseconds)
HOME="$home" "$standalone" > "$home/standalone.log" 2>&1 &
app_pid=$!
window=""
while [ -z "$window" ] && [ $(($(milliseconds) - started)) -lt 20000 ] && kill -0 "$app_pid" 2> /dev/null; do
    window="$(xdotool search --onlyvisible --name '^Zelk$' 2> /dev/null | head -1)"
    [ -n "$window" ] || sleep 0.05
done
if [ -z "$window" ]; then
    echo "no Zelk window within 20 s; the Standalone said:"
    cat "$home/standalone.log"
    exit 1
fi
shown=$(($(milliseconds) - started))

# The first frame follows the window: the editor is painted once the screen has many colours.
colours=0
while [ "$colours" -lt 100 ] && [ $(($(milliseconds) - started)) -lt 20000 ]; do
    sleep 0.2
    import -window "$window" "$screenshot" 2> /dev/null && colours="$(convert "$screenshot" -format %k info:)"
done
eval "$(xdotool getwindowgeometry --shell "$window")"
echo "window ${WIDTH} x ${HEIGHT} after $shown ms, $colours colours in $screenshot"
[ "$colours" -ge 100 ]
