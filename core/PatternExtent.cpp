#include "core/PatternExtent.h"

#include "core/ZelkProcessor.h"

#include <cmath>

namespace zelk
{
double patternBarLength (const ZelkProcessor& processor) noexcept
{
    auto end = 4.0;

    for (int slot = 0; slot < slotCount; ++slot)
    {
        const auto note = processor.readNote (slot);

        if (note.on)
            end = std::max (end, (double) note.start + note.duration);
    }

    return std::ceil (end / 4.0) * 4.0;
}

} // namespace zelk
