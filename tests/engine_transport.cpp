// The playback clock as a host drives it: song position, tempo, the PLAY button's internal clock,
// loops with and without a time selection, jumps, seeks, resets and PANIC.
#include "core/NoteFields.h"
#include "engine/LoopRegion.h"
#include "tests/helpers/MidiExpectations.h"
#include "tests/helpers/TestProcessor.h"

using namespace zelk;
using namespace zelk::test;
using juce::MidiMessage;

namespace
{
constexpr double blockBeats = 512.0 / samplesPerBeat;

std::vector<int64_t> onsetsOf (const Events& events, int key)
{
    std::vector<int64_t> samples;

    for (const auto& e : noteOns (events))
        if (e.message.getNoteNumber() == key)
            samples.push_back (e.sample);

    return samples;
}

bool configures (const Events& events)
{
    const auto config = expectedConfiguration();
    return std::any_of (events.begin(), events.end(), [&] (const auto& e) { return sameBytes (e.message, config[0]); })
        && std::any_of (events.begin(), events.end(), [] (const auto& e) { return e.isController (16, 6, 48); });
}

void selectTime (EngineHarness& h, float start, float end)
{
    h.set ("rangeStart", start);
    h.set ("rangeEnd", end);
    h.set ("rangeEnabled", 1.0f);
}
} // namespace

TEST (Transport, HostTempoIsClampedAndMissingTempoMeans120)
{
    EngineHarness h;
    const auto tempoFor = [&h] (std::optional<double> bpm)
    {
        h.host.bpm = bpm;
        h.run (1);
        return h.processor.publishedTempo.load();
    };

    EXPECT_EQ (tempoFor (10.0), 20.0);
    EXPECT_EQ (tempoFor (1000.0), 400.0);
    EXPECT_EQ (tempoFor (0.0), 120.0);
    EXPECT_EQ (tempoFor (-5.0), 120.0);
    EXPECT_EQ (tempoFor (std::numeric_limits<double>::quiet_NaN()), 120.0);
    EXPECT_EQ (tempoFor (std::nullopt), 120.0);
    EXPECT_EQ (tempoFor (133.5), 133.5);

    h.host.reportsPosition = false;
    h.run (1);
    EXPECT_EQ (h.processor.publishedTempo.load(), 120.0);
}

TEST (Transport, InternalClockRunsAtTheClampedHostTempo)
{
    EngineHarness h;
    h.host.bpm = 10.0;
    h.run (1);
    h.processor.playRequested = true;
    h.run (2);

    EXPECT_TRUE (h.processor.isPlaying.load());
    EXPECT_DOUBLE_EQ (h.processor.displayPosition.load(), 2 * 512 * 20.0 / (48000.0 * 60.0));
}

TEST (Transport, WithoutAPlayHeadTheInternalClockRunsAt120)
{
    EngineHarness h (48000.0, 512, false);
    h.note (0, 1.0f, 1.0f, 60);
    h.run (1);
    h.processor.playRequested = true;
    const auto start = h.samplesDone();
    const auto events = h.runSamples (48000);

    EXPECT_EQ (h.processor.publishedTempo.load(), 120.0);
    const auto onsets = onsetsOf (events, 60);
    ASSERT_EQ (onsets.size(), 1u);
    EXPECT_NEAR ((double) (onsets[0] - start), 24000.0, 1.0);
}

TEST (Transport, LoopWithoutSelectionRepeatsAtTheLastNoteEnd)
{
    EngineHarness h;
    EXPECT_EQ (h.processor.loopLength(), 4.0); // an empty pattern loops over 4 beats

    h.note (0, 0.0f, 1.0f, 60);
    h.note (1, 5.0f, 1.0f, 65);
    h.set ("looping", 1.0f);
    EXPECT_EQ (h.processor.loopStart(), 0.0);
    EXPECT_EQ (h.processor.loopLength(), 6.0);

    const auto start = startHost (h);
    const auto events = h.runSamples (13 * samplesPerBeat);

    EXPECT_EQ (onsetsOf (events, 60), (std::vector<int64_t> { start, start + 6 * samplesPerBeat, start + 12 * samplesPerBeat }));
    EXPECT_EQ (onsetsOf (events, 65), (std::vector<int64_t> { start + 5 * samplesPerBeat, start + 11 * samplesPerBeat }));
}

