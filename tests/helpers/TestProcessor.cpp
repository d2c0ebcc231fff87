#include "tests/helpers/TestProcessor.h"

namespace zelk::test
{
float valueOf (ZelkProcessor& processor, const juce::String& identifier)
{
    auto* value = processor.parameterTree().getRawParameterValue (identifier);
    return value != nullptr ? value->load() : std::numeric_limits<float>::quiet_NaN();
}

juce::MemoryBlock saveState (ZelkProcessor& processor)
{
    juce::MemoryBlock block;
    processor.getStateInformation (block);
    return block;
}

void loadState (ZelkProcessor& processor, const juce::MemoryBlock& state)
{
    processor.setStateInformation (state.getData(), (int) state.getSize());
}

juce::MemoryBlock wrapStateXml (const juce::String& xml)
{
    juce::MemoryBlock block;
    juce::MemoryOutputStream out (block, false);
    out.writeInt (0x21324356);
    out.writeInt ((int) xml.getNumBytesAsUTF8());
    out.write (xml.toRawUTF8(), xml.getNumBytesAsUTF8());
    out.writeByte (0);
    out.flush();
    return block;
}

juce::String stateXml (ZelkProcessor& processor)
{
    const auto block = saveState (processor);
    return juce::String::fromUTF8 (static_cast<const char*> (block.getData()) + 8, (int) block.getSize() - 9);
}

void runMessageLoop (int milliseconds)
{
    juce::MessageManager::getInstance()->runDispatchLoopUntil (milliseconds);
}

Note plainNote (float start, float duration, int pitch)
{
    Note note;
    note.on = true;
    note.start = start;
    note.duration = duration;
    note.pitch = pitch;
    return note;
}

Note writePlainNote (ZelkProcessor& processor, int slot, float start, float duration, int pitch)
{
    const auto note = plainNote (start, duration, pitch);
    processor.writeNote (slot, note);
    return note;
}

void linkNotes (ZelkProcessor& processor, int from, int to)
{
    processor.setParameterValue ("note" + juce::String (from + 1) + "_next", (float) (to + 1));
}

Note distinctiveNote (int seed)
{
    Note note;
    note.on = true;
    note.pitch = 40 + seed % 40;
    note.next = seed % 7 == 0 ? -1 : (seed + 1) % slotCount;
    note.start = 3.25f + (float) seed * 20.5f;
    note.duration = 0.5f + (float) (seed % 5) * 9.75f;
    note.velocity = (float) (20 + seed % 100);
    note.glide = 0.5f + 0.0625f * (float) (seed % 8);
    note.glideShape = -0.75f + 0.125f * (float) (seed % 12);
    note.vibOn = seed % 2 == 1;
    note.vibDepth = 0.5f + 0.25f * (float) (seed % 4);
    note.vibCycles = 2.0f + (float) (seed % 6);
    note.vibStart = 0.125f;
    note.vibEnd = 0.875f;
    note.vibFade = 0.25f;

    for (int i = 0; i < curvePointCount; ++i)
    {
        note.curves[pitchCurve][(size_t) i] = 0.03125f * (float) ((i + seed) % 17 - 8);
        note.curves[pressureCurve][(size_t) i] = 0.03125f * (float) ((i * 3 + seed) % 32);
        note.curves[timbreCurve][(size_t) i] = 1.0f - 0.03125f * (float) ((i + 2 * seed) % 32);
    }

    return note;
}

} // namespace zelk::test
