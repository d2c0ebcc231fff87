// Reading a played stream: its layout and bend ranges, the values its curves take, its bad input,
// and the clean-up options.
#include "core/PatternMath.h"
#include "midi/ExpressionTrack.h"
#include "midi/PerformanceCapture.h"
#include "tests/helpers/MidiFiles.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace zelk;
using namespace zelk::test;

namespace
{
// A stream in beats, built message by message.
struct Stream
{
    juce::MidiMessageSequence events;

    Stream& add (const juce::MidiMessage& m, double beat)
    {
        events.addEvent (m, beat);
        return *this;
    }

    Stream& on (int channel, int key, double beat, int velocity = 100)
    {
        return add (juce::MidiMessage::noteOn (channel, key, (juce::uint8) velocity), beat);
    }

    Stream& off (int channel, int key, double beat) { return add (juce::MidiMessage::noteOff (channel, key), beat); }

    // A registered parameter: its number, then the data entry.
    Stream& rpn (int channel, int number, int value, double beat)
    {
        add (juce::MidiMessage::controllerEvent (channel, 101, 0), beat);
        add (juce::MidiMessage::controllerEvent (channel, 100, number), beat);
        return add (juce::MidiMessage::controllerEvent (channel, 6, value), beat);
    }

    // A bend held from a beat on, in semitones for a range.
    Stream& bend (int channel, double semitones, double range, double beat)
    {
        return add (juce::MidiMessage::pitchWheel (
                        channel, juce::jlimit (0, 16383, (int) std::lround (8192 + semitones / range * 8192))),
                    beat);
    }

    CaptureResult capture (CaptureOptions options = {}) const { return capturePerformance (events, options); }
};

double pitchOf (const Note& note, int point, double bendDepth = 48.0)
{
    return note.pitch + note.curves[pitchCurve][(size_t) point] * bendDepth;
}

CaptureResult captureBytes (const juce::MemoryBlock& bytes)
{
    juce::MemoryInputStream in (bytes, false);
    return captureMidiFile (in, {});
}
} // namespace

TEST (CaptureStream, TellsMpeFromSingleChannelAndTakesEachChannelsBendRange)
{
    // An MPE configuration, a member range of 24 and a master bend of one semitone on channel 1
    // (a step to another key, which would otherwise become a connected note).
    Stream mpe;
    mpe.rpn (1, 6, 15, 0.0).rpn (2, 0, 24, 0.0).rpn (1, 0, 2, 0.0);
    mpe.bend (2, 6.0, 24.0, 0.0).on (2, 60, 0.0).bend (1, 1.0, 2.0, 0.5).off (2, 60, 2.0);
    CaptureOptions noGlides;
    noGlides.glides = false;
    const auto a = mpe.capture (noGlides);
    ASSERT_TRUE (a.ok()) << a.error;
    EXPECT_TRUE (a.report.mpe);
    EXPECT_EQ (a.report.layout, "MPE lower zone");
    EXPECT_EQ (a.report.bendRanges, "24");
    EXPECT_EQ (a.report.masterRange, "2");
    EXPECT_NEAR (pitchOf (a.notes[0], 2), 66.0, 0.02);  // its own bend
    EXPECT_NEAR (pitchOf (a.notes[0], 30), 67.0, 0.02); // and the master's

    // No configuration, but notes on channels 2 and 3 with bends of their own: MPE at 48.
    Stream spread;
    spread.bend (2, 2.0, 48.0, 0.0)
        .on (2, 60, 0.0)
        .bend (3, -2.0, 48.0, 0.0)
        .on (3, 64, 0.0)
        .off (2, 60, 1.0)
        .off (3, 64, 1.0);
    const auto b = spread.capture();
    ASSERT_TRUE (b.ok());
    EXPECT_TRUE (b.report.mpe);
    EXPECT_NEAR (pitchOf (b.notes[0], 16), 62.0, 0.02);
    EXPECT_NEAR (pitchOf (b.notes[1], 16), 62.0, 0.02);

    // One channel: its bend (range 2) moves both notes, each key's aftertouch only its own note.
    Stream single;
    single.on (1, 60, 0.0).on (1, 64, 0.0).bend (1, 1.0, 2.0, 0.0);
    single.add (juce::MidiMessage::aftertouchChange (1, 64, 127), 0.0).off (1, 60, 1.0).off (1, 64, 1.0);
    const auto c = single.capture();
    ASSERT_TRUE (c.ok());
    EXPECT_FALSE (c.report.mpe);
    EXPECT_EQ (c.report.bendRanges, "2");
    EXPECT_NEAR (pitchOf (c.notes[0], 16), 61.0, 0.02);
    EXPECT_NEAR (pitchOf (c.notes[1], 16), 65.0, 0.02);
    EXPECT_FLOAT_EQ (c.notes[0].curves[pressureCurve][16], 0.5f); // never sent: the default
    EXPECT_FLOAT_EQ (c.notes[1].curves[pressureCurve][16], 1.0f);

    // A range of 200 is taken for 96, and said so.
    Stream absurd;
    absurd.rpn (1, 6, 15, 0.0).rpn (2, 0, 127, 0.0).on (2, 60, 0.0).off (2, 60, 1.0).on (3, 62, 1.0).off (3, 62, 2.0);
    const auto d = absurd.capture();
    ASSERT_TRUE (d.ok());
    EXPECT_EQ (d.report.bendRanges, "96");
    EXPECT_TRUE (d.report.summary().contains ("Bend range 127 on channel 2 clamped to 96"));
}

