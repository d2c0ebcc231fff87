#include "tests/helpers/EngineHarness.h"

namespace zelk::test
{
EngineHarness::EngineHarness (double rate, int size, bool withPlayHead)
    : sampleRate (rate), blockSize (size), buffer (2, size)
{
    if (withPlayHead)
        processor.setPlayHead (&host);

    processor.prepareToPlay (sampleRate, blockSize);
    midi.ensureSize (4096);
}

int64_t startHost (EngineHarness& h, double ppq)
{
    h.host.bpm = exactTempo;
    h.prepare();
    h.run (1);
    h.host.playing = true;
    h.host.ppq = ppq;
    return h.samplesDone();
}

void EngineHarness::note (int slot, float start, float duration, int pitch, int next)
{
    Note n;
    n.on = true;
    n.start = start;
    n.duration = duration;
    n.pitch = pitch;
    n.next = next;
    processor.writeNote (slot, n);
}

Events EngineHarness::runBlock (int size)
{
    buffer.setSize (2, size, false, false, true);
    processor.processBlock (buffer, midi);

    Events events;

    for (const auto metadata : midi)
        events.push_back ({ position + metadata.samplePosition, metadata.getMessage() });

    position += size;

    if (host.playing && host.ppq && host.bpm)
        *host.ppq += size * *host.bpm / (60.0 * sampleRate);

    return events;
}

Events EngineHarness::run (int blocks)
{
    Events all;

    for (int b = 0; b < blocks; ++b)
    {
        auto events = runBlock (blockSize);
        all.insert (all.end(), events.begin(), events.end());
    }

    return all;
}

Events EngineHarness::runSamples (int64_t samples)
{
    const auto blocks = (int) ((samples + blockSize - 1) / blockSize);
    return run (blocks);
}

Events only (const Events& events, const std::function<bool (const CapturedEvent&)>& keep)
{
    Events kept;

    for (const auto& e : events)
        if (keep (e))
            kept.push_back (e);

    return kept;
}

Events noteOns (const Events& events) { return only (events, [] (const auto& e) { return e.message.isNoteOn(); }); }
Events noteOffs (const Events& events) { return only (events, [] (const auto& e) { return e.message.isNoteOff(); }); }
Events onChannel (const Events& events, int channel)
{
    return only (events, [channel] (const auto& e) { return e.channel() == channel; });
}
Events bends (const Events& events, int channel)
{
    return only (events, [channel] (const auto& e) { return e.message.isPitchWheel() && e.channel() == channel; });
}

Events at (const Events& events, int64_t sample)
{
    return only (events, [sample] (const auto& e) { return e.sample == sample; });
}

bool sameBytes (const juce::MidiMessage& a, const juce::MidiMessage& b)
{
    return a.getRawDataSize() == b.getRawDataSize() && std::memcmp (a.getRawData(), b.getRawData(), (size_t) a.getRawDataSize()) == 0;
}

std::vector<juce::MidiMessage> messagesOf (const Events& events)
{
    std::vector<juce::MidiMessage> messages;

    for (const auto& e : events)
        messages.push_back (e.message);

    return messages;
}

} // namespace zelk::test
