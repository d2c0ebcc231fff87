// MPE notes as a receiver sees them: configuration, attacks, releases, chains, channel allocation,
// transpose and velocity, stopping, the audition of edits and what the editor is told.
#include "core/NoteFields.h"
#include "tests/helpers/MidiExpectations.h"
#include "tests/helpers/TestProcessor.h"

using namespace zelk;
using namespace zelk::test;
using juce::MidiMessage;

namespace
{
std::vector<MidiMessage> attackOf (int channel, int key, int velocity, int bend = 8192, int pressure = 64, int timbre = 64)
{
    return { MidiMessage::pitchWheel (channel, bend), MidiMessage::channelPressureChange (channel, pressure),
             MidiMessage::controllerEvent (channel, 74, timbre), MidiMessage::noteOn (channel, key, (juce::uint8) velocity) };
}

std::vector<MidiMessage> tickOf (int channel, int bend = 8192, int pressure = 64, int timbre = 64)
{
    return { MidiMessage::pitchWheel (channel, bend), MidiMessage::channelPressureChange (channel, pressure),
             MidiMessage::controllerEvent (channel, 74, timbre) };
}

std::vector<int> keysOf (const Events& events)
{
    std::vector<int> keys;

    for (const auto& e : events)
        keys.push_back (e.message.getNoteNumber());

    return keys;
}
} // namespace

TEST (MpeNotes, StartingPlaybackConfiguresTheZoneBeforeTheFirstAttack)
{
    EngineHarness h;
    h.note (0, 0.0f, 1.0f, 60);
    const auto start = startHost (h);
    const auto events = h.run (1);

    // The host starting is a reset: neutral members first, then the configuration, then the
    // attack (bend, pressure, timbre, note-on) and the first send tick repeating its values.
    auto expected = concat (expectedNeutralMembers(), expectedConfiguration());
    expected = concat (expected, attackOf (2, 60, 100));
    expected = concat (expected, tickOf (2));
    EXPECT_TRUE (sameMessages (messagesOf (at (events, start)), expected));
    EXPECT_EQ (events.size(), expected.size());
    EXPECT_EQ (expectedConfiguration().size(), 85u);
}

TEST (MpeNotes, InternalClockStartSendsOnlyTheConfigurationBeforeTheAttack)
{
    EngineHarness h;
    h.note (0, 0.0f, 1.0f, 64);
    h.host.bpm = exactTempo;
    h.prepare();
    h.run (1);
    h.processor.playRequested = true;
    const auto start = h.samplesDone();
    const auto events = h.run (1);

    auto expected = concat (expectedConfiguration(), attackOf (2, 64, 100));
    EXPECT_TRUE (sameMessages (messagesOf (at (events, start)), concat (expected, tickOf (2))));
}

TEST (MpeNotes, ReleaseIsNoteOffThenPressureZeroAtTheNoteEnd)
{
    EngineHarness h;
    h.note (0, 0.0f, 1.0f, 60);
    h.note (1, 2.0f, 0.5f, 67);
    const auto start = startHost (h);
    const auto events = h.runSamples (3 * samplesPerBeat);

    const auto end = start + samplesPerBeat;
    EXPECT_TRUE (sameMessages (messagesOf (at (events, end)),
                               { MidiMessage::noteOff (2, 60, (juce::uint8) 0), MidiMessage::channelPressureChange (2, 0) }));

    // The next note takes the lowest free channel again, and ends exactly at its end.
    const auto second = start + 2 * samplesPerBeat;
    ASSERT_EQ (noteOns (events).size(), 2u);
    EXPECT_TRUE (noteOns (events)[1].isNoteOn (2, 67));
    EXPECT_EQ (noteOns (events)[1].sample, second);
    EXPECT_EQ (noteOffs (events)[1].sample, second + samplesPerBeat / 2);
}