TEST (CaptureStream, CurvesAreTheStreamsValuesInTheirUnits)
{
    // Pressure 64 and timbre 127 held; a bend of 12 semitones at bend depth 24 is half the range,
    // and 30 semitones at that depth is clamped to the whole of it.
    Stream s;
    s.rpn (1, 6, 15, 0.0).bend (2, 12.0, 48.0, 0.0).add (juce::MidiMessage::channelPressureChange (2, 64), 0.0);
    s.add (juce::MidiMessage::controllerEvent (2, 74, 127), 0.0)
        .on (2, 60, 0.0, 90)
        .bend (2, 30.0, 48.0, 1.0)
        .off (2, 60, 2.0);
    CaptureOptions options;
    options.bendDepth = 24.0;
    options.glides = false;
    const auto r = s.capture (options);
    ASSERT_TRUE (r.ok()) << r.error;
    ASSERT_EQ (r.notes.size(), 1u);
    const auto& n = r.notes[0];
    EXPECT_EQ (n.pitch, 60);
    EXPECT_FLOAT_EQ (n.velocity, 90.0f);
    EXPECT_FLOAT_EQ (n.start, 0.0f);
    EXPECT_FLOAT_EQ (n.duration, 2.0f);
    EXPECT_NEAR (n.curves[pitchCurve][4], 0.5, 0.001);
    EXPECT_FLOAT_EQ (n.curves[pitchCurve][30], 1.0f);
    EXPECT_EQ (r.report.notesClamped, 1);
    EXPECT_NEAR (n.curves[pressureCurve][10], 64.0 / 127.0, 0.001);
    EXPECT_NEAR (n.curves[timbreCurve][10], 1.0, 0.001);
}

