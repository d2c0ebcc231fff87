#include "engine/MemberChannels.h"

namespace zelk
{
int MemberChannels::lowestFree() const noexcept
{
    if (holding == memberChannelCount)
        return -1;

    for (int c = 0; c < memberChannelCount; ++c)
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
