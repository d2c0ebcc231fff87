#pragma once

#include <cstddef>
#include <cstdint>

namespace zelk
{
// Whether bytes are well-formed UTF-8 (a zero byte counts as a character). JUCE walks UTF-8 text
// without checking it, skipping as many bytes as a lead byte announces, so a damaged character
// near the end of a block takes its readers past the end; text from outside is checked first.
// Overlong forms, surrogates and numbers past U+10FFFF are refused too: JUCE measures a string
// by the characters it decodes and copies it by its bytes, so an overlong zero ("\xe0\x80\x80")
// ends the measure early and the copy writes past what was measured.
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

        // The second byte bounds what the first allows: no overlong form, surrogate or past U+10FFFF.
        const auto second = extra > 0 ? bytes[i + 1] : 0x80;

        if ((lead == 0xe0 && second < 0xa0) || (lead == 0xed && second > 0x9f) || (lead == 0xf0 && second < 0x90)
            || (lead == 0xf4 && second > 0x8f))
            return false;

        i += (size_t) extra + 1;
    }

    return true;
}

// Whether every numeric character reference in XML text ("&#10;", "&#x263A;") is well formed and
// names a character. JUCE's XML reader takes up to twelve digits, writes what it reads as UTF-8
// even past U+10FFFF, and so makes the malformed text the check above refuses.
inline bool holdsOnlyCharacterReferences (const char* text, size_t size) noexcept
{
    for (size_t i = 0; i + 1 < size; ++i)
    {
        if (text[i] != '&' || text[i + 1] != '#')
            continue;

        auto k = i + 2;
        const auto hex = k < size && (text[k] == 'x' || text[k] == 'X');
        k += hex ? 1 : 0;
        uint32_t value = 0;
        auto digits = 0;

        for (; k < size && digits < 8; ++k, ++digits)
        {
            const auto c = text[k];
            const auto digit = c >= '0' && c <= '9'          ? c - '0'
                               : hex && c >= 'a' && c <= 'f' ? c - 'a' + 10
                               : hex && c >= 'A' && c <= 'F' ? c - 'A' + 10
                                                             : -1;
            if (digit < 0)
                break;

            value = value * (hex ? 16u : 10u) + (uint32_t) digit;
        }

        if (digits == 0 || k >= size || text[k] != ';' || value == 0 || value > 0x10ffff
            || (value >= 0xd800 && value <= 0xdfff))
            return false;
    }

    return true;
}

} // namespace zelk
