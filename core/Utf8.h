#pragma once

#include <cstddef>
#include <cstdint>

namespace zelk
{
// Whether bytes are well-formed UTF-8 (a zero byte counts as a character). JUCE walks UTF-8 text
// without checking it, skipping as many bytes as a lead byte announces, so a damaged character
// near the end of a block takes its readers past the end; text from outside is checked first.
inline bool isWellFormedUtf8 (const void* data, size_t size) noexcept
{
    const auto* bytes = static_cast<const uint8_t*> (data);

    for (size_t i = 0; i < size;)
    {
        const auto lead = bytes[i];
        const auto extra = lead < 0x80 ? 0 : lead >= 0xc2 && lead <= 0xdf ? 1 : lead >= 0xe0 && lead <= 0xef ? 2
                                              : lead >= 0xf0 && lead <= 0xf4 ? 3 : -1;

        if (extra < 0 || size - i <= (size_t) extra)
            return false;

        for (int k = 1; k <= extra; ++k)
            if ((bytes[i + (size_t) k] & 0xc0) != 0x80)
                return false;

        i += (size_t) extra + 1;
    }

    return true;
}

} // namespace zelk