TEST (MpeNotes, AChainSoundsOneNoteOnAndOneNoteOff)
{
    EngineHarness h;
    h.note (0, 0.0f, 1.0f, 60, 1);
    h.note (1, 1.0f, 1.0f, 64, 2);
    h.note (2, 2.0f, 0.5f, 55);
    const auto start = startHost (h);
    const auto events = h.runSamples (3 * samplesPerBeat);

    ASSERT_EQ (noteOns (events).size(), 1u);
    ASSERT_EQ (noteOffs (events).size(), 1u);
    EXPECT_TRUE (noteOns (events)[0].isNoteOn (2, 60));
    EXPECT_TRUE (noteOffs (events)[0].isNoteOff (2, 60));
    EXPECT_EQ (noteOffs (events)[0].sample, start + 2 * samplesPerBeat + samplesPerBeat / 2);

    // The second note is heard as a bend of +4 semitones, the third as -5, on the same channel.
    const auto b = bends (events, 2);
    EXPECT_TRUE (std::any_of (b.begin(), b.end(), [] (const auto& e) { return e.isBend (2, 8875); }));
    EXPECT_TRUE (std::any_of (b.begin(), b.end(), [] (const auto& e) { return e.isBend (2, 7339); }));
}

TEST (MpeNotes, WhenTwoNotesNameTheSameNextNoteTheLowerSlotConnects)
{
    EngineHarness h;
    h.note (3, 0.0f, 1.0f, 62, 5);
    h.note (0, 0.0f, 1.0f, 60, 5);
    h.note (5, 1.0f, 1.0f, 64);
    const auto start = startHost (h);
    const auto events = h.runSamples (3 * samplesPerBeat);

    const auto ons = noteOns (events);
    ASSERT_EQ (ons.size(), 2u);
    EXPECT_TRUE (ons[0].isNoteOn (2, 60));
    EXPECT_TRUE (ons[1].isNoteOn (3, 62));

    // Slot 3 ends on its own; slot 0 carries on through slot 5.
    const auto offs = noteOffs (events);
    ASSERT_EQ (offs.size(), 2u);
    EXPECT_TRUE (offs[0].isNoteOff (3, 62));
    EXPECT_EQ (offs[0].sample, start + samplesPerBeat);
    EXPECT_TRUE (offs[1].isNoteOff (2, 60));
    EXPECT_EQ (offs[1].sample, start + 2 * samplesPerBeat);
}

TEST (MpeNotes, SixteenSimultaneousNotesShareFifteenChannels)
{
    EngineHarness h;

    for (int slot = 0; slot < 16; ++slot)
        h.note (slot, 0.0f, slot == 0 ? 0.5f : 2.0f, 40 + slot);

    const auto start = startHost (h);
    const auto events = h.runSamples (samplesPerBeat);

    const auto ons = noteOns (events);
    ASSERT_EQ (ons.size(), 16u);

    for (int slot = 0; slot < 15; ++slot)
    {
        EXPECT_TRUE (ons[(size_t) slot].isNoteOn (slot + 2, 40 + slot)) << ons[(size_t) slot].message.getDescription();
        EXPECT_EQ (ons[(size_t) slot].sample, start);
    }

    // The sixteenth starts on the channel the first frees, in the same sample.
    EXPECT_TRUE (ons[15].isNoteOn (2, 55));
    EXPECT_EQ (ons[15].sample, start + samplesPerBeat / 2);
    ASSERT_EQ (noteOffs (events).size(), 1u);
    EXPECT_EQ (noteOffs (events)[0].sample, start + samplesPerBeat / 2);
    EXPECT_EQ (h.processor.activeVoiceCount.load(), 15);
}