// The loop's end is kept from block to block and read again only after a note changed: by the
// editor or through the host's automation (the value set, then the listeners told).
TEST (Transport, TheLoopEndFollowsNotesChangedBetweenBlocks)
{
    ZelkProcessor processor;
    writePlainNote (processor, 0, 0.0f, 1.0f, 60);
    processor.setParameterValue ("looping", 1.0f);
    PatternEnd end;
    const auto lengthNow = [&] { return LoopRegion::forBlock (processor.raw(), end, processor.patternChangeCount()).length; };
    EXPECT_EQ (lengthNow(), 1.0);
    EXPECT_EQ (lengthNow(), 1.0);

    writePlainNote (processor, 1, 2.0f, 1.5f, 62);
    EXPECT_EQ (lengthNow(), 3.5);

    auto* duration = processor.parameterTree().getParameter (noteParameterId (1, field::duration));
    const auto normalised = duration->convertTo0to1 (2.5f);
    duration->setValue (normalised);
    duration->sendValueChangedMessageToListeners (normalised);
    EXPECT_EQ (lengthNow(), 4.5);
}

TEST (Transport, ASelectionLoopMapsHostTimeIntoTheSelection)
{
    EngineHarness h;
    h.note (0, 10.0f, 1.0f, 70);
    h.set ("looping", 1.0f);
    selectTime (h, 8.0f, 16.0f);
    EXPECT_EQ (h.processor.loopStart(), 8.0);
    EXPECT_EQ (h.processor.loopLength(), 8.0);

    // Host beat 2 plays pattern beat 10, where the note starts.
    const auto start = startHost (h, 2.0);
    const auto events = h.run (1);
    EXPECT_EQ (onsetsOf (events, 70), (std::vector<int64_t> { start }));
    EXPECT_DOUBLE_EQ (h.processor.displayPosition.load(), 10.0 + blockBeats);

    h.host.ppq = 17.0;
    h.run (1);
    EXPECT_DOUBLE_EQ (h.processor.displayPosition.load(), 9.0 + blockBeats);
}

TEST (Transport, ASelectionEndingBeforeItsStartLoopsOverOneSixteenth)
{
    EngineHarness h;
    selectTime (h, 8.0f, 4.0f);
    EXPECT_EQ (h.processor.loopStart(), 8.0);
    EXPECT_EQ (h.processor.loopLength(), 0.0625);

    selectTime (h, 262079.0f, 262080.0f);
    EXPECT_EQ (h.processor.loopLength(), 1.0);
}

TEST (Transport, NotesCrossingTheLoopBoundsAreCutAndRestarted)
{
    EngineHarness h;
    h.note (0, 0.0f, 1.5f, 60); // sounds at the loop start
    h.note (1, 2.5f, 1.0f, 62); // crosses the loop end
    h.set ("looping", 1.0f);
    selectTime (h, 1.0f, 3.0f);
    const auto start = startHost (h, 1.0);
    const auto events = h.runSamples (5 * samplesPerBeat);

    const auto pass = 2 * samplesPerBeat;
    EXPECT_EQ (onsetsOf (events, 60), (std::vector<int64_t> { start, start + pass, start + 2 * pass }));
    EXPECT_EQ (onsetsOf (events, 62), (std::vector<int64_t> { start + 3 * samplesPerBeat / 2, start + pass + 3 * samplesPerBeat / 2 }));

    // At the wrap: the note crossing the end stops, then the one at the start attacks again.
    const auto wrap = messagesOf (at (events, start + pass));
    ASSERT_GE (wrap.size(), 6u);
    EXPECT_TRUE (sameBytes (wrap[0], MidiMessage::noteOff (2, 62, (juce::uint8) 0)));
    EXPECT_TRUE (sameBytes (wrap[1], MidiMessage::channelPressureChange (2, 0)));
    EXPECT_TRUE (sameBytes (wrap[5], MidiMessage::noteOn (2, 60, (juce::uint8) 100)));
}

