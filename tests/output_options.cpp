// The output options as a receiving synth meets them: in the stream of a played pattern, from the
// engine, from the built VST 3 through JUCE's hosting, and in the exported file.
#include "hosting/PluginInspection.h"
#include "midi/MpeExport.h"
#include "tests/helpers/MpeReceiver.h"
#include "tests/helpers/TestProcessor.h"

#include <gtest/gtest.h>

using namespace zelk;
using namespace zelk::test;

namespace
{
// 120 BPM at 48 kHz, as the export renders; the engine and the VST 3 play at that tempo too.
constexpr int64_t beat = 24000;

enum class Path
{
    engine,
    vst3,
    exportedFile
};

const char* nameOf (Path path) { return path == Path::engine ? "engine" : path == Path::vst3 ? "VST 3" : "export"; }

Note curvedNote (float start, float duration, int pitch, float pitchPoint, float pressure = 0.5f)
{
    auto note = plainNote (start, duration, pitch);
    note.curves[pitchCurve].fill (pitchPoint);
    note.curves[pressureCurve].fill (pressure);
    return note;
}

// Four notes of a beat and two of two beats, all from beat 0: six chains want to sound at once.
void sixNotesAtOnce (ZelkProcessor& p)
{
    for (int slot = 0; slot < 6; ++slot)
        p.writeNote (slot, plainNote (0.0f, slot < 4 ? 1.0f : 2.0f, 60 + slot));
}

Events playedByEngine (ZelkProcessor& source)
{
    EngineHarness h;
    loadState (h.processor, saveState (source));
    h.prepare();
    h.host.playing = true;
    auto events = h.runSamples (3 * beat);
    h.host.playing = false; // the stop's messages, then PANIC's
    const auto stopped = h.run (1);
    h.processor.stopRequested = true;
    const auto panic = h.run (1);
    events.insert (events.end(), stopped.begin(), stopped.end());
    events.insert (events.end(), panic.begin(), panic.end());
    return events;
}

Events playedThroughVst3 (ZelkProcessor& source)
{
    auto plugin = openVst3Plugin (juce::File (ZELK_VST3_BUNDLE));

    if (! plugin.ok())
    {
        ADD_FAILURE() << plugin.error;
        return {};
    }

    // JUCE's host hands the plug-in's own block to the component in the VST 3 stream it keeps.
    juce::XmlElement hostState ("VST3PluginState");
    hostState.createNewChildElement ("IComponent")->addTextElement (saveState (source).toBase64Encoding());
    juce::MemoryBlock state;
    juce::AudioProcessor::copyXmlToBinary (hostState, state);
    auto& instance = *plugin.instance;
    instance.setStateInformation (state.getData(), (int) state.getSize());

    FakePlayHead head;
    head.playing = true;
    instance.setPlayHead (&head);
    instance.prepareToPlay (48000.0, 512);

    Events events;
    juce::AudioBuffer<float> buffer (2, 512);

    for (int64_t start = 0; start < 3 * beat + 1024; start += 512)
    {
        head.playing = start < 3 * beat;
        juce::MidiBuffer midi;
        instance.processBlock (buffer, midi);

        for (const auto metadata : midi)
            events.push_back ({ start + metadata.samplePosition, metadata.getMessage() });

        *head.ppq += 512.0 / (double) beat;
    }

    instance.releaseResources();
    return events;
}

Events exported (ZelkProcessor& source)
{
    const juce::TemporaryFile temporary (".mid");
    EXPECT_TRUE (exportMpeMidi (source, temporary.getFile()));

    juce::MidiFile file;
    juce::FileInputStream in (temporary.getFile());
    EXPECT_TRUE (file.readFrom (in));
    Events events;

    // 960 ticks to the beat: a tick is 25 samples.
    if (file.getNumTracks() == 1)
        for (const auto* e : *file.getTrack (0))
            if (! e->message.isMetaEvent())
                events.push_back ({ juce::roundToInt (e->message.getTimeStamp()) * 25, e->message });

    return events;
}

Events streamOf (Path path, ZelkProcessor& source)
{
    switch (path)
    {
        case Path::engine: return playedByEngine (source);
        case Path::vst3: return playedThroughVst3 (source);
        case Path::exportedFile: return exported (source);
    }

    return {};
}

int channelOfKey (const Events& events, int key)
{
    for (const auto& n : noteOnsOf (events))
        if (n.key == key)
            return n.channel;

    return -1;
}

// The notes `writeNotes` writes, played with the output options `change` makes, on every path.
template <typename Test>
void onEveryPath (const std::function<void (ZelkProcessor&)>& writeNotes,
                  const std::function<void (OutputOptions&)>& change, Test&& check)
{
    for (const auto path : { Path::engine, Path::vst3, Path::exportedFile })
    {
        SCOPED_TRACE (nameOf (path));
        ZelkProcessor source;
        writeNotes (source);
        auto options = source.outputOptions();
        change (options);
        source.setOutputOptions (options);
        check (streamOf (path, source), path);
    }
}
} // namespace

