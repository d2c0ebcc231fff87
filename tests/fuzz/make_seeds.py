#!/usr/bin/env python3
"""Writes the fuzz targets' seed corpora into tests/fuzz/corpus/: small versions of the states,
instrument elements and MIDI files that the test suite makes. Run it again after changing it;
the fuzzers' own corpora grow in the build folder, not here."""

import base64
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))
STATE_MAGIC = 0x21324356


def write(target, name, data):
    folder = os.path.join(HERE, "corpus", target)
    os.makedirs(folder, exist_ok=True)
    with open(os.path.join(folder, name), "wb") as f:
        f.write(data if isinstance(data, bytes) else data.encode("utf-8"))


def state_xml(params, instrument=None, root="TamselState"):
    children = "".join('<PARAM id="%s" value="%s"/>' % (i, v) for i, v in params)
    if instrument is not None:
        children += '<HostedInstrument path="%s" state="%s"/>' % instrument
    return '<?xml version="1.0" encoding="UTF-8"?>\n<%s>%s</%s>' % (root, children, root)


def state_block(xml):
    text = xml.encode("utf-8")
    return struct.pack("<II", STATE_MAGIC, len(text)) + text + b"\0"


def juce_base64(data):
    """JUCE's memory-block text: the size, a dot, then six bits to a character, low bits first."""
    alphabet = ".ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+"
    bits = int.from_bytes(data, "little")
    chars = "".join(alphabet[(bits >> (6 * i)) & 63] for i in range((len(data) * 8 + 5) // 6))
    return "%d.%s" % (len(data), chars)


# The notes the tests write: a chain of three with curves, a note at the end of the timeline.
NOTES = [
    ("note1_on", 1), ("note1_pitch", 60), ("note1_start", 0.5), ("note1_duration", 1.5), ("note1_next", 2),
    ("note1_curve0_16", 0.25), ("note1_vibOn", 1),
    ("note2_on", 1), ("note2_pitch", 67), ("note2_start", 2), ("note2_duration", 1), ("note2_next", 3),
    ("note2_glide", 0.5), ("note2_glideShape", -0.5),
    ("note3_on", 1), ("note3_pitch", 64), ("note3_start", 3), ("note3_duration", 2),
    ("note4_on", 1), ("note4_startPage", 16379), ("note4_start", 15.9), ("note4_duration", 0.0625),
]
SETTINGS = [("bend", 24), ("transpose", -3.5), ("looping", 0), ("rangeStart", 1), ("rangeEnd", 9),
            ("rangeEnabled", 1), ("uiTheme", 2), ("lfo1_sync", 1), ("lfo2_point4", -0.5), ("mod1_bend", 40)]
SMALL = [("bend", 48), ("transpose", 2.4), ("looping", 1), ("rangeEnd", 8), ("note1_on", 1), ("note1_start", 3.25),
         ("note1_startPage", 0), ("note1_next", 2), ("note2_curve0_3", -0.25), ("uiTheme", 1), ("lfo1_sync", 0),
         ("mod1_bend", 0)]
JUNK = [("bend", "nan"), ("pressure", "1e999"), ("timbre", "-"), ("transpose", "0x10"), ("velocity", ""),
        ("smooth", "-inf"), ("note1_on", "0.7"), ("note1_pitch", "300"), ("note1_next", "-4"), ("unknown", "1")]
FIXTURE_STATE = juce_base64(b"VC2!" + b"\x10\x00\x00\x00" + b"<p gain=\"0.5\"/>\x00")


def states():
    yield "small", state_xml(SMALL, ("/x/y.vst3", "3.ABCD"))
    yield "pattern", state_xml(NOTES + SETTINGS)
    yield "junk-values", state_xml(JUNK)
    yield "stand-in", state_xml(SMALL, ("/tmp/zelk-fuzz-instruments/Stereo.vst3", FIXTURE_STATE))
    yield "vital", state_xml(NOTES[:7], ("/tmp/zelk-fuzz-instruments/Vital.vst3", ""))
    yield "empty", state_xml([])
    yield "other-root", state_xml(SMALL, root="OtherState")


def midi_track(events):
    """events: (tick, bytes) in time order; returns an MTrk chunk ending with end-of-track."""
    out, last = b"", 0
    for tick, data in events + [(events[-1][0] if events else 0, b"\xff\x2f\x00")]:
        delta, last = tick - last, tick
        vlq = bytes([delta & 0x7F])
        delta >>= 7
        while delta:
            vlq = bytes([0x80 | (delta & 0x7F)]) + vlq
            delta >>= 7
        out += vlq + data
    return b"MTrk" + struct.pack(">I", len(out)) + out


def midi_file(tracks, ppq=480, fmt=1):
    return b"MThd" + struct.pack(">IHHH", 6, fmt, len(tracks), ppq) + b"".join(midi_track(t) for t in tracks)


def notes_track(notes, channel=1):
    events = []
    for key, start, end, velocity in notes:
        events.append((start, bytes([0x90 | (channel - 1), key, velocity])))
        events.append((end, bytes([0x80 | (channel - 1), key, 0])))
    return sorted(events, key=lambda e: e[0])


def midi_files():
    yield "three-tracks", midi_file([notes_track([(60, 960, 1440, 90), (62, 0, 480, 100)]),
                                     notes_track([(64, 960, 1920, 70)], 5), notes_track([(67, 480, 960, 127)], 16)])
    bent = notes_track([(64, 960, 1440, 100), (60, 0, 480, 100)])
    bent.insert(1, (10, bytes([0xE0, 0x68, 0x07])))
    bent.insert(0, (0, b"\xff\x51\x03\x03\xd0\x90"))  # a tempo
    yield "bend-and-tempo", midi_file([bent])
    yield "type-0", midi_file([notes_track([(60, 0, 30, 100), (72, 30, 60, 1)])], fmt=0)
    yield "overlapping", midi_file([[(0, b"\x90\x3c\x64"), (480, b"\x90\x3c\x64"), (960, b"\x80\x3c\x00"),
                                     (1440, b"\x80\x3c\x00")]])
    yield "zero-velocity-off", midi_file([[(0, b"\x90\x3c\x64"), (240, b"\x90\x3c\x00")]])
    yield "no-note-off", midi_file([[(0, b"\x90\x3c\x64")]])
    yield "many-notes", midi_file([notes_track([(40 + i % 40, i * 60, i * 60 + 45, 100) for i in range(128)])])
    yield "smpte", midi_file([notes_track([(60, 0, 480, 100)])], ppq=0xE728)
    yield "type-2", midi_file([notes_track([(60, 0, 480, 100)])], fmt=2)
    yield "timeline-end", midi_file([notes_track([(60, 1048316, 1048320, 100)])], ppq=4)


for name, xml in states():
    write("state-block", name, state_block(xml))
    write("state-xml", name + ".xml", xml)
write("state-block", "truncated", state_block(state_xml(SMALL))[:40])

instruments = {
    "stereo": "~T/Stereo.vst3\n" + FIXTURE_STATE,
    "vital-file": "~T/Vital.vst3\n",
    "vital-bundle": "~T/Vital Bundle.vst3\n" + juce_base64(b"a saved sound"),
    "mono": "~T/Mono.vst3\n0.",
    "six-outputs": "~T/Six.vst3\n",
    "missing": "/nonexistent/Synth.vst3\n3.ABCD",
    "relative": "Synth.vst3\n",
    "not-base64": "~T/Stereo.vst3\nno size here",
}
for name, text in instruments.items():
    write("hosted-instrument", name, text)

for name, data in midi_files():
    write("midi-import", name + ".mid", data)

def capture_event(ticks, status, a=0, b=0):
    """One event of the capture-stream target: ticks of a 256th of a beat (from 0xf0: far on)."""
    return bytes([ticks, status, a, b])


def capture_streams():
    plain = b"\x00\x3c\x00"  # every clean-up step, 120 bpm, closed at the last event
    bend = lambda ch, v: (0xe0 | ch, v & 0x7f, v >> 7)
    # A slide from C4 to E4 on a member channel, held, with a swing on E4.
    slide = [capture_event(0, 0x90 | 1, 60, 100)]
    for i in range(200):
        semitones = 4.0 * min(1.0, max(0.0, (i - 40) / 30.0))
        if i > 100:
            semitones += 0.4 * ((-1) ** (i // 6))
        slide.append(capture_event(2, *bend(1, 8192 + int(semitones / 48 * 8192))))
    slide.append(capture_event(2, 0x81, 60, 0))
    yield "slide", plain + b"".join(slide)
    # Single channel, running status, pressure and timbre, a stray note-off, the same key twice.
    mixed = [capture_event(0, 0x80, 50, 0), capture_event(0, 0x90, 60, 90), capture_event(16, 0x3e, 80, 0),
             capture_event(16, 0xd0, 70), capture_event(8, 0xb0, 74, 30), capture_event(64, 0x90, 60, 70),
             capture_event(64, 0xa0, 60, 100), capture_event(32, 0x80, 60, 0)]
    yield "single-channel", b"\x01\x5a\x40" + b"".join(mixed)
    # A note far past the timeline, one held there, and a note-on with no note-off.
    far = [capture_event(0, 0x90, 60, 100), capture_event(0xf5, 0x80, 60, 0), capture_event(0, 0x90, 62, 100),
           capture_event(0xf3, 0xe0, 0, 0x50)]
    yield "far", plain + b"".join(far)
    # An absurd bend range, 150 short notes, and notes at the timeline's end.
    many = [capture_event(0, 0xb0, 101, 0), capture_event(0, 0xb0, 100, 0), capture_event(0, 0xb0, 6, 127)]
    for i in range(150):
        many += [capture_event(4, 0x90, 30 + i % 60, 100), capture_event(4, 0xe0, 0x7f, 0x7f),
                 capture_event(8, 0x80, 30 + i % 60, 0)]
    yield "many", b"\x06\xff\x00" + b"".join(many)


for name, data in capture_streams():
    write("capture-stream", name, data)

write("pattern-loader", "three-tracks.mid", dict(midi_files())["three-tracks"])
write("pattern-loader", "no-note-off.mid", dict(midi_files())["no-note-off"])
write("pattern-loader", "pattern.xml", state_xml(NOTES + SETTINGS))
write("pattern-loader", "small-state", state_block(state_xml(SMALL)))
write("pattern-loader", "other-root.xml", state_xml(SMALL, root="OtherState"))
write("pattern-loader", "neither", "Zelk pattern? No.\n")