TEST (Transport, WithoutLoopingPatternTimeIsHostTime)
{
    EngineHarness h;
    h.note (0, 300.0f, 1.0f, 60);
    const auto start = startHost (h, 299.0);
    const auto events = h.runSamples (3 * samplesPerBeat);

    EXPECT_EQ (onsetsOf (events, 60), (std::vector<int64_t> { start + samplesPerBeat }));
    EXPECT_EQ (noteOffs (events).size(), 1u);
    EXPECT_DOUBLE_EQ (h.processor.displayPosition.load(), h.host.ppq.value());
}

TEST (Transport, PlayOutsideTheLoopStartsAtTheLoopStart)
{
    EngineHarness h;
    h.host.bpm = exactTempo;
    h.set ("looping", 1.0f);
    selectTime (h, 8.0f, 16.0f);
    h.processor.setPlaybackPosition (2.0);
    h.run (1);
    EXPECT_EQ (h.processor.displayPosition.load(), 2.0);

    h.processor.playRequested = true;
    h.run (1);
    EXPECT_TRUE (h.processor.isPlaying.load());
    EXPECT_DOUBLE_EQ (h.processor.displayPosition.load(), 8.0 + blockBeats);

    // Stopping shows the start position again.
    h.processor.playRequested = false;
    h.run (1);
    EXPECT_EQ (h.processor.displayPosition.load(), 2.0);
}

TEST (Transport, AHostJumpResetsPlaybackButSmallDriftDoesNot)
{
    EngineHarness h;
    h.note (0, 0.0f, 8.0f, 60);
    startHost (h);
    h.run (4);

    // Less than two samples off: no reset.
    *h.host.ppq += 1.5 / samplesPerBeat;
    EXPECT_TRUE (h.run (1).empty());

    h.host.ppq = 2.0;
    const auto jump = h.samplesDone();
    const auto events = at (h.run (1), jump);
    ASSERT_FALSE (events.empty());
    EXPECT_TRUE (events[0].isNoteOff (2, 60));
    EXPECT_TRUE (configures (events));
    EXPECT_EQ (onsetsOf (events, 60), (std::vector<int64_t> { jump }));
}

// Ardour reports the song position in whole ticks of 1/1920 beat: at 120 BPM a 512-sample block
// is 40.96 ticks, so block starts wander up to a tick from where the last block ended.
TEST (Transport, AHostCountingInTicksPlaysHeldNotesThroughButItsJumpsStillReset)
{
    EngineHarness h;
    h.note (0, 0.0f, 8.0f, 60);
    h.host.bpm = 120.0;
    h.host.playing = true;
    Events events;

    for (int b = 0; b < 300; ++b)
    {
        const auto exact = b * 512.0 * 2.0 / 48000.0;
        h.host.ppq = std::round (exact * 1920.0) / 1920.0;
        const auto block = h.run (1);
        events.insert (events.end(), block.begin(), block.end());
    }

    EXPECT_EQ (onsetsOf (events, 60), (std::vector<int64_t> { 0 }));

    h.host.ppq = std::round (300 * 512.0 * 2.0 / 48000.0 * 1920.0 + 2.0) / 1920.0; // two ticks on: a jump
    const auto jump = h.samplesDone();
    EXPECT_EQ (onsetsOf (h.run (1), 60), (std::vector<int64_t> { jump }));
}

TEST (Transport, ASeekDuringHostPlaybackShiftsTheHostPosition)
{
    EngineHarness h;
    h.note (0, 3.0f, 1.0f, 64);
    startHost (h);
    h.run (4);

    h.processor.setPlaybackPosition (3.0);
    const auto seek = h.samplesDone();
    const auto events = h.run (1);
    EXPECT_TRUE (configures (events));
    EXPECT_EQ (onsetsOf (events, 64), (std::vector<int64_t> { seek }));
    EXPECT_DOUBLE_EQ (h.processor.displayPosition.load(), 3.0 + blockBeats);

    // The host keeps counting from its own position; the offset carries the pattern on.
    EXPECT_TRUE (h.run (1).empty());
    EXPECT_DOUBLE_EQ (h.processor.displayPosition.load(), 3.0 + 2 * blockBeats);

    // When the host stops, the offset is gone and the start position shows.
    h.host.playing = false;
    h.run (1);
    EXPECT_EQ (h.processor.displayPosition.load(), 3.0);
    h.host.playing = true;
    h.host.ppq = 0.0;
    h.run (1);
    EXPECT_DOUBLE_EQ (h.processor.displayPosition.load(), blockBeats);
}