TEST (OutputOptions, ABendRangeIsAnnouncedAndEveryBendScaledToIt)
{
    onEveryPath (
        [] (ZelkProcessor& p)
        {
            p.writeNote (0, curvedNote (0.0f, 1.0f, 60, 1.5f / 48.0f)); // +1.5 semitones
            p.writeNote (1, curvedNote (0.0f, 1.0f, 64, 3.0f / 48.0f)); // +3: past the range
        },
        [] (OutputOptions& o) { o.bendRange = 2; },
        [] (const Events& events, Path)
        {
            const MpeReceiver synth (events);
            EXPECT_EQ (synth.announced (1, 6), 15);
            EXPECT_EQ (synth.announced (1, 0), 2); // the master channel's own

            for (int channel = 2; channel <= 16; ++channel)
                EXPECT_EQ (synth.announced (channel, 0), 2) << channel;

            const auto within = channelOfKey (events, 60), past = channelOfKey (events, 64);
            ASSERT_GE (within, 2);
            ASSERT_GE (past, 2);
            int bent = 0, clamped = 0;

            // Until the notes end at beat 1; the stop's neutral bends come later, and the reset's
            // come before any range was announced.
            for (const auto& b : synth.bends())
            {
                if (b.sample >= beat || std::isnan (b.semitones))
                    continue;

                if (b.channel == within)
                {
                    ++bent;
                    EXPECT_DOUBLE_EQ (b.semitones, 1.5);
                }
                else if (b.channel == past)
                {
                    ++clamped;
                    EXPECT_DOUBLE_EQ (b.semitones, 2.0 * 8191.0 / 8192.0); // at the range's edge
                }
            }

            EXPECT_GT (bent, 0);
            EXPECT_GT (clamped, 0);
        });
}

TEST (OutputOptions, FewerMemberChannelsMakeTheFifthAndSixthNoteWait)
{
    onEveryPath (
        sixNotesAtOnce,
        [] (OutputOptions& o) { o.memberChannels = 4; },
        [] (const Events& events, Path)
        {
            const MpeReceiver synth (events);
            EXPECT_EQ (synth.announced (1, 6), 4);
            EXPECT_EQ (synth.announced (5, 0), 48);
            EXPECT_EQ (synth.announced (6, 0), -1);
            EXPECT_EQ (*synth.channels().rbegin(), 5) << "a message outside channels 1..5";

            const auto ons = noteOnsOf (events);
            ASSERT_EQ (ons.size(), 6u);

            for (int i = 0; i < 4; ++i)
            {
                EXPECT_EQ (ons[(size_t) i].sample, 0);
                EXPECT_EQ (ons[(size_t) i].channel, 2 + i);
            }

            // The last two start when the first four end, on the channels they free.
            // (The engine's host adds up block lengths in beats, which may put the end a sample late.)
            for (int i = 4; i < 6; ++i)
            {
                EXPECT_NEAR ((double) ons[(size_t) i].sample, (double) beat, 1.0);
                EXPECT_EQ (ons[(size_t) i].key, 60 + i);
                EXPECT_EQ (ons[(size_t) i].channel, i - 2);
            }
        });
}

TEST (OutputOptions, InTheUpperZoneEveryMessageStaysInTheZone)
{
    onEveryPath (
        sixNotesAtOnce,
        [] (OutputOptions& o) { o.zone = OutputOptions::Zone::upper; o.memberChannels = 4; },
        [] (const Events& events, Path)
        {
            const MpeReceiver synth (events);
            EXPECT_EQ (*synth.channels().begin(), 12) << "a message below the zone's channels 12..16";
            EXPECT_EQ (synth.announced (16, 6), 4);
            EXPECT_EQ (synth.announced (16, 0), 2);
            EXPECT_EQ (synth.announced (12, 0), 48);
            EXPECT_EQ (synth.announced (1, 0), -1);

            const auto ons = noteOnsOf (events);
            ASSERT_EQ (ons.size(), 6u);
            EXPECT_EQ (ons[0].channel, 15);
            EXPECT_EQ (ons[3].channel, 12);
            EXPECT_TRUE (std::none_of (ons.begin(), ons.end(), [] (const auto& n) { return n.channel == 16; }));
        });
}

