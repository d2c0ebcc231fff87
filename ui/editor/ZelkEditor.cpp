#include "ui/editor/ZelkEditor.h"

#include "core/ZelkProcessor.h"

#include <ZelkResources.h>

namespace zelk
{
ZelkEditor::ZelkEditor (ZelkProcessor& p)
    : juce::AudioProcessorEditor (p),
      zelkProcessor (p),
      logo (juce::ImageCache::getFromMemory (zelkresources::zelklogo_png, zelkresources::zelklogo_pngSize))
{
    setResizable (true, true);
    setResizeLimits (1120, 800, 1920, 1300);
    setSize (1280, 880);
}

void ZelkEditor::paint (juce::Graphics& g)
{
    g.fillAll (juce::Colour (0xfff4efe4));

    if (logo.isValid())
        g.drawImageAt (logo, 24, 24);

    g.setColour (juce::Colour (0xff1d1b18));
    g.setFont (juce::Font (28.0f));
    g.drawText ("Zelk", getLocalBounds().reduced (24).removeFromTop (64), juce::Justification::centredRight);
}

} // namespace zelk
