#include "tests/helpers/MidiFiles.h"

namespace zelk::test
{
juce::MidiMessageSequence trackOf (const std::vector<TrackNote>& notes)
{
    juce::MidiMessageSequence track;

    for (const auto& n : notes)
    {
        track.addEvent (juce::MidiMessage::noteOn (n.channel, n.key, (juce::uint8) n.velocity), n.startTick);
        track.addEvent (juce::MidiMessage::noteOff (n.channel, n.key), n.endTick);
    }

    track.sort();
    return track;
}

juce::MemoryBlock midiFileBytes (const std::vector<juce::MidiMessageSequence>& tracks, int ppq, int format)
{
    juce::MidiFile file;
    file.setTicksPerQuarterNote (ppq);

    for (const auto& track : tracks)
        file.addTrack (track);

    juce::MemoryBlock bytes;
    juce::MemoryOutputStream out (bytes, false);
    file.writeTo (out, format);
    out.flush();
    return bytes;
}

juce::File writeTemporaryFile (const juce::MemoryBlock& bytes, const juce::String& extension)
{
    auto file = juce::File::createTempFile (extension);
    file.replaceWithData (bytes.getData(), bytes.getSize());
    return file;
}

} // namespace zelk::test