TEST (Transport, SmallSelectionChangesDoNotResetLargerOnesDo)
{
    EngineHarness h;
    h.note (0, 0.0f, 8.0f, 60);
    h.set ("looping", 1.0f);
    selectTime (h, 0.0f, 8.0f);
    startHost (h);
    h.run (4);

    h.set ("rangeEnd", 8.0005f);
    EXPECT_TRUE (h.run (1).empty());

    h.set ("rangeEnd", 8.01f);
    const auto events = h.run (1);
    EXPECT_TRUE (events.front().isNoteOff (2, 60));
    EXPECT_TRUE (configures (events));
}

TEST (Transport, PanicSilencesHostPlaybackUntilTheHostTransportChanges)
{
    EngineHarness h;
    h.note (0, 0.0f, 64.0f, 60);
    startHost (h);
    h.run (2);

    h.processor.stopRequested = true;
    const auto events = h.run (1);
    ASSERT_FALSE (events.empty());
    EXPECT_TRUE (events[0].isNoteOff (2, 60));
    EXPECT_TRUE (h.processor.hostedInstrument().instrumentMute.load());
    EXPECT_TRUE (h.processor.hostedInstrument().instrumentFlush.load());

    for (int channel = 1; channel <= 16; ++channel)
        for (const auto& [cc, value] : { std::pair { 64, 0 }, { 66, 0 }, { 123, 0 }, { 120, 0 } })
            EXPECT_TRUE (std::any_of (events.begin(), events.end(), [&] (const auto& e) { return e.isController (channel, cc, value); }))
                << channel << " " << cc;

    EXPECT_TRUE (h.run (20).empty());
    EXPECT_FALSE (h.processor.isPlaying.load());

    h.host.playing = false;
    EXPECT_TRUE (noteOns (h.run (1)).empty());
    h.host.playing = true;
    h.host.ppq = 1.0;
    const auto restart = h.run (1);
    EXPECT_TRUE (configures (restart));
    EXPECT_EQ (noteOns (restart).size(), 1u);
}

TEST (Transport, PanicStopsTheInternalClock)
{
    EngineHarness h;
    h.note (0, 0.0f, 64.0f, 60);
    h.run (1);
    h.processor.playRequested = true;
    h.run (2);
    h.processor.stopRequested = true;
    h.run (1);

    EXPECT_FALSE (h.processor.playRequested.load());
    EXPECT_TRUE (noteOns (h.run (10)).empty());

    // The latch clears once nothing asks for playback, so PLAY works again.
    h.processor.playRequested = true;
    EXPECT_EQ (noteOns (h.run (1)).size(), 1u);
}

TEST (Transport, TurningEnabledOffSilencesThePatternWithoutStoppingTheHost)
{
    EngineHarness h;
    h.note (0, 0.0f, 64.0f, 60);
    startHost (h);
    h.run (2);

    h.set ("enabled", 0.0f);
    EXPECT_TRUE (h.run (1)[0].isNoteOff (2, 60));
    EXPECT_FALSE (h.processor.isPlaying.load());
    EXPECT_TRUE (h.run (4).empty());

    h.set ("enabled", 1.0f);
    const auto events = h.run (1);
    EXPECT_TRUE (configures (events));
    EXPECT_EQ (noteOns (events).size(), 1u);
}

TEST (Transport, ALoadedStateResetsPlayback)
{
    EngineHarness h;
    h.note (0, 0.0f, 64.0f, 60);
    startHost (h);
    h.run (2);

    loadState (h.processor, saveState (h.processor));
    const auto events = h.run (1);
    EXPECT_TRUE (events[0].isNoteOff (2, 60));
    EXPECT_TRUE (configures (events));
    EXPECT_EQ (noteOns (events).size(), 1u);
    EXPECT_TRUE (h.run (1).empty());
}
