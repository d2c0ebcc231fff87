#include "midi/MidiImport.h"
#include "midi/MpeExport.h"
#include "tests/helpers/MidiFiles.h"
#include "tests/helpers/TestProcessor.h"

#include <gtest/gtest.h>

using namespace zelk;
using namespace zelk::test;

namespace
{
struct ExportedFile
{
    juce::MidiFile file;
    int format = -1;

    const juce::MidiMessageSequence& track() const { return *file.getTrack (0); }

    std::vector<std::pair<int, int>> noteOns() const // (tick, key)
    {
        std::vector<std::pair<int, int>> result;

        for (const auto* e : track())
            if (e->message.isNoteOn())
                result.emplace_back (juce::roundToInt (e->message.getTimeStamp()), e->message.getNoteNumber());

        return result;
    }

    int lastNoteOffTick() const
    {
        auto tick = -1;

        for (const auto* e : track())
            if (e->message.isNoteOff())
                tick = std::max (tick, juce::roundToInt (e->message.getTimeStamp()));

        return tick;
    }
};

ExportedFile exportAndRead (ZelkProcessor& processor)
{
    const juce::TemporaryFile temporary (".mid");
    EXPECT_TRUE (exportMpeMidi (processor, temporary.getFile()));

    ExportedFile result;
    juce::FileInputStream in (temporary.getFile());
    EXPECT_TRUE (result.file.readFrom (in, false, &result.format));
    return result;
}
} // namespace

TEST (MpeExport, WritesOneTrackAt960TicksWithTheTempoFirst)
{
    ZelkProcessor processor;
    processor.writeNote (0, plainNote (0.5f, 1.0f, 60));

    const auto exported = exportAndRead (processor);
    EXPECT_EQ (exported.format, 1);
    ASSERT_EQ (exported.file.getNumTracks(), 1);
    EXPECT_EQ (exported.file.getTimeFormat(), 960);

    const auto& first = exported.track().getEventPointer (0)->message;
    ASSERT_TRUE (first.isTempoMetaEvent());
    EXPECT_DOUBLE_EQ (first.getTempoSecondsPerQuarterNote(), 0.5);
    EXPECT_EQ (first.getTimeStamp(), 0.0);

    // Beat 0.5 is sample 12000 at 120 BPM and 48 kHz: tick 480.
    ASSERT_EQ (exported.noteOns().size(), 1u);
    EXPECT_EQ (exported.noteOns()[0], std::make_pair (480, 60));

    // The MPE configuration comes before any note.
    int controllersBeforeNote = 0;
    for (const auto* e : exported.track())
    {
        if (e->message.isNoteOn())
            break;
        controllersBeforeNote += e->message.isController() ? 1 : 0;
    }
    EXPECT_GE (controllersBeforeNote, 80);
}

TEST (MpeExport, CoversThePatternsBarsAndStopsAtTheLoopEnd)
{
    ZelkProcessor processor;
    processor.writeNote (0, plainNote (0.0f, 2.0f, 60));
    processor.writeNote (1, plainNote (5.0f, 2.0f, 64)); // ends at 7 beats: the file covers 8

    const auto exported = exportAndRead (processor);
    EXPECT_EQ (exported.noteOns(), (std::vector<std::pair<int, int>> { { 0, 60 }, { 4800, 64 } }));
    EXPECT_EQ (exported.lastNoteOffTick(), 6720);

    // The stop block's messages sit at the loop end, 8 beats, and nothing comes later.
    EXPECT_EQ (juce::roundToInt (exported.track().getEndTime()), 7680);
    int atEnd = 0;
    for (const auto* e : exported.track())
        atEnd += juce::roundToInt (e->message.getTimeStamp()) == 7680 ? 1 : 0;
    EXPECT_GE (atEnd, 15);
}

