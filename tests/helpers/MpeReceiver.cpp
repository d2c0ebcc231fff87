#include "tests/helpers/MpeReceiver.h"

#include <cmath>
#include <limits>

namespace zelk::test
{
MpeReceiver::MpeReceiver (const Events& events)
{
    for (auto& channel : registered)
        channel.fill (-1);

    selectedMsb.fill (127);
    selectedLsb.fill (127);

    for (const auto& e : events)
    {
        const auto& m = e.message;
        const auto channel = m.getChannel();

        if (channel < 1 || channel > 16)
            continue;

        used.insert (channel);
        const auto c = (size_t) channel;

        if (m.isController())
        {
            const auto value = m.getControllerValue();

            switch (m.getControllerNumber())
            {
                case 101: selectedMsb[c] = value; break;
                case 100: selectedLsb[c] = value; break;
                case 6:
                    if (selectedMsb[c] == 0 && selectedLsb[c] < 8)
                    {
                        registered[c][(size_t) selectedLsb[c]] = value;
                        configurations += selectedLsb[c] == 6;
                    }
                    break;
                default: break;
            }
        }
        else if (m.isPitchWheel())
        {
            const auto range = registered[c][0];
            const auto semitones = range < 0 ? std::numeric_limits<double>::quiet_NaN()
                                             : (m.getPitchWheelValue() - 8192) / 8192.0 * range;
            bendsRead.push_back ({ e.sample, channel, semitones });
        }
    }
}

std::vector<NoteOnSeen> noteOnsOf (const Events& events)
{
    std::vector<NoteOnSeen> seen;

    for (const auto& e : events)
        if (e.message.isNoteOn())
            seen.push_back ({ e.sample, e.message.getChannel(), e.message.getNoteNumber() });

    return seen;
}

} // namespace zelk::test
