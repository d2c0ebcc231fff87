#include "midi/MpeExport.h"

#include "midi/OfflineRender.h"

#include <juce_audio_basics/juce_audio_basics.h>

namespace zelk
{
namespace
{
constexpr int ticksPerQuarterNote = 960;

double tickOfSample (double sample)
{
    return sample * OfflineRender::tempo / 60.0 / OfflineRender::sampleRate * ticksPerQuarterNote;
}

// A MIDI buffer's messages carry their sample offset as time stamp; the sequence wants ticks.
void addAt (juce::MidiMessageSequence& sequence, const juce::MidiMessageMetadata& metadata, double tick)
{
    auto message = metadata.getMessage();
    message.setTimeStamp (tick);
    sequence.addEvent (message);
}

juce::MidiMessageSequence renderSequence (ZelkProcessor& processor)
{
    juce::MidiMessageSequence sequence;
    sequence.addEvent (juce::MidiMessage::tempoMetaEvent (500000), 0.0);

    OfflineRender render (processor, false);
    const auto loopEnd = render.loopBeats() * ticksPerQuarterNote;

    render.run (
        [&sequence] (const juce::AudioBuffer<float>&, const juce::MidiBuffer& midi, juce::int64 firstSample)
        {
            for (const auto metadata : midi)
                addAt (sequence, metadata, tickOfSample ((double) (firstSample + metadata.samplePosition)));
        },
        [&sequence, loopEnd] (const juce::AudioBuffer<float>&, const juce::MidiBuffer& midi, juce::int64)
        {
            for (const auto metadata : midi)
                addAt (sequence, metadata, loopEnd);
        });

    sequence.updateMatchedPairs();
    return sequence;
}
} // namespace

bool exportMpeMidi (ZelkProcessor& processor, const juce::File& file)
{
    // A file the user protected stays as it is, even where its folder would let it be replaced.
    if (file.isDirectory() || (file.existsAsFile() && ! file.hasWriteAccess()))
        return false;

    juce::MidiFile midiFile;
    midiFile.setTicksPerQuarterNote (ticksPerQuarterNote);
    midiFile.addTrack (renderSequence (processor));

    // Written beside the target and moved over it only once complete, so that a failed write
    // leaves neither a partial file nor a damaged earlier export.
    juce::TemporaryFile temporary (file);
    {
        juce::FileOutputStream out (temporary.getFile(), 16384);

        if (out.failedToOpen() || ! midiFile.writeTo (out, 1))
            return false;

        out.flush();

        if (! out.getStatus().wasOk())
            return false;
    }

    return temporary.overwriteTargetFileWithTemporary();
}

juce::File exportTarget (const juce::File& chosen)
{
    return chosen.withFileExtension ("mid");
}

} // namespace zelk
