#pragma once

#include "tests/helpers/EngineHarness.h"

#include <array>
#include <set>

namespace zelk::test
{
// Reads an MPE stream as a receiving synth does, written independently of the engine: the
// registered parameters each channel was given (101/100 select, 6 sets, 127/127 deselects), and
// every bend read back in semitones with the range its channel had been announced at that moment.
class MpeReceiver
{
public:
    explicit MpeReceiver (const Events& events);

    // The value last written to registered parameter `number` on the channel, or -1.
    int announced (int channel, int number) const { return registered[(size_t) channel][(size_t) number & 7]; }
    // How many times the MPE configuration (registered parameter 6) was written, on any channel.
    int configurationWrites() const noexcept { return configurations; }

    struct Bend
    {
        int64_t sample;
        int channel;
        double semitones; // by the channel's announced range; NaN before any announcement
    };
    const std::vector<Bend>& bends() const noexcept { return bendsRead; }

    // Every channel that carried any message.
    const std::set<int>& channels() const noexcept { return used; }

private:
    std::array<std::array<int, 8>, 17> registered {};
    std::array<int, 17> selectedMsb {}, selectedLsb {};
    std::vector<Bend> bendsRead;
    std::set<int> used;
    int configurations = 0;
};

// The note-ons of a stream in order, as (sample, channel, key).
struct NoteOnSeen
{
    int64_t sample;
    int channel, key;
};
std::vector<NoteOnSeen> noteOnsOf (const Events& events);

} // namespace zelk::test
