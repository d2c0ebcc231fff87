#include "tests/helpers/StreamCheck.h"

namespace zelk::test
{
void StreamCheck::fail (int64_t block, const juce::String& what)
{
    if (++failures <= 12)
        described.add ("block " + juce::String (block) + ": " + what);
}

void StreamCheck::midiBlock (const juce::MidiBuffer& midi, int numSamples, int64_t block)
{
    for (const auto metadata : midi)
        message (metadata.getMessage(), metadata.samplePosition, numSamples, block);
}

void StreamCheck::message (const juce::MidiMessage& m, int position, int numSamples, int64_t block)
{
    ++messageCount;
    const auto* bytes = m.getRawData();
    const auto size = m.getRawDataSize();
    const auto kind = size > 0 ? bytes[0] & 0xf0 : 0;
    const auto expectedSize = kind == 0xd0 ? 2 : 3;

    if (position < 0 || position >= numSamples)
        fail (block, m.getDescription() + " at sample " + juce::String (position) + " of a block of " + juce::String (numSamples));

    if ((kind != 0x80 && kind != 0x90 && kind != 0xb0 && kind != 0xd0 && kind != 0xe0) || size != expectedSize)
        return fail (block, "unexpected message " + juce::String::toHexString (bytes, size));

    for (int i = 1; i < size; ++i)
        if (bytes[i] > 127)
            return fail (block, "data byte out of range in " + juce::String::toHexString (bytes, size));

    const auto channel = m.getChannel();
    auto& key = sounding[(size_t) channel];

    if (m.isNoteOn())
    {
        ++noteOnCount;

        if (channel == 1)
            fail (block, "a note-on on the master channel");

        if (key >= 0)
            fail (block, "note-on " + juce::String (m.getNoteNumber()) + " on channel " + juce::String (channel)
                             + " while " + juce::String (key) + " still sounds there");

        key = m.getNoteNumber();
    }
    else if (m.isNoteOff())
    {
        if (key != m.getNoteNumber())
            fail (block, "note-off " + juce::String (m.getNoteNumber()) + " on channel " + juce::String (channel)
                             + (key >= 0 ? " where " + juce::String (key) + " sounds" : juce::String (" where nothing sounds")));
        key = -1;
    }
    else if (m.isAllNotesOff() || m.isAllSoundOff())
    {
        key = -1;
    }
}

void StreamCheck::audioBlock (const juce::AudioBuffer<float>& audio, int64_t block)
{
    for (int channel = 0; channel < audio.getNumChannels(); ++channel)
    {
        const auto* samples = audio.getReadPointer (channel);

        for (int i = 0; i < audio.getNumSamples(); ++i)
            if (! std::isfinite (samples[i]) || std::abs (samples[i]) > loudest)
                return fail (block, "sample " + juce::String (i) + " of channel " + juce::String (channel) + " is "
                                        + juce::String (samples[i]));
    }
}

juce::String StreamCheck::soundingNotes() const
{
    juce::StringArray notes;

    for (int channel = 1; channel <= 16; ++channel)
        if (sounding[(size_t) channel] >= 0)
            notes.add (juce::String (channel) + "/" + juce::String (sounding[(size_t) channel]));

    return notes.joinIntoString (" ");
}

bool StreamCheck::anySounding() const
{
    return std::any_of (sounding.begin(), sounding.end(), [] (int key) { return key >= 0; });
}

} // namespace zelk::test
