#include "midi/MidiImport.h"
#include "tests/fuzz/FuzzChecks.h"
#include "tests/helpers/MidiFiles.h"
#include "tests/helpers/TestProcessor.h"

#include <gtest/gtest.h>

using namespace zelk;
using namespace zelk::test;

namespace
{
MidiImportResult readBytes (const juce::MemoryBlock& bytes)
{
    juce::MemoryInputStream stream (bytes, false);
    return readMidiNotes (stream);
}

MidiImportResult readTracks (const std::vector<juce::MidiMessageSequence>& tracks, int ppq = 480, int format = 1)
{
    return readBytes (midiFileBytes (tracks, ppq, format));
}

std::vector<TrackNote> manyNotes (int count)
{
    std::vector<TrackNote> notes;

    for (int i = 0; i < count; ++i)
        notes.push_back ({ 36 + i % 60, i * 240, i * 240 + 120 });

    return notes;
}
} // namespace

TEST (MidiImport, TakesNotesFromEveryTrackSortedByStartKeepingTrackOrder)
{
    const auto result = readTracks ({ trackOf ({ { 60, 960, 1440, 90 }, { 62, 0, 480 } }),
                                      trackOf ({ { 64, 960, 1920, 70, 5 } }),
                                      trackOf ({ { 67, 480, 960, 127, 16 } }) });
    ASSERT_TRUE (result.ok()) << result.error;
    ASSERT_EQ (result.notes.size(), 4u);

    const int keys[] = { 62, 67, 60, 64 }; // two notes at beat 2 keep the order of their tracks
    const float starts[] = { 0.0f, 1.0f, 2.0f, 2.0f };

    for (size_t i = 0; i < 4; ++i)
    {
        EXPECT_EQ (result.notes[i].pitch, keys[i]);
        EXPECT_FLOAT_EQ (result.notes[i].start, starts[i]);
        EXPECT_TRUE (result.notes[i].on);
        EXPECT_EQ (result.notes[i].next, -1);
        EXPECT_FALSE (result.notes[i].vibOn);
        EXPECT_FLOAT_EQ (result.notes[i].curves[pressureCurve][16], 0.5f);
    }

    EXPECT_FLOAT_EQ (result.notes[2].duration, 1.0f);
    EXPECT_FLOAT_EQ (result.notes[2].velocity, 90.0f);
    EXPECT_FLOAT_EQ (result.notes[3].duration, 2.0f);
    EXPECT_FALSE (result.omitted);
}

TEST (MidiImport, AcceptsAt128NotesAndRefusesAt129)
{
    EXPECT_TRUE (readTracks ({ trackOf (manyNotes (128)) }).ok());
    EXPECT_EQ (readTracks ({ trackOf (manyNotes (129)) }).error, "MIDI exceeds 128 notes; import a smaller selection");
    EXPECT_EQ (readTracks ({ trackOf (manyNotes (100)), trackOf (manyNotes (29)) }).error,
               "MIDI exceeds 128 notes; import a smaller selection");
}

TEST (MidiImport, LimitsNotesToTheTimelineAndTheShortestLength)
{
    EXPECT_TRUE (readTracks ({ trackOf ({ { 60, 0, 30 } }) }).ok()); // 1/64 note at 480 ppq
    EXPECT_EQ (readTracks ({ trackOf ({ { 60, 0, 29 } }) }).error, "Note outside timeline or shorter than 1/64 note");

    const auto end = 262080 * 4; // ppq 4 keeps the ticks small
    EXPECT_TRUE (readTracks ({ trackOf ({ { 60, end - 4, end } }) }, 4).ok());
    EXPECT_EQ (readTracks ({ trackOf ({ { 60, end - 4, end + 1 } }) }, 4).error,
               "Note outside timeline or shorter than 1/64 note");
}

