#include "ui/editor/LogoImage.h"

#include <ZelkResources.h>

namespace zelk
{
juce::Image logoSilhouette (const juce::Image& artwork)
{
    if (! artwork.isValid())
        return {};

    const auto width = artwork.getWidth(), height = artwork.getHeight();
    juce::Image silhouette (juce::Image::ARGB, width, height, true);
    int left = width, top = height, right = -1, bottom = -1;

    {
        const juce::Image::BitmapData source (artwork, juce::Image::BitmapData::readOnly);
        juce::Image::BitmapData target (silhouette, juce::Image::BitmapData::writeOnly);

        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
            {
                const auto colour = source.getPixelColour (x, y);
                const auto brightest = juce::jmax (colour.getRed(), colour.getGreen(), colour.getBlue());
                const auto alpha = (200.0f - (float) brightest) / 120.0f;

                if (alpha <= 0.0f)
                    continue;

                target.setPixelColour (x, y, juce::Colours::white.withAlpha (juce::jmin (alpha, 1.0f)));
                left = juce::jmin (left, x);
                right = juce::jmax (right, x);
                top = juce::jmin (top, y);
                bottom = juce::jmax (bottom, y);
            }
    }

    if (right < 0)
        return {};

    return silhouette.getClippedImage ({ left, top, right - left + 1, bottom - top + 1 }).createCopy();
}

juce::Image prepareLogo()
{
    return logoSilhouette (juce::ImageFileFormat::loadFrom (zelkresources::zelklogo_png, zelkresources::zelklogo_pngSize));
}

} // namespace zelk
