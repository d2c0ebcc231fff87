#include "ui/motion/Panel.h"

#include "core/ModulationDestinations.h"
#include "core/ZelkProcessor.h"
#include "ui/style/Captions.h"
#include "ui/style/Palette.h"

#include <cmath>

namespace motionui
{
namespace
{
constexpr float connectDepth = 25.0f;
constexpr float noDepth = 0.005f;
} // namespace

Panel::Panel (zelk::ZelkProcessor& p) : processor (p) { selectLfo (0); }

void Panel::selectLfo (int index)
{
    selectedLfo = juce::jlimit (0, zelk::lfoCount - 1, index);
    refresh();
}

void Panel::refresh() { repaint(); }

void Panel::connectLfo (int lfo, int destination)
{
    if (lfo < 0 || lfo >= zelk::lfoCount || destination < 0 || destination >= zelk::destinationCount)
        return;

    const auto id = zelk::routeParameterId (lfo, destination);

    if (auto* route = processor.parameterTree().getRawParameterValue (id);
        route != nullptr && std::abs (route->load()) < noDepth)
        processor.setParameterValue (id, connectDepth);

    hint = "LFO " + juce::String (lfo + 1) + " -> " + zelk::destinationName (destination)
         + ". Drag the coloured ring to adjust depth; double-click the ring to clear.";
    refresh();
}

void Panel::paint (juce::Graphics& g)
{
    const auto palette = paperstyle::paletteFor (*this);
    paperstyle::drawCaption (g, "LFO " + juce::String (selectedLfo + 1) + "  /  MOTION DESIGNER", { 0, 0, 335, 31 }, 16.0f,
                             palette.lfoColour (selectedLfo));
    paperstyle::drawCaption (g, hint, { 0, 410, 915, 22 }, 11.0f, palette.ink);
}

} // namespace motionui