TEST (CaptureStream, BadInputIsClosedClippedIgnoredOrRefused)
{
    // 130 notes: the first 128 by start are kept and the report says how many there were.
    Stream many;

    for (int i = 0; i < 130; ++i)
        many.on (1, 40 + i % 40, 129 - i).off (1, 40 + i % 40, 129.5 - i);

    const auto a = many.capture();
    ASSERT_TRUE (a.ok());
    EXPECT_EQ (a.notes.size(), 128u);
    EXPECT_FLOAT_EQ (a.notes.front().start, 0.0f);
    EXPECT_TRUE (a.report.summary().startsWith ("Captured 128 of 130 notes"));

    // A note-on without its note-off is closed where the capture ends, a stray note-off is
    // ignored, and the same key again closes the first.
    Stream odd;
    odd.off (1, 50, 0.0).on (1, 60, 0.0).on (1, 60, 1.0).off (1, 60, 1.5).on (1, 62, 2.0);
    CaptureOptions endsAtTen;
    endsAtTen.endBeat = 10.0;
    const auto b = odd.capture (endsAtTen);
    ASSERT_TRUE (b.ok());
    ASSERT_EQ (b.notes.size(), 3u);
    EXPECT_FLOAT_EQ (b.notes[0].duration, 1.0f);
    EXPECT_FLOAT_EQ (b.notes[1].duration, 0.5f);
    EXPECT_FLOAT_EQ (b.notes[2].end(), 10.0f);
    EXPECT_EQ (b.report.heldToEnd, 1);

    // Past the timeline: cut at its end, or dropped when it starts too late to fit.
    Stream late;
    late.on (1, 70, 262079.0).off (1, 70, 262090.0).on (1, 72, 262079.98).off (1, 72, 262085.0);
    const auto t = late.capture();
    ASSERT_TRUE (t.ok());
    ASSERT_EQ (t.notes.size(), 1u);
    EXPECT_FLOAT_EQ (t.notes[0].end(), 262080.0f);
    EXPECT_TRUE (t.report.summary().startsWith ("Captured 1 of 2 notes"));

    // Nothing played: nothing captured, and said so.
    Stream empty;
    empty.bend (1, 1.0, 2.0, 0.0);
    EXPECT_EQ (empty.capture().error, "Nothing captured: no notes were played");

    // Damaged files are refused with the import's own messages; running status is read.
    EXPECT_EQ (captureBytes (juce::MemoryBlock ("MThd junk", 9)).error, "Cannot read MIDI file");
    EXPECT_EQ (captureBytes (midiFileBytes ({trackOf ({{60, 0, 480}})}, 480, 2)).error,
               "Import supports MIDI type 0/1, not independent type 2 patterns");
    EXPECT_EQ (captureBytes (midiFileBytes ({juce::MidiMessageSequence()})).error, "MIDI file contains no notes");

    // Two notes in running status: one status byte, then bare data bytes.
    const unsigned char running[] = {'M', 'T',  'h',  'd', 0, 0, 0,  6,  0, 0,    0,    1,   1, 0xe0,
                                     'M', 'T',  'r',  'k', 0, 0, 0,  18, 0, 0x90, 60,   100, 0, 64,
                                     100, 0x83, 0x60, 60,  0, 0, 64, 0,  0, 0xff, 0x2f, 0x00};
    const auto c = captureBytes (juce::MemoryBlock (running, sizeof (running)));
    ASSERT_TRUE (c.ok()) << c.error;
    ASSERT_EQ (c.notes.size(), 2u);
    EXPECT_EQ (c.notes[1].pitch, 64);
    EXPECT_FLOAT_EQ (c.notes[1].duration, 1.0f);
}