TEST (MidiImport, PairsNotesAsTheFileMeansThem)
{
    // Velocity-0 note-ons end notes, and alone they are no notes at all.
    juce::MidiMessageSequence zeroOff;
    zeroOff.addEvent (juce::MidiMessage::noteOn (1, 60, (juce::uint8) 100), 0);
    zeroOff.addEvent (juce::MidiMessage::noteOn (1, 60, (juce::uint8) 0), 240);
    auto result = readTracks ({ zeroOff });
    ASSERT_TRUE (result.ok()) << result.error;
    EXPECT_FLOAT_EQ (result.notes[0].duration, 0.5f);

    juce::MidiMessageSequence onlyZero;
    onlyZero.addEvent (juce::MidiMessage::noteOn (1, 60, (juce::uint8) 0), 0);
    EXPECT_EQ (readTracks ({ onlyZero }).error, "MIDI file contains no notes");

    // A second note-on of the same key and channel ends the first.
    juce::MidiMessageSequence overlapping;
    overlapping.addEvent (juce::MidiMessage::noteOn (1, 60, (juce::uint8) 100), 0);
    overlapping.addEvent (juce::MidiMessage::noteOn (1, 60, (juce::uint8) 100), 480);
    overlapping.addEvent (juce::MidiMessage::noteOff (1, 60), 960);
    overlapping.addEvent (juce::MidiMessage::noteOff (1, 60), 1440);
    result = readTracks ({ overlapping });
    ASSERT_TRUE (result.ok()) << result.error;
    ASSERT_EQ (result.notes.size(), 2u);
    EXPECT_FLOAT_EQ (result.notes[0].duration, 1.0f);
    EXPECT_FLOAT_EQ (result.notes[1].start, 1.0f);

    // Overlapping notes of different keys stay as they are.
    result = readTracks ({ trackOf ({ { 60, 0, 960 }, { 64, 0, 960 }, { 67, 0, 960 } }) });
    EXPECT_EQ (result.notes.size(), 3u);

    juce::MidiMessageSequence dangling;
    dangling.addEvent (juce::MidiMessage::noteOn (1, 60, (juce::uint8) 100), 0);
    EXPECT_EQ (readTracks ({ dangling }).error, "MIDI contains a note without a note-off");
}

TEST (MidiImport, IgnoresTempoAndReportsBendsAndControllers)
{
    auto plain = trackOf ({ { 60, 480, 960 }, { 62, 1920, 2400 } });
    auto withTempo = plain;
    withTempo.addEvent (juce::MidiMessage::tempoMetaEvent (250000), 0);
    withTempo.addEvent (juce::MidiMessage::tempoMetaEvent (900000), 1000);
    withTempo.sort();

    const auto a = readTracks ({ plain });
    const auto b = readTracks ({ withTempo });
    ASSERT_TRUE (b.ok());
    EXPECT_FLOAT_EQ (b.notes[1].start, a.notes[1].start);
    EXPECT_FLOAT_EQ (b.notes[1].start, 4.0f);
    EXPECT_FALSE (b.omitted);

    for (const auto& extra : { juce::MidiMessage::pitchWheel (1, 9000), juce::MidiMessage::channelPressureChange (1, 40),
                               juce::MidiMessage::aftertouchChange (1, 60, 20), juce::MidiMessage::controllerEvent (1, 74, 3) })
    {
        auto track = plain;
        track.addEvent (extra, 100);
        track.sort();
        const auto result = readTracks ({ track });
        EXPECT_TRUE (result.ok());
        EXPECT_TRUE (result.omitted);
    }
}

TEST (MidiImport, RefusesWhatItCannotRead)
{
    EXPECT_EQ (readBytes (juce::MemoryBlock ("junk", 4)).error, "Cannot read MIDI file");
    EXPECT_EQ (readTracks ({ trackOf ({ { 60, 0, 480 } }) }, 480, 2).error,
               "Import supports MIDI type 0/1, not independent type 2 patterns");

    auto smpte = midiFileBytes ({ trackOf ({ { 60, 0, 480 } }) });
    static_cast<uint8_t*> (smpte.getData())[12] = 0xe7; // -25 frames per second
    static_cast<uint8_t*> (smpte.getData())[13] = 40;
    EXPECT_EQ (readBytes (smpte).error, "Import requires beat-based MIDI (PPQ), not SMPTE");

    EXPECT_EQ (readTracks ({ juce::MidiMessageSequence() }).error, "MIDI file contains no notes");
    EXPECT_EQ (readMidiNotes (juce::File ("/nonexistent/file.mid")).error, "Cannot read MIDI file");
    EXPECT_EQ (readMidiNotes (juce::File::getSpecialLocation (juce::File::tempDirectory)).error, "Cannot read MIDI file");
}