TEST (MpeNotes, ATransposeChangeRetriggersTheNoteInTheSameSample)
{
    EngineHarness h;
    h.note (0, 0.0f, 4.0f, 60);
    startHost (h);
    h.run (4);
    h.set ("transpose", 2.6f);
    const auto events = h.run (4);

    // The control glides over 20 ms, so the key steps up one semitone at a time; every step is
    // a release and an attack in one sample, ending three semitones up.
    const auto ons = noteOns (events);
    const auto offs = noteOffs (events);
    ASSERT_EQ (keysOf (ons), (std::vector<int> { 61, 62, 63 }));
    ASSERT_EQ (keysOf (offs), (std::vector<int> { 60, 61, 62 }));

    for (size_t i = 0; i < ons.size(); ++i)
    {
        const auto same = messagesOf (at (events, ons[i].sample));
        auto expected = std::vector<MidiMessage> { offs[i].message, MidiMessage::channelPressureChange (2, 0) };
        expected = concat (expected, attackOf (2, keysOf (ons)[i], 100));
        EXPECT_TRUE (sameMessages (std::vector<MidiMessage> (same.begin(), same.begin() + 6), expected));
    }
}

TEST (MpeNotes, VelocityIsScaledRoundedAndClampedToOneTo127)
{
    const auto velocityWith = [] (float scale, float noteVelocity)
    {
        EngineHarness h;
        Note n;
        n.on = true;
        n.start = 0.0f;
        n.velocity = noteVelocity;
        h.note (0, n);
        h.set ("velocity", scale);
        startHost (h);
        const auto ons = noteOns (h.run (1));
        return ons.empty() ? -1 : (int) ons[0].message.getVelocity();
    };

    EXPECT_EQ (velocityWith (200.0f, 100.0f), 127);
    EXPECT_EQ (velocityWith (0.0f, 100.0f), 1);
    EXPECT_EQ (velocityWith (150.0f, 64.0f), 96);
    EXPECT_EQ (velocityWith (37.0f, 100.0f), 37);
    EXPECT_EQ (velocityWith (30.0f, 1.0f), 1);
}

TEST (MpeNotes, StoppingReleasesEveryMemberChannelInTurn)
{
    EngineHarness h;
    h.note (0, 0.0f, 4.0f, 60);
    h.note (1, 0.0f, 4.0f, 72);
    startHost (h);
    h.run (2);
    h.host.playing = false;
    const auto stop = h.samplesDone();
    const auto events = h.run (1);

    std::vector<MidiMessage> expected { MidiMessage::noteOff (2, 60, (juce::uint8) 0) };
    const auto neutral = expectedNeutralMembers();
    expected.insert (expected.end(), neutral.begin(), neutral.begin() + 3);
    expected.push_back (MidiMessage::noteOff (3, 72, (juce::uint8) 0));
    expected.insert (expected.end(), neutral.begin() + 3, neutral.end());
    EXPECT_TRUE (sameMessages (messagesOf (at (events, stop)), expected));
    EXPECT_EQ (events.size(), expected.size());
    EXPECT_EQ (h.processor.activeVoiceCount.load(), 0);
    EXPECT_FALSE (h.processor.isPlaying.load());
}

TEST (MpeNotes, StartingInsideANoteAttacksItAtOnceWithThatPositionsExpression)
{
    EngineHarness h;
    Note n;
    n.on = true;
    n.start = 0.0f;
    n.duration = 4.0f;

    for (int i = 0; i < curvePointCount; ++i)
        n.curves[pitchCurve][(size_t) i] = i < 16 ? 0.0f : 0.25f;

    h.note (0, n);
    const auto start = startHost (h, 3.0);
    const auto events = h.run (1);

    const auto ons = noteOns (events);
    ASSERT_EQ (ons.size(), 1u);
    EXPECT_EQ (ons[0].sample, start);
    // +12 semitones at three quarters of the note.
    // (The first bend on the channel is the reset's neutral one.)
    EXPECT_TRUE (bends (at (events, start), 2)[1].isBend (2, 10240));
}