TEST (OutputOptions, WithoutTheConfigurationMessageTheBendRangesAreStillSent)
{
    onEveryPath (
        [] (ZelkProcessor& p) { p.writeNote (0, curvedNote (0.0f, 1.0f, 60, 1.5f / 48.0f)); },
        [] (OutputOptions& o) { o.configurationMessage = false; o.bendRange = 12; },
        [] (const Events& events, Path)
        {
            const MpeReceiver synth (events);
            EXPECT_EQ (synth.configurationWrites(), 0);
            EXPECT_EQ (synth.announced (1, 0), 2);
            EXPECT_EQ (synth.announced (16, 0), 12);
            EXPECT_EQ (noteOnsOf (events).size(), 1u);
            const auto bend = std::find_if (synth.bends().begin(), synth.bends().end(),
                                            [] (const auto& b) { return ! std::isnan (b.semitones); });
            ASSERT_NE (bend, synth.bends().end());
            EXPECT_DOUBLE_EQ (bend->semitones, 1.5);
        });
}

TEST (OutputOptions, PressureCanGoAsPolyphonicAftertouchOnTheNotesKey)
{
    onEveryPath (
        [] (ZelkProcessor& p) { p.writeNote (0, curvedNote (0.0f, 1.0f, 67, 0.0f, 0.75f)); },
        [] (OutputOptions& o) { o.pressure = OutputOptions::Pressure::polyAftertouch; },
        [] (const Events& events, Path)
        {
            EXPECT_TRUE (std::none_of (events.begin(), events.end(), [] (const auto& e) { return e.message.isChannelPressure(); }));

            const auto on = std::find_if (events.begin(), events.end(), [] (const auto& e) { return e.message.isNoteOn(); });
            ASSERT_NE (on, events.end());
            const auto channel = on->message.getChannel();
            const auto touches = only (events, [] (const auto& e) { return e.message.isAftertouch(); });
            ASSERT_FALSE (touches.empty());

            for (const auto& t : touches)
            {
                EXPECT_EQ (t.message.getChannel(), channel);
                EXPECT_EQ (t.message.getNoteNumber(), 67);
            }

            // After the key is down, at the curve's 0.75: 95; and back to 0 at the release.
            EXPECT_EQ (touches.front().message.getAfterTouchValue(), 95);
            EXPECT_GE (touches.front().sample, on->sample);
            EXPECT_EQ (touches.back().message.getAfterTouchValue(), 0);
        });
}

// A change while playing waits for the next reset, and tells the host that the project changed.
TEST (OutputOptions, AChangeDuringPlaybackTakesEffectAtTheNextReset)
{
    struct Changes : juce::AudioProcessorListener
    {
        int stateChanges = 0;
        void audioProcessorParameterChanged (juce::AudioProcessor*, int, float) override {}
        void audioProcessorChanged (juce::AudioProcessor*, const ChangeDetails& details) override
        {
            stateChanges += details.nonParameterStateChanged;
        }
    } changes;

    EngineHarness h;
    h.processor.addListener (&changes);
    h.note (0, curvedNote (0.0f, 4.0f, 60, 1.5f / 48.0f));
    h.host.playing = true;
    h.run (4);

    auto options = h.processor.outputOptions();
    options.bendRange = 24;
    h.processor.setOutputOptions (options);
    h.processor.setOutputOptions (options); // the same again is no change
    EXPECT_EQ (changes.stateChanges, 1);

    const auto before = MpeReceiver (h.run (10));
    EXPECT_EQ (before.configurationWrites(), 0);
    EXPECT_EQ (h.processor.playbackEngine().outputInUse().bendRange, 48);

    h.processor.setPlaybackPosition (1.0);
    const auto after = MpeReceiver (h.run (10));
    EXPECT_EQ (after.configurationWrites(), 1);
    EXPECT_EQ (after.announced (2, 0), 24);
    ASSERT_FALSE (after.bends().empty());
    EXPECT_DOUBLE_EQ (after.bends().back().semitones, 1.5);
    h.processor.removeListener (&changes);
}