TEST (MidiImport, ReplacesThePatternAndReportsIt)
{
    ZelkProcessor processor;

    for (int slot = 0; slot < 20; ++slot)
        processor.writeNote (slot, distinctiveNote (slot));

    processor.setParameterValue ("rangeEnabled", 1.0f);
    processor.setParameterValue ("looping", 1.0f);
    processor.setParameterValue ("rangeStart", 2.0f);

    auto track = trackOf ({ { 64, 960, 1440 }, { 60, 0, 480 } });
    track.addEvent (juce::MidiMessage::pitchWheel (1, 1000), 10);
    track.sort();
    const auto result = readTracks ({ track });
    const auto hint = importIntoPattern (processor, result);

    EXPECT_EQ (hint, "Imported 2 notes. DAW tempo. Bends/controllers omitted.");
    EXPECT_EQ (processor.readNote (0).pitch, 60);
    EXPECT_EQ (processor.readNote (1).pitch, 64);
    EXPECT_FLOAT_EQ (processor.readNote (1).start, 2.0f);

    for (int slot = 2; slot < slotCount; ++slot)
        EXPECT_FALSE (processor.readNote (slot).on) << slot;

    EXPECT_FLOAT_EQ (valueOf (processor, "rangeEnabled"), 0.0f);
    EXPECT_FLOAT_EQ (valueOf (processor, "looping"), 0.0f);
    EXPECT_FLOAT_EQ (valueOf (processor, "rangeStart"), 2.0f);
    EXPECT_TRUE (processor.stopRequested.load());
    EXPECT_DOUBLE_EQ (processor.seekRequest.load(), 0.0);

    ZelkProcessor single;
    EXPECT_EQ (importIntoPattern (single, readTracks ({ trackOf ({ { 60, 0, 480 } }) })), "Imported 1 notes. DAW tempo.");
}

TEST (MidiImportFuzz, DamagedFilesAreImportedWhollyOrRefusedWithAKnownMessage)
{
    const auto& messages = zelk::fuzz::midiImportRefusals();

    auto busy = trackOf (manyNotes (40));
    busy.addEvent (juce::MidiMessage::pitchWheel (2, 100), 30);
    busy.addEvent (juce::MidiMessage::tempoMetaEvent (400000), 0);
    busy.addEvent (juce::MidiMessage::textMetaEvent (3, "lead"), 0);
    busy.sort();
    const auto original = midiFileBytes ({ busy, trackOf (manyNotes (20)) });

    juce::Random random (7);
    int imported = 0, refusedCount = 0;

    for (int i = 0; i < 4000; ++i)
    {
        juce::MemoryBlock bytes (original);
        auto* data = static_cast<uint8_t*> (bytes.getData());

        switch (random.nextInt (4))
        {
            case 0: bytes.setSize ((size_t) random.nextInt ((int) bytes.getSize())); break;
            case 1:
                for (int n = 1 + random.nextInt (6); --n >= 0;)
                    data[random.nextInt ((int) bytes.getSize())] = (uint8_t) random.nextInt (256);
                break;
            case 2: // damage the chunk lengths, the division or the format
                data[random.nextInt (22)] = (uint8_t) random.nextInt (256);
                break;
            default:
                bytes.append (original.getData(), (size_t) random.nextInt ((int) original.getSize()));
                data = static_cast<uint8_t*> (bytes.getData());
                data[random.nextInt ((int) bytes.getSize())] ^= 0x80;
                break;
        }

        const auto result = readBytes (bytes);

        if (result.ok())
        {
            ++imported;
            ASSERT_FALSE (result.notes.empty());
            ASSERT_LE (result.notes.size(), 128u);

            for (const auto& note : result.notes)
            {
                ASSERT_GE (note.duration, 0.0625f);
                ASSERT_LE (note.start + note.duration, 262080.0f);
                ASSERT_GE (note.velocity, 1.0f);
            }
        }
        else
        {
            ++refusedCount;
            ASSERT_TRUE (messages.contains (result.error)) << result.error;
            ASSERT_TRUE (result.notes.empty());
        }
    }

    EXPECT_GT (imported, 0);
    EXPECT_GT (refusedCount, 0);
}