TEST (CaptureStream, EachCleanUpStepCanBeTurnedOff)
{
    // A slide from C4 up to E4, held; a 6 Hz swing of half a semitone on E4; a one-message spike
    // and a few cents of drift on C4.
    Stream s;
    s.rpn (1, 6, 15, 0.0).on (2, 60, 0.0);

    for (double t = 0.0; t < 4.0; t += 0.008)
    {
        auto semitones = t < 1.0 ? 0.03 : t < 1.25 ? 4.0 * (t - 1.0) / 0.25 : 4.0;

        if (t > 2.0 && t < 3.5)
            semitones += 0.5 * std::sin (2.0 * 3.14159265 * 3.0 * (t - 2.0));

        if (std::abs (t - 0.5) < 0.004)
            semitones += 3.0;

        s.bend (2, semitones, 48.0, t);
    }

    s.off (2, 60, 4.0);

    const auto all = s.capture();
    ASSERT_TRUE (all.ok());
    ASSERT_EQ (all.notes.size(), 2u);
    EXPECT_EQ (all.notes[0].next, 1);
    EXPECT_EQ (all.notes[1].pitch, 64);
    EXPECT_NEAR (all.notes[1].start, 1.25, 0.01);
    EXPECT_TRUE (all.notes[1].vibOn);
    EXPECT_NEAR (all.notes[1].vibDepth, 0.5, 0.02);
    EXPECT_NEAR (pitchOf (all.notes[0], 4), 60.03, 0.01); // the spike is gone
    EXPECT_EQ (all.report.glidesMade, 1);
    EXPECT_EQ (all.report.vibratosLifted, 1);

    CaptureOptions plain;
    plain.dejitter = plain.glides = plain.vibrato = false;
    const auto none = s.capture (plain);
    ASSERT_EQ (none.notes.size(), 1u);
    EXPECT_FALSE (none.notes[0].vibOn);
    EXPECT_GT (pitchOf (none.notes[0], 4), 60.2); // the spike stays in its point

    CaptureOptions snap;
    snap.snapDriftCents = 5.0;
    EXPECT_FLOAT_EQ (s.capture (snap).notes[0].curves[pitchCurve][4], 0.0f);
}

