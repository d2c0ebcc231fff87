#include "engine/MidiSender.h"

#include <cstring>

namespace zelk
{
namespace
{
// An event in the buffer's raw data: the sample offset, the message's size, then its bytes.
void writeEvent (juce::Array<juce::uint8>& data, const juce::MidiMessage& message, int offset) noexcept
{
    const auto size = message.getRawDataSize();
    const auto at = data.size();
    data.insertMultiple (at, 0, (int) (sizeof (juce::int32) + sizeof (juce::uint16)) + size);
    auto* d = data.begin() + at;
    juce::writeUnaligned<juce::int32> (d, offset);
    juce::writeUnaligned<juce::uint16> (d + sizeof (juce::int32), (juce::uint16) size);
    std::memcpy (d + sizeof (juce::int32) + sizeof (juce::uint16), message.getRawData(), (size_t) size);
}

bool appendingMatchesTheBuffer()
{
    const juce::MidiMessage messages[] = { juce::MidiMessage::noteOn (2, 60, (juce::uint8) 100),
                                           juce::MidiMessage::channelPressureChange (3, 17),
                                           juce::MidiMessage::pitchWheel (16, 12345) };
    juce::MidiBuffer inserted, appended;

    for (int i = 0; i < 3; ++i)
    {
        inserted.addEvent (messages[i], 5 + i / 2);
        writeEvent (appended.data, messages[i], 5 + i / 2);
    }

    if (inserted.data != appended.data)
        return false;

    // And the buffer reads back what was appended.
    auto i = 0;

    for (const auto metadata : appended)
    {
        const auto& m = messages[i];

        if (metadata.samplePosition != 5 + i / 2 || metadata.numBytes != m.getRawDataSize()
            || std::memcmp (metadata.data, m.getRawData(), (size_t) metadata.numBytes) != 0)
            return false;

        ++i;
    }

    return i == 3;
}
} // namespace

const bool MidiSender::appendsAtEnd = appendingMatchesTheBuffer();

void MidiSender::append (const juce::MidiMessage& message, int offset) noexcept
{
    writeEvent (buffer.data, message, offset);
}

} // namespace zelk