TEST (MpeExport, PlaysOnePassOfTheLoopRegionWhenLooping)
{
    ZelkProcessor processor;
    processor.writeNote (0, plainNote (1.0f, 0.5f, 60));
    processor.writeNote (1, plainNote (2.0f, 3.0f, 62)); // still sounding at the loop end
    processor.writeNote (2, plainNote (6.0f, 1.0f, 64)); // outside the loop
    processor.setParameterValue ("rangeStart", 1.0f);
    processor.setParameterValue ("rangeEnd", 3.0f);
    processor.setParameterValue ("rangeEnabled", 1.0f);
    processor.setParameterValue ("looping", 1.0f);

    const auto exported = exportAndRead (processor);
    const auto loopLength = processor.loopLength();
    ASSERT_GT (loopLength, 0.0);

    const auto ons = exported.noteOns();
    ASSERT_GE (ons.size(), 1u);
    EXPECT_EQ (ons.front(), std::make_pair (0, 60)); // the pass starts at the loop start

    for (const auto& [tick, key] : ons)
    {
        EXPECT_NE (key, 64);
        EXPECT_LT (tick, juce::roundToInt (loopLength * 960));
    }

    // Whatever still sounds is stopped exactly at the end of the pass.
    EXPECT_EQ (exported.lastNoteOffTick(), juce::roundToInt (loopLength * 960));
}

TEST (MpeExport, ImportedNotesComeBackAsMpeNotesAtTheirTicks)
{
    const auto bytes = midiFileBytes ({ trackOf ({ { 60, 0, 480 }, { 67, 960, 1920, 90 }, { 64, 960, 1200 } }) });
    juce::MemoryInputStream stream (bytes, false);
    const auto imported = readMidiNotes (stream);
    ASSERT_TRUE (imported.ok()) << imported.error;

    ZelkProcessor processor;
    importIntoPattern (processor, imported);
    const auto exported = exportAndRead (processor);

    const auto ons = exported.noteOns();
    ASSERT_EQ (ons.size(), 3u);
    EXPECT_EQ (ons[0], std::make_pair (0, 60));
    EXPECT_EQ (ons[1].first, 1920);
    EXPECT_EQ (ons[2].first, 1920);

    // Notes sounding together have member channels of their own, never the master channel.
    std::vector<int> channels;
    for (const auto* e : exported.track())
        if (e->message.isNoteOn())
            channels.push_back (e->message.getChannel());

    EXPECT_NE (channels[1], channels[2]);
    EXPECT_EQ (std::count (channels.begin(), channels.end(), 1), 0);
}

TEST (MpeExport, FailsOnTargetsItCannotWriteAndNamesFilesMid)
{
    ZelkProcessor processor;
    processor.writeNote (0, plainNote (0.0f, 1.0f, 60));

    EXPECT_FALSE (exportMpeMidi (processor, juce::File ("/nonexistent-folder/out.mid")));
    EXPECT_FALSE (exportMpeMidi (processor, juce::File::getSpecialLocation (juce::File::tempDirectory)));

    EXPECT_EQ (exportTarget (juce::File ("/tmp/phrase.txt")).getFullPathName(), "/tmp/phrase.mid");
    EXPECT_EQ (exportTarget (juce::File ("/tmp/phrase")).getFullPathName(), "/tmp/phrase.mid");
    EXPECT_EQ (exportTarget (juce::File ("/tmp/phrase.MID")).getFullPathName(), "/tmp/phrase.mid");

    // The running processor is only read.
    EXPECT_FLOAT_EQ (valueOf (processor, "monitor"), 1.0f);
    EXPECT_FALSE (processor.playRequested.load());
}

TEST (MpeExport, AnEmptyPatternStillGivesAValidFile)
{
    ZelkProcessor processor;
    const auto exported = exportAndRead (processor);
    ASSERT_EQ (exported.file.getNumTracks(), 1);
    EXPECT_TRUE (exported.noteOns().empty());
    EXPECT_TRUE (exported.track().getEventPointer (0)->message.isTempoMetaEvent());
}
