#include "ui/style/Palette.h"

#include "ui/style/Look.h"

namespace paperstyle
{
namespace
{
Palette makePalette (juce::uint32 ink, juce::uint32 paper, juce::uint32 accent, juce::uint32 accent2, juce::uint32 muted,
                     juce::uint32 rule, juce::uint32 surface, juce::uint32 shade)
{
    return { juce::Colour (ink),   juce::Colour (paper), juce::Colour (accent),  juce::Colour (accent2),
             juce::Colour (muted), juce::Colour (rule),  juce::Colour (surface), juce::Colour (shade) };
}
} // namespace

juce::Colour Palette::lfoColour (int lfo) const noexcept
{
    switch (juce::jlimit (0, 2, lfo))
    {
        case 0: return accent;
        case 1: return accent2;
        default: return muted;
    }
}

bool Palette::operator== (const Palette& o) const noexcept
{
    return ink == o.ink && paper == o.paper && accent == o.accent && accent2 == o.accent2 && muted == o.muted
        && rule == o.rule && surface == o.surface && shade == o.shade;
}

Palette paletteForTheme (int index) noexcept
{
    switch (index)
    {
        case darkTheme:
            return makePalette (0xFFEEEEE9, 0xFF202427, 0xFF739CFF, 0xFF9CB3DB, 0xFFA8AFAF, 0xFF484F52, 0xFF363D41, 0xFF242A2D);
        case vintageTheme:
            return makePalette (0xFF35291F, 0xFFDED0B8, 0xFF9A4E2D, 0xFF8A7451, 0xFF71634E, 0xFFB7A386, 0xFFEEE0C6, 0xFFBBA582);
        default:
            return makePalette (0xFF171A19, 0xFFF7F5F0, 0xFF2458E8, 0xFF6283C6, 0xFF666A68, 0xFFD6D3CC, 0xFFFDFCF9, 0xFFDEDBD3);
    }
}

Palette paletteFor (const juce::Component& component)
{
    if (auto* look = dynamic_cast<Look*> (&component.getLookAndFeel()))
        return look->palette;

    return paletteForTheme (lightTheme);
}

} // namespace paperstyle
