#!/usr/bin/env bash
# Tries a built Zelk in a real DAW, headlessly: Ardour (Debian's package, installed when missing)
# with its "None (Dummy)" audio backend and its Lua session tool. Run by hand; not part of CI.
#
#   scripts/try-in-ardour.sh [BUNDLE]     (default: the build's Zelk.vst3)
#   ZELK_ARDOUR_BPM=117.1875 scripts/try-in-ardour.sh     (the session's tempo; 120 by default)
#
# What it does, printing what Ardour showed at each step:
#   1. Ardour's VST 3 scanner on a private copy of the bundle;
#   2. a new session: Zelk on a MIDI track, a pattern set through its parameters, the transport
#      rolled with the listen synth on and off, Zelk's MIDI and audio counted by a small Lua
#      plug-in after it (try-in-ardour-probe.lua), the session saved;
#   3. Zelk's state found in the session file (written out as XML, listed with `zelk info`);
#   4. the session loaded again by a new process: the pattern read back and played again.
# Everything lives in one folder (ZELK_ARDOUR_DIR, by default a new one under /tmp): Ardour's
# configuration and plug-in cache there too, so a user's own Ardour set-up is left alone.
# Exits 1 when a step did not show what Zelk should (lines starting with "FAIL:" or "Error:").
#
# What Ardour 7.3 showed: all of it works. Ardour gives the song position in whole 1/1920 beats,
# so with 1024-sample blocks at 120 BPM (81.92 of them) a block's start now and then lies most of
# one short of where the last one ended; Zelk allows a host that counts in ticks that much, so held
# notes play through (before it did, each was attacked again about every 12.5 blocks). The tempo
# can be changed with ZELK_ARDOUR_BPM (at 117.1875 BPM a block is exactly 80 ticks).
source "$(dirname "${BASH_SOURCE[0]}")/common.sh"

bundle="${1:-$ZELK_BUILD/Zelk_artefacts/Release/VST3/Zelk.vst3}"
[ -d "$bundle" ] || { echo "no VST 3 bundle at $bundle (build first: scripts/main.sh)" >&2; exit 2; }
bundle="$(cd "$bundle" && pwd)"

zelk_install_packages ardour
lua_tools=(/usr/bin/ardour*-lua) scanners=(/usr/lib/ardour*/ardour-vst3-scanner)
lua_tool="${lua_tools[0]}" scanner="${scanners[0]}"
if [ ! -x "$lua_tool" ] || [ ! -x "$scanner" ]; then
    echo "Ardour's Lua tool or VST 3 scanner is missing" >&2
    exit 2
fi
echo "== $(dpkg-query -W -f='${Package} ${Version}' ardour): $lua_tool, $scanner"

work="${ZELK_ARDOUR_DIR:-$(mktemp -d /tmp/zelk-ardour.XXXXXX)}"
mkdir -p "$work/vst3" "$work/config/ardour7/scripts" "$work/cache"
rm -rf "$work/vst3/Zelk.vst3" "$work/session"
cp -r "$bundle" "$work/vst3/"
# Ardour uses a scanner's cache only when it is newer than the module, by whole seconds.
find "$work/vst3" -exec touch -d "1 minute ago" {} +
cp "$ZELK_ROOT/scripts/try-in-ardour-probe.lua" "$work/config/ardour7/scripts/"
export XDG_CONFIG_HOME="$work/config" XDG_CACHE_HOME="$work/cache" VST3_PATH="$work/vst3"
echo "== Working in $work (a copy of $bundle)"

bpm="${ZELK_ARDOUR_BPM:-120}"
status=0
elapsed() { echo "$(( ($(date +%s%N) - $1) / 1000000 )) ms"; }
# run_session PHASE: one run of the Lua session script, its output shown without Ardour's
# warning for each parameter it does not automate (see limit-n-automatables), which is counted.
ignored="Ignored automation data for non-automatable parameter"
run_session() {
    "$lua_tool" "$ZELK_ROOT/scripts/try-in-ardour.lua" "$1" "$work/session" zelk "$bpm" > "$work/$1.log" 2>&1 \
        || status=1
    grep -vE "$ignored|^MIDI Clock in|^MTC in new|Reasonable Synth|^Butler drops|direct dispatch of call slot" \
        "$work/$1.log" || true
    local count
    count=$(grep -c "$ignored" "$work/$1.log" || true)
    [ "$count" -eq 0 ] || echo "(and $count times \"$ignored\")"
    grep -qE "^(FAIL|Error):" "$work/$1.log" && status=1
    return 0
}