TEST (CaptureStream, HostileInputsEndAtOnceWithWhatFitsThePattern)
{
    // A note-off 2^28 ticks after its note-on at one tick a beat, in 37 bytes: cut at the end.
    const unsigned char farOff[] = {'M', 'T', 'h',  'd',  0,    0,    0,    6,    0,    0,    0,    1,    0,
                                    1,   'M', 'T',  'r',  'k',  0,    0,    0,    15,   0,    0x90, 60,   100,
                                    0xff, 0xff, 0xff, 0x7f, 0x80, 60, 0,    0,    0xff, 0x2f, 0x00};
    const auto a = captureBytes (juce::MemoryBlock (farOff, sizeof (farOff)));
    ASSERT_TRUE (a.ok()) << a.error;
    ASSERT_EQ (a.notes.size(), 1u);
    EXPECT_FLOAT_EQ (a.notes[0].end(), (float) timelineEnd);
    EXPECT_EQ (a.report.notesClamped, 1);

    // SMPTE timing is refused as the import refuses it.
    const unsigned char smpte[] = {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 1, 0xe7, 0x28,
                                   'M', 'T', 'r', 'k', 0, 0, 0, 4, 0, 0xff, 0x2f, 0x00};
    EXPECT_EQ (captureBytes (juce::MemoryBlock (smpte, sizeof (smpte))).error,
               "Import requires beat-based MIDI (PPQ), not SMPTE");

    // A thousand notes never released, the last event far past the timeline: the first 128 by
    // start are kept and closed at its end.
    Stream held;

    for (int i = 0; i < 1000; ++i)
        held.on (1 + i % 16, (i / 16) % 128, i * 0.01);

    held.bend (1, 0.5, 2.0, 300000.0);
    const auto b = held.capture();
    ASSERT_EQ (b.notes.size(), 128u);
    EXPECT_TRUE (b.report.summary().startsWith ("Captured 128 of 1000 notes")) << b.report.summary();
    EXPECT_EQ (b.report.heldToEnd, 1000);
    EXPECT_FLOAT_EQ (b.notes[127].start, 1.27f);
    EXPECT_FLOAT_EQ (b.notes[127].end(), (float) timelineEnd);

    // 200 notes bent past the curve under a range of 127: the hint, and only the kept ones clamped.
    Stream bent;
    bent.rpn (1, 0, 127, 0.0);

    for (int i = 0; i < 200; ++i)
    {
        const auto key = 40 + i % 40;
        bent.bend (1, 96.0, 96.0, i).on (1, key, i + 0.1).off (1, key, i + 0.6).bend (1, 0.0, 96.0, i + 0.7);
    }

    const auto c = bent.capture();
    ASSERT_EQ (c.notes.size(), 128u);
    EXPECT_EQ (c.report.notesClamped, 128);
    EXPECT_TRUE (c.report.summary().startsWith ("Captured 128 of 200 notes"));
    EXPECT_TRUE (c.report.summary().contains ("Bend range 127 on channel 1 clamped to 96"));

    // A slide far along the timeline still gives notes that glide into one another; at tempi no
    // host means, the links that are made hold too.
    for (const auto [base, tempo] : {std::pair (5000.3, 120.0), std::pair (200000.3, 120.0), std::pair (8.3, 0.0),
                                     std::pair (8.3, std::nan ("")), std::pair (8.3, 1.0e9)})
    {
        Stream s;
        s.rpn (1, 6, 15, base).on (2, 60, base);

        for (double t = 0.0; t < 3.0; t += 0.008)
            s.bend (2, t < 1.0 ? 0.0 : t < 1.25 ? 4.0 * (t - 1.0) / 0.25 : 4.0, 48.0, base + t);

        s.off (2, 60, base + 3.0);
        CaptureOptions options;
        options.tempo = tempo;
        const auto r = s.capture (options);
        ASSERT_TRUE (r.ok()) << base << " at " << tempo;

        if (tempo == 120.0)
        {
            ASSERT_EQ (r.notes.size(), 2u) << base;
            EXPECT_EQ (r.notes[0].next, 1) << base;
            EXPECT_EQ (r.notes[1].pitch, 64) << base;
        }

        for (const auto& n : r.notes)
            EXPECT_TRUE (n.next < 0 || glidesInto (n, r.notes[(size_t) n.next])) << base << " at " << tempo;
    }

    // A note released where it began lasts the shortest note; one starting at the end is none.
    Stream edge;
    edge.on (1, 60, 5.0).off (1, 60, 5.0).on (1, 62, timelineEnd - minimumDuration).off (1, 62, timelineEnd);
    edge.on (1, 64, timelineEnd).off (1, 64, timelineEnd + 1.0);
    const auto e = edge.capture();
    ASSERT_EQ (e.notes.size(), 2u);
    EXPECT_FLOAT_EQ (e.notes[0].duration, (float) minimumDuration);
    EXPECT_FLOAT_EQ (e.notes[1].end(), (float) timelineEnd);
    EXPECT_EQ (e.report.notesFound, 3);
    EXPECT_EQ (e.report.notesClamped, 1);

    // 128 notes held on one channel under a bend at 1 kHz: each follows it to the end, with memory
    // for a bounded number of values however long the bend goes on.
    Stream dense;

    for (int key = 0; key < 128; ++key)
        dense.on (1, key, 0.0);

    for (int i = 1; i <= 100000; ++i)
        dense.bend (1, i / 100000.0, 2.0, i * 0.002);

    CaptureOptions curvesOnly;
    curvesOnly.glides = curvesOnly.vibrato = false;
    const auto d = dense.capture (curvesOnly);
    ASSERT_EQ (d.notes.size(), 128u);
    EXPECT_EQ (d.notes[127].pitch, 127);
    EXPECT_NEAR (pitchOf (d.notes[127], 16), 127.5, 0.02);
    EXPECT_NEAR (pitchOf (d.notes[127], 32), 128.0, 0.02);

    ExpressionTrack track;

    for (int i = 0; i < 600000; ++i)
        track.add (i * 0.002, (float) (i % 200));

    EXPECT_LE (track.values().size(), ExpressionTrack::mostPoints);
    EXPECT_FLOAT_EQ (track.values().back().value, 199.0f);
}