TEST (MpeNotes, TheEditorSeesSoundingPitchesAndTheVoiceCount)
{
    EngineHarness h;
    Note n;
    n.on = true;
    n.pitch = 50;
    n.start = 0.0f;
    n.duration = 1.0f;
    n.curves[pitchCurve].fill (0.125f); // +6 semitones
    h.note (4, n);
    h.note (9, 0.0f, 1.0f, 70);
    h.set ("transpose", 2.0f);
    startHost (h);

    EXPECT_EQ (h.processor.soundingPitch[4].load(), ZelkProcessor::silentPitch);
    h.run (1);
    EXPECT_EQ (h.processor.activeVoiceCount.load(), 2);
    // Key 52 (transposed) plus the bend last sent.
    EXPECT_NEAR (h.processor.soundingPitch[4].load(), 58.0f, 0.01f);
    EXPECT_NEAR (h.processor.soundingPitch[9].load(), 72.0f, 0.01f);
    EXPECT_EQ (h.processor.soundingPitch[0].load(), ZelkProcessor::silentPitch);

    h.runSamples (samplesPerBeat);
    EXPECT_EQ (h.processor.activeVoiceCount.load(), 0);
    EXPECT_EQ (h.processor.soundingPitch[4].load(), ZelkProcessor::silentPitch);
}

TEST (HearingEdits, ThePenIsHeardOnChannelSixteenWithABend)
{
    EngineHarness h;
    h.run (1);
    h.processor.hearPitch = 60.5f;
    h.processor.hearPressure = 1.0f;
    h.processor.hearTimbre = 0.0f;
    h.processor.hearRequested = true;
    const auto first = h.run (1);

    auto expected = expectedConfiguration();
    expected.push_back (MidiMessage::pitchWheel (16, 8277));
    expected.push_back (MidiMessage::noteOn (16, 60, (juce::uint8) 96));
    expected.push_back (MidiMessage::channelPressureChange (16, 127));
    expected.push_back (MidiMessage::controllerEvent (16, 74, 0));
    EXPECT_TRUE (sameMessages (messagesOf (first), expected));

    // Every block repeats the expression, without a new note.
    const auto second = h.run (1);
    EXPECT_TRUE (sameMessages (messagesOf (second), { MidiMessage::pitchWheel (16, 8277), MidiMessage::channelPressureChange (16, 127),
                                                      MidiMessage::controllerEvent (16, 74, 0) }));

    h.processor.hearRequested = false;
    EXPECT_TRUE (sameMessages (messagesOf (h.run (1)), { MidiMessage::noteOff (16, 60, (juce::uint8) 0),
                                                         MidiMessage::pitchWheel (16, 8192), MidiMessage::channelPressureChange (16, 0) }));
    EXPECT_TRUE (h.run (1).empty());
}

TEST (HearingEdits, AStrokeRisingFiftySemitonesRetriggersOncePast47Point9)
{
    EngineHarness h;
    h.run (1);
    h.processor.hearPitch = 40.0f;
    h.processor.hearRequested = true;
    Events all;

    for (float pitch = 40.0f; pitch <= 90.0f; pitch += 0.5f)
    {
        h.processor.hearPitch = pitch;
        const auto events = h.run (1);
        all.insert (all.end(), events.begin(), events.end());

        // Within reach of the first key the note only bends, up to 16383 at 87.5.
        if (pitch <= 87.5f)
        {
            EXPECT_EQ (noteOffs (events).size(), 0u) << pitch;
        }
    }

    EXPECT_EQ (keysOf (noteOns (all)), (std::vector<int> { 40, 88 }));
    EXPECT_EQ (keysOf (noteOffs (all)), (std::vector<int> { 40 }));
}

TEST (HearingEdits, SilentWhilePlayingOrWithHearEditsOff)
{
    EngineHarness h;
    h.set ("hearEdits", 0.0f);
    h.run (1);
    h.processor.hearRequested = true;
    EXPECT_TRUE (h.run (2).empty());

    h.set ("hearEdits", 1.0f);
    h.host.playing = true;
    const auto events = h.run (2);
    EXPECT_TRUE (onChannel (noteOns (events), 16).empty());
}

