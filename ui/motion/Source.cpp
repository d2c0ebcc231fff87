#include "ui/motion/Source.h"

#include "core/ZelkProcessor.h"
#include "engine/LfoEngine.h"
#include "ui/style/Captions.h"
#include "ui/style/Palette.h"

namespace motionui
{
namespace
{
juce::String lfoLabel (int lfoIndex) { return "LFO " + juce::String (lfoIndex + 1); }
} // namespace

Source::Source (zelk::ZelkProcessor& p, int index) : juce::Button (lfoLabel (index)), processor (p), lfoIndex (index)
{
    setComponentID ("source-" + juce::String (index));
    setMouseCursor (juce::MouseCursor::DraggingHandCursor);
    setTooltip ("Drag " + lfoLabel (index) + " onto any knob to connect it. Click to edit its waveform.");
}

juce::String Source::dragDescription (int index) { return "tamsel-lfo-" + juce::String (index); }

void Source::mouseDown (const juce::MouseEvent& e)
{
    dragStarted = false;
    juce::Button::mouseDown (e);
}

void Source::mouseDrag (const juce::MouseEvent& e)
{
    juce::Button::mouseDrag (e);

    if (dragStarted || e.getDistanceFromDragStart() <= dragThreshold)
        return;

    if (auto* container = juce::DragAndDropContainer::findParentDragContainerFor (this))
    {
        dragStarted = true;
        container->startDragging (dragDescription (lfoIndex), this);
    }
}

void Source::clicked()
{
    // A press that became a drag connects; it does not also select.
    if (! dragStarted && onSelect)
        onSelect (lfoIndex);
}

float Source::output() const noexcept
{
    return processor.lfoOutput[(size_t) juce::jlimit (0, zelk::lfoCount - 1, lfoIndex)].load();
}

void Source::paintButton (juce::Graphics& g, bool highlighted, bool down)
{
    const auto palette = paperstyle::paletteFor (*this);
    const auto colour = palette.lfoColour (lfoIndex);
    const auto box = juce::Rectangle<float> (1.0f, 1.0f, (float) juce::jmax (0, getWidth() - 2),
                                             (float) juce::jmax (0, getHeight() - 2));

    g.setColour (palette.surface.withAlpha (highlighted ? 0.85f : 0.5f));
    g.fillRoundedRectangle (box, 3.0f);
    g.setColour (highlighted || getToggleState() ? colour : palette.rule);
    g.drawRoundedRectangle (box, 3.0f, highlighted ? 1.2f : 0.8f);

    if (getHeight() <= badgeHeightLimit)
        paintBadge (g, box);
    else
        paintCard (g, box);

    if (down || hasKeyboardFocus (false))
    {
        g.setColour (colour);
        g.drawRoundedRectangle (box.reduced (2.0f), 2.0f, 1.0f);
    }
}

void Source::paintBadge (juce::Graphics& g, juce::Rectangle<float>)
{
    const auto palette = paperstyle::paletteFor (*this);
    const auto colour = palette.lfoColour (lfoIndex);

    g.setColour (colour);
    g.fillEllipse (10.0f - 2.5f, 10.0f - 2.5f, 5.0f, 5.0f);
    paperstyle::drawCaption (g, getButtonText(), { 22, 0, getWidth() - 29, getHeight() - 4 }, 11.0f, palette.ink,
                             juce::Justification::centred);

    g.setColour (colour);
    g.fillRect (6.0f, (float) getHeight() - 5.0f, (float) (getWidth() - 12) * (output() + 1.0f) / 2.0f, 1.5f);
}

void Source::paintCard (juce::Graphics& g, juce::Rectangle<float>)
{
    const auto palette = paperstyle::paletteFor (*this);
    const auto colour = palette.lfoColour (lfoIndex);
    const auto& raw = processor.raw();
    const auto lfo = (size_t) juce::jlimit (0, zelk::lfoCount - 1, lfoIndex);

    g.setColour (colour);
    g.fillEllipse (10.0f - 2.5f, 13.0f - 2.5f, 5.0f, 5.0f);
    paperstyle::drawCaption (g, getButtonText(), { 22, 0, getWidth() - 29, 30 }, 11.0f, palette.ink);

    // The waveform as the parameters draw it, before any modulation.
    std::array<float, zelk::lfoPointCount> points {};

    for (size_t k = 0; k < points.size(); ++k)
        points[k] = raw.points[lfo][k]->load();

    const auto shape = juce::jlimit (0.0f, 5.0f, raw.destinations[(size_t) zelk::destination::ofLfo ((int) lfo, zelk::destination::shape)]->load());
    juce::Path preview;

    for (int i = 0; i <= 100; ++i)
    {
        const auto v = zelk::morphedShapeValue (shape, (float) i / 101.0f, points);
        const auto point = juce::Point<float> (16.0f + 1.48f * (float) i, 57.0f - 14.0f * v);

        if (i == 0)
            preview.startNewSubPath (point);
        else
            preview.lineTo (point);
    }

    g.setColour (palette.ink);
    g.strokePath (preview, juce::PathStrokeType (1.1f));

    g.setColour (palette.rule);
    g.drawVerticalLine (182, 14.0f, 80.0f);

    const auto rate = raw.destinations[(size_t) zelk::destination::ofLfo ((int) lfo, zelk::destination::rate)]->load();
    const auto stretch = raw.destinations[(size_t) zelk::destination::ofLfo ((int) lfo, zelk::destination::stretch)]->load();
    const auto synced = zelk::isSwitchOn (raw.sync[lfo]);

    paperstyle::drawCaption (g, "RATE", { 196, 12, 70, 16 }, 9.0f, palette.muted);
    paperstyle::drawCaption (g, juce::String (rate, 2) + (synced ? " /bt" : " Hz"), { 196, 27, 77, 18 }, 11.0f, palette.ink);
    paperstyle::drawCaption (g, "LENGTH", { 196, 49, 70, 16 }, 9.0f, palette.muted);
    paperstyle::drawCaption (g, juce::String (stretch, 2) + " x", { 196, 64, 77, 18 }, 11.0f, palette.ink);

    g.setColour (colour);
    g.fillRect (16.0f, 81.0f, 148.0f * (output() + 1.0f) / 2.0f, 1.5f);
}

} // namespace motionui