echo "== 1. Ardour's VST 3 scanner"
started=$(date +%s%N)
LD_LIBRARY_PATH="$(dirname "$scanner")" "$scanner" -v -f "$work/vst3/Zelk.vst3" 2>&1 | tee "$work/scan.log"
grep -q "Found Plugin: Zelk" "$work/scan.log" || { echo "FAIL: the scanner did not find Zelk"; exit 1; }
echo "== scanned in $(elapsed "$started")"

echo "== 2. A new session with Zelk on a MIDI track"
started=$(date +%s%N)
run_session create
echo "== created, played and saved in $(elapsed "$started")"

echo "== 3. Zelk's state in the session file"
session_file="$work/session/zelk.ardour"
if [ -f "$session_file" ]; then
    python3 - "$session_file" "$work/state-from-session.xml" <<'EOF' || status=1
import base64, re, sys, xml.etree.ElementTree as ET
path, out = sys.argv[1], sys.argv[2]
root = ET.parse(path).getroot()
zelk = [p for p in root.iter("Processor") if p.get("type") == "vst3" and p.get("name") == "Zelk"]
if not zelk:
    sys.exit("FAIL: no Zelk processor in " + path)
zelk = zelk[0]
vst3 = zelk.find("vst3")
chunk = vst3.find("chunk") if vst3 is not None else None
import os
print(f"session file: {os.path.getsize(path)} bytes; Zelk's processor, id {zelk.get('unique-id')}:",
      f"{len(zelk.findall('Controllable'))} controls, {len(zelk.findall('Automation/AutomationList'))}",
      f"automation lists, {len(vst3.findall('Port')) if vst3 is not None else 0} port values,",
      f"a state chunk of {len(chunk.text) if chunk is not None else 0} base64 characters")
if chunk is None:
    sys.exit("FAIL: no state chunk")
blob = base64.b64decode(chunk.text)
at = blob.find(b"VC2!")
if at < 0:
    sys.exit("FAIL: the chunk holds no JUCE state block")
size = int.from_bytes(blob[at + 4:at + 8], "little")
xml = blob[at + 8:at + 8 + size].rstrip(b"\0")
open(out, "wb").write(xml)
state = ET.fromstring(xml)
values = {p.get("id"): p.get("value") for p in state.iter("PARAM")}
print(f"the chunk's JUCE state: root <{state.tag}>, {len(values)} parameters; " + ", ".join(
      f"{k} {values.get(k)}" for k in ("note1_on", "note1_pitch", "note1_start", "note1_duration",
                                       "note2_on", "note2_pitch", "note2_start", "note2_duration",
                                       "monitor")))
if (values.get("note1_on"), values.get("note1_pitch"), values.get("note2_pitch")) != ("1.0", "60.0", "64.0"):
    sys.exit("FAIL: the pattern is not in the saved state")
EOF
    if [ -f "$work/state-from-session.xml" ] && [ -x "$ZELK_BUILD/tools/zelk" ]; then
        echo "== zelk info on the state taken from the session file"
        "$ZELK_BUILD/tools/zelk" info "$work/state-from-session.xml" > "$work/state-info.txt" || status=1
        sed -n '1,12p' "$work/state-info.txt"
    fi
else
    echo "FAIL: no session file $session_file"
    status=1
fi

echo "== 4. The saved session loaded again, in a new process"
started=$(date +%s%N)
run_session reload
echo "== loaded and played in $(elapsed "$started")"

if [ "$status" -eq 0 ]; then
    echo "== Ardour showed what Zelk should; logs in $work"
else
    echo "== Ardour showed something Zelk should not (FAIL lines above); logs in $work"
fi
exit "$status"