// The engine writes its events in sample order straight at the end of the block's buffer; an event
// for an earlier offset (the host's own, or one sent out of order) still lands in its place, and
// events at one offset keep the order in which they were sent.
TEST (MpeNotes, SendingKeepsTheBuffersOrder)
{
    juce::MidiBuffer buffer;
    buffer.addEvent (MidiMessage::noteOn (1, 40, (juce::uint8) 1), 2);
    AuditionSynth synth;
    MidiSender out (buffer, synth);
    out.noteOn (2, 60, 100, 5);
    out.pressure (2, 30, 5);
    out.noteOn (3, 61, 100, 1);
    out.pitchBend (2, 9000, 9);
    out.noteOff (2, 60, 5);

    std::vector<std::pair<int, MidiMessage>> events;

    for (const auto metadata : buffer)
        events.emplace_back (metadata.samplePosition, metadata.getMessage());

    const std::vector<std::pair<int, MidiMessage>> expected {
        { 1, MidiMessage::noteOn (3, 61, (juce::uint8) 100) }, { 2, MidiMessage::noteOn (1, 40, (juce::uint8) 1) },
        { 5, MidiMessage::noteOn (2, 60, (juce::uint8) 100) }, { 5, MidiMessage::channelPressureChange (2, 30) },
        { 5, MidiMessage::noteOff (2, 60, (juce::uint8) 0) },  { 9, MidiMessage::pitchWheel (2, 9000) }
    };

    ASSERT_EQ (events.size(), expected.size());

    for (size_t i = 0; i < events.size(); ++i)
    {
        EXPECT_EQ (events[i].first, expected[i].first) << i;
        EXPECT_TRUE (events[i].second.getDescription() == expected[i].second.getDescription()) << i;
    }
}

// The engine reads the pattern again only after a note's value changed, so every way a value can
// change must reach a playing engine in the next block: the editor's writes, the host's automation
// (the value set, then the listeners told, as the plug-in wrappers do) and a loaded state.
TEST (MpeNotes, APlayingEngineHearsEveryKindOfNoteChangeInTheNextBlock)
{
    EngineHarness h;
    h.set ("smooth", 0.0f);
    h.note (0, 0.0f, 64.0f, 60);
    startHost (h);
    h.run (2);

    const auto lastPressure = [&h] (const Events& events)
    {
        const auto p = only (events, [] (const CapturedEvent& e) { return e.message.isChannelPressure() && e.channel() == 2; });
        return p.empty() ? -1 : p.back().message.getChannelPressureValue();
    };
    const auto pressureCurve = [] (float value)
    {
        auto note = plainNote (0.0f, 64.0f, 60);
        note.curves[zelk::pressureCurve].fill (value);
        return note;
    };

    h.note (0, pressureCurve (1.0f));
    EXPECT_EQ (lastPressure (h.run (1)), 127);

    for (int point = 0; point < curvePointCount; ++point)
    {
        auto* parameter = h.processor.parameterTree().getParameter (noteParameterId (0, field::curvePoint (zelk::pressureCurve, point)));
        ASSERT_NE (parameter, nullptr);
        const auto normalised = parameter->convertTo0to1 (0.25f);
        parameter->setValue (normalised);
        parameter->sendValueChangedMessageToListeners (normalised);
    }

    EXPECT_EQ (lastPressure (h.run (1)), 32);

    EngineHarness other;
    other.note (0, pressureCurve (0.75f));
    loadState (h.processor, saveState (other.processor));
    h.set ("smooth", 0.0f);
    EXPECT_EQ (lastPressure (h.run (2)), 95);

    // Nothing changed: the same value goes on (and is not sent again).
    EXPECT_EQ (lastPressure (h.run (2)), -1);
}
