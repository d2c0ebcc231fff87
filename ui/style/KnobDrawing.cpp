#include "ui/style/Knob.h"
#include "ui/style/Look.h"

#include <cmath>

namespace paperstyle
{
namespace
{
constexpr float disabledAlpha = 0.36f;
constexpr float visibleDepth = 0.005f;
constexpr float sameProportion = 1.0e-5f;

// A dial in rotary coordinates: angle 0 points up and angles grow clockwise.
struct Dial
{
    juce::Point<float> centre;
    float radius;
    float startAngle, endAngle;
    float alpha; // 1, or less for a disabled knob
    float hover;

    float angleAt (float proportion) const noexcept { return startAngle + (endAngle - startAngle) * proportion; }

    juce::Point<float> pointAt (float radiusHere, float angle) const noexcept
    {
        return { centre.x + radiusHere * std::sin (angle), centre.y - radiusHere * std::cos (angle) };
    }

    juce::Rectangle<float> circle (float radiusHere) const noexcept
    {
        return juce::Rectangle<float> (2.0f * radiusHere, 2.0f * radiusHere).withCentre (centre);
    }

    juce::Path arc (float radiusHere, float fromProportion, float toProportion) const
    {
        juce::Path path;
        path.addCentredArc (centre.x, centre.y, radiusHere, radiusHere, 0.0f, angleAt (fromProportion),
                            angleAt (toProportion), true);
        return path;
    }
};

void fillDot (juce::Graphics& g, juce::Point<float> centre, float diameter)
{
    g.fillEllipse (juce::Rectangle<float> (diameter, diameter).withCentre (centre));
}

void strokeArc (juce::Graphics& g, const Dial& dial, float radius, float from, float to, float width)
{
    if (std::abs (to - from) < sameProportion)
        return;

    g.strokePath (dial.arc (radius, from, to),
                  juce::PathStrokeType (width, juce::PathStrokeType::curved, juce::PathStrokeType::rounded));
}

float dialRadius (int width, int height, const juce::Slider& slider)
{
    const auto primary = (bool) slider.getProperties().getWithDefault ("primary", false);
    return juce::jmin ((float) juce::jmin (width, height) * 0.5f - 17.0f, primary ? 76.0f : 48.0f);
}

void drawHalo (juce::Graphics& g, const Dial& dial, const Palette& palette)
{
    if (dial.hover <= 0.001f)
        return;

    g.setColour (palette.accent.withAlpha (0.065f * dial.hover));
    g.fillEllipse (dial.circle (dial.radius + 3.0f));
}

void drawScale (juce::Graphics& g, const Dial& dial, const Palette& palette)
{
    // Each kind of tick as one path, so that the 21 ticks take two fills instead of 21.
    juce::Path major, minor;

    for (int tick = 0; tick <= 20; ++tick)
    {
        const auto isMajor = tick % 5 == 0;
        const auto angle = dial.angleAt ((float) tick / 20.0f);
        const auto outer = dial.radius + (isMajor ? 12.0f : 9.0f);
        const juce::Line<float> line { dial.pointAt (dial.radius + 7.0f, angle), dial.pointAt (outer, angle) };
        (isMajor ? major : minor).addLineSegment (line, isMajor ? 1.1f : 0.75f);
    }

    g.setColour (palette.ink.withAlpha (0.62f * dial.alpha));
    g.fillPath (major);
    g.setColour (palette.ink.withAlpha (0.22f * dial.alpha));
    g.fillPath (minor);
}

// Bipolar ranges fill from zero, so that a knob at its centre shows no arc.
float valueArcOrigin (juce::Slider& slider)
{
    if (slider.getMinimum() < 0.0 && slider.getMaximum() > 0.0)
        return (float) slider.valueToProportionOfLength (0.0);

    return 0.0f;
}

void drawTrackAndValue (juce::Graphics& g, const Dial& dial, float position, juce::Slider& slider,
                        const Palette& palette)
{
    g.setColour (palette.ink.withAlpha (0.09f * dial.alpha));
    strokeArc (g, dial, dial.radius - 1.0f, 0.0f, 1.0f, 3.5f);

    const auto origin = valueArcOrigin (slider);
    g.setColour (palette.accent.withAlpha (0.85f * dial.alpha));
    strokeArc (g, dial, dial.radius - 1.0f, juce::jmin (origin, position), juce::jmax (origin, position), 3.5f);
}

void drawBody (juce::Graphics& g, const Dial& dial, const Look& look)
{
    const auto& palette = look.palette;
    const auto body = 0.76f * dial.radius;
    const auto face = dial.circle (body);

    g.setColour (juce::Colours::black.withAlpha (0.06f * dial.alpha));
    g.fillEllipse (face.translated (0.0f, 2.0f));

    const auto dark = look.themeIndex == darkTheme;
    g.setColour (dark ? palette.surface : palette.paper.interpolatedWith (palette.surface, 0.7f));
    g.fillEllipse (face);

    // The grain fills the face circle itself, which is the same as clipping to it and filling its square.
    g.setTiledImageFill (look.paperTexture, 0, 0, 0.3f);
    g.fillEllipse (face);

    g.setColour (palette.ink.withAlpha (0.22f * dial.alpha));
    g.drawEllipse (face, 0.8f);
}

void drawKnobPointer (juce::Graphics& g, const Dial& dial, float position, const Palette& palette)
{
    const auto angle = dial.angleAt (position);
    g.setColour (palette.ink.withAlpha (dial.alpha).interpolatedWith (palette.accent, dial.hover));
    g.drawLine ({ dial.pointAt (0.1f * dial.radius, angle), dial.pointAt (0.64f * dial.radius, angle) }, 1.7f);

    g.setColour (palette.ink.withAlpha (0.75f * dial.alpha));
    fillDot (g, dial.centre, 4.0f);

    g.setColour (palette.accent.withAlpha (dial.alpha));
    fillDot (g, dial.pointAt (dial.radius - 1.0f, angle), 5.0f);
}

void drawFocusRing (juce::Graphics& g, const Dial& dial, const juce::Slider& slider, const Palette& palette)
{
    if (! slider.hasKeyboardFocus (false))
        return;

    g.setColour (palette.accent);
    g.drawEllipse (dial.circle (dial.radius + 3.0f), 1.0f);
}

// The route's depth as the parameter has it now, so that automation and the route grid show at once.
void readRouteDepth (Knob& knob, int lfo)
{
    if (! knob.routeParameter)
        return;

    auto* parameter = knob.routeParameter (lfo);
    knob.routeDepth[(size_t) lfo] = parameter != nullptr ? parameter->convertFrom0to1 (parameter->getValue()) : 0.0f;
}

void drawRing (juce::Graphics& g, const Dial& dial, Knob& knob, int lfo, const Palette& palette)
{
    const auto n = (size_t) lfo;
    readRouteDepth (knob, lfo);
    knob.ringHitArea[n].clear();

    const auto depth = knob.routeDepth[n];

    if (! (std::abs (depth) > visibleDepth || knob.dragRing == lfo))
        return;

    const auto colour = palette.lfoColour (lfo).withMultipliedAlpha (dial.alpha);
    const auto radius = dial.radius + 4.0f + 5.0f * (float) lfo;
    const auto fullRange = dial.arc (radius, 0.0f, 1.0f);
    juce::PathStrokeType (4.8f).createStrokedPath (knob.ringHitArea[n], fullRange);
    g.setColour (colour.withMultipliedAlpha (0.18f));
    g.strokePath (fullRange, juce::PathStrokeType (1.0f));

    const auto minimum = knob.getMinimum();
    const auto maximum = knob.getMaximum();
    const auto value = knob.getValue();
    const auto span = (maximum - minimum) * std::abs ((double) depth) * 0.01;
    const auto lo = (float) knob.valueToProportionOfLength (juce::jmax (value - span, minimum));
    const auto hi = (float) knob.valueToProportionOfLength (juce::jmin (value + span, maximum));
    const auto emphasised = lfo == knob.dragRing || lfo == knob.hoverRing;
    g.setColour (colour);
    strokeArc (g, dial, radius, lo, hi, emphasised ? 2.8f : 1.8f);

    const auto handle = dial.pointAt (radius, dial.angleAt (depth >= 0.0f ? hi : lo));
    knob.ringHandle[n] = handle;

    g.setFont (juce::Font ("Segoe UI", 9.6f, juce::Font::plain));
    g.drawText (juce::String (lfo + 1),
                juce::Rectangle<float> ((float) (int) (dial.centre.x + dial.radius + 7.0f),
                                        (float) (int) (dial.centre.y - 14.0f + 11.0f * (float) lfo), 10.0f, 10.0f),
                juce::Justification::centred, false);

    knob.ringHitArea[n].addEllipse (juce::Rectangle<float> (4.8f, 4.8f).withCentre (handle));
    fillDot (g, handle, 4.0f);
}

void drawLiveMarker (juce::Graphics& g, const Dial& dial, const Knob& knob, const Palette& palette)
{
    if (knob.livePosition < 0.0f)
        return;

    g.setColour (palette.accent.withAlpha (dial.alpha));
    fillDot (g, dial.pointAt (dial.radius + 6.0f, dial.angleAt (knob.livePosition)), 6.0f);
}

void drawDropHighlight (juce::Graphics& g, const Dial& dial, const Knob& knob, const Palette& palette)
{
    if (! knob.dropHighlight)
        return;

    g.setColour (palette.accent2);
    g.drawEllipse (dial.circle (dial.radius + 6.0f), 3.0f);
}
} // namespace

void Look::drawRotarySlider (juce::Graphics& g, int x, int y, int width, int height, float position, float startAngle,
                             float endAngle, juce::Slider& slider)
{
    auto* knob = dynamic_cast<Knob*> (&slider);
    const auto radius = dialRadius (width, height, slider);

    // Too small to draw a dial: nothing to see, and nothing to hit.
    if (radius < 2.0f)
    {
        if (knob != nullptr)
            for (auto& area : knob->ringHitArea)
                area.clear();

        return;
    }

    const Dial dial { { (float) x + (float) width * 0.5f, (float) y + (float) height * 0.5f },
                      radius,
                      startAngle,
                      endAngle,
                      slider.isEnabled() ? 1.0f : disabledAlpha,
                      knob != nullptr ? knob->hoverAmount : 0.0f };

    drawHalo (g, dial, palette);
    drawScale (g, dial, palette);
    drawTrackAndValue (g, dial, position, slider, palette);
    drawBody (g, dial, *this);
    drawKnobPointer (g, dial, position, palette);
    drawFocusRing (g, dial, slider, palette);

    if (knob != nullptr)
    {
        for (int lfo = 0; lfo < 3; ++lfo)
            drawRing (g, dial, *knob, lfo, palette);

        drawLiveMarker (g, dial, *knob, palette);
        drawDropHighlight (g, dial, *knob, palette);
    }

    g.setOpacity (1.0f);
}

} // namespace paperstyle
