#include "engine/MemberChannels.h"

#include <algorithm>

namespace zelk
{
void MemberChannels::useLayout (const OutputOptions& options) noexcept
{
    if (holding > 0)
        return;

    output = options.limited();
    range = (double) output.bendRange;

    for (int c = 0; c < memberChannelCount; ++c)
        midiChannels[(size_t) c] = (int8_t) output.memberChannel (std::min (c, output.memberChannels - 1));
}

int MemberChannels::lowestFree() const noexcept
{
    if (holding >= output.memberChannels)
        return -1;

    for (int c = 0; c < output.memberChannels; ++c)
        if (! records[(size_t) c].holding())
            return c;

    return -1;
}

void MemberChannels::occupy (int record, int slot) noexcept
{
    auto& r = records[(size_t) record];

    if (r.holding())
        free (record);

    r.slot = slot;
    r.segment = -1;
    r.segmentUntil = -1.0;
    holderOfSlot[(size_t) slot] = (int8_t) record;
    ++holding;
    unsettle();
}

void MemberChannels::free (int record) noexcept
{
    auto& r = records[(size_t) record];

    if (r.holding())
    {
        holderOfSlot[(size_t) r.slot] = -1;
        --holding;
    }

    r = MemberChannel {};
    unsettle();
}

void MemberChannels::freeAll() noexcept
{
    for (int c = 0; c < memberChannelCount; ++c)
        free (c);
}

} // namespace zelk
