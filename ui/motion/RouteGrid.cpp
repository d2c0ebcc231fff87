#include "ui/motion/RouteGrid.h"

#include "core/ZelkProcessor.h"
#include "ui/motion/SliderRelease.h"
#include "ui/style/Palette.h"

#include <cmath>

namespace motionui
{
namespace
{
constexpr int labelLeft = 7;
constexpr int labelWidth = 116;
constexpr int firstColumn = 123;
constexpr int columnStep = 89;
constexpr int sliderWidth = 87;
constexpr int sliderHeight = 29;

const char* const depthTooltip = "Bipolar depth in percent of the destination range. Double-click to remove this route.";

size_t indexOf (int lfo, int destination) noexcept
{
    return (size_t) ((destination - RouteGrid::firstRow) * zelk::lfoCount + lfo);
}

// Rows 6, 11 and 16 begin the groups of LFO 1, 2 and 3's own controls.
bool beginsLfoGroup (int destination) noexcept
{
    return destination >= zelk::globalControlCount && (destination - zelk::globalControlCount) % zelk::lfoControlCount == 0;
}

int owningLfo (int destination) noexcept
{
    return (destination - zelk::globalControlCount) / zelk::lfoControlCount;
}
} // namespace

RouteGrid::RouteGrid (zelk::ZelkProcessor& p) : processor (p)
{
    for (int d = firstRow; d < zelk::destinationCount; ++d)
        for (int n = 0; n < zelk::lfoCount; ++n)
            configure (slider (n, d), n, d);

    setSize (gridWidth, rowHeight * rowCount);
}

RouteGrid::~RouteGrid()
{
    for (auto& s : sliders)
        releaseSliderDrag (s);
}

juce::Slider& RouteGrid::slider (int lfo, int destination) noexcept
{
    const auto n = juce::jlimit (0, zelk::lfoCount - 1, lfo);
    const auto d = juce::jlimit (firstRow, zelk::destinationCount - 1, destination);
    return sliders[indexOf (n, d)];
}

void RouteGrid::configure (juce::Slider& s, int lfo, int destination)
{
    const auto id = zelk::routeParameterId (lfo, destination);
    s.setSliderStyle (juce::Slider::LinearHorizontal);
    s.setComponentID (id);
    s.setName ("LFO " + juce::String (lfo + 1) + " to " + zelk::destinationName (destination));
    s.setTextBoxStyle (juce::Slider::TextBoxRight, false, 42, 22);
    s.getProperties().set ("sourceIndex", lfo);
    s.setTooltip (depthTooltip);

    // The attachment installs the parameter's own texts and default, so ours follow it.
    attachments[indexOf (lfo, destination)] = std::make_unique<Attachment> (processor.parameterTree(), id, s);
    s.textFromValueFunction = [] (double value) { return juce::String (value, 1); };
    s.valueFromTextFunction = [] (const juce::String& text)
    {
        const auto value = text.trimStart().getDoubleValue();
        return std::isfinite (value) ? value : 0.0;
    };
    s.setDoubleClickReturnValue (true, 0.0);
    s.updateText();

    addAndMakeVisible (s);
}

void RouteGrid::resized()
{
    for (int d = firstRow; d < zelk::destinationCount; ++d)
        for (int n = 0; n < zelk::lfoCount; ++n)
            slider (n, d).setBounds (firstColumn + columnStep * n, rowTop (d), sliderWidth, sliderHeight);
}

void RouteGrid::paint (juce::Graphics& g)
{
    const auto palette = paperstyle::paletteFor (*this);
    const auto clip = g.getClipBounds();
    g.fillAll (palette.paper);
    g.setFont (labelFont);

    for (int d = firstRow; d < zelk::destinationCount; ++d)
    {
        const auto y = rowTop (d);

        // Only the rows the viewport shows are drawn.
        if (y >= clip.getBottom() || y + rowHeight <= clip.getY())
            continue;

        if (d % 2 == 0)
        {
            g.setColour (palette.ink.withAlpha (0.04f));
            g.fillRect (0, y, getWidth(), rowHeight);
        }

        const auto isGlobal = d < zelk::globalControlCount;
        g.setColour (isGlobal ? palette.ink : palette.lfoColour (owningLfo (d)));
        g.drawText (zelk::destinationName (d), labelLeft, y, labelWidth, rowHeight, juce::Justification::centredLeft,
                    true);

        if (beginsLfoGroup (d))
        {
            g.setColour (palette.ink.withAlpha (0.25f));
            g.drawHorizontalLine (y, 0.0f, (float) getWidth());
        }
    }
}

} // namespace motionui
