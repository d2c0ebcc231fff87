#include "ui/motion/WaveEditor.h"

#include "core/ParameterLayout.h"
#include "core/ZelkProcessor.h"
#include "engine/LfoEngine.h"
#include "ui/style/Palette.h"

#include <cmath>

namespace motionui
{
namespace
{
constexpr float plotLeft = 12.0f;
constexpr float plotTop = 14.0f;
constexpr int curveSegments = 240;
constexpr float drawShape = 5.0f;
// Above this the shape is DRAW and its points are shown as dots.
constexpr float drawnShapeShown = 4.99f;
constexpr float pointDotDiameter = 6.0f;

int nearestPoint (float x, const juce::Rectangle<float>& plot) noexcept
{
    const auto position = juce::jlimit (0.0f, 8.0f, (x - plot.getX()) / plot.getWidth() * 8.0f);
    return (int) std::lround (position);
}

float valueAt (float y, const juce::Rectangle<float>& plot) noexcept
{
    return juce::jlimit (-1.0f, 1.0f, 1.0f - 2.0f * (y - plot.getY()) / plot.getHeight());
}
} // namespace

WaveEditor::WaveEditor (zelk::ZelkProcessor& p) : processor (p)
{
    setName ("Draw LFO waveform");
    setComponentID ("wave-editor");
    setMouseCursor (juce::MouseCursor::CrosshairCursor);

    for (int n = 0; n < zelk::lfoCount; ++n)
        for (int k = 0; k < zelk::lfoPointCount; ++k)
            pointParameters[(size_t) n][(size_t) k] = processor.parameterTree().getParameter (zelk::lfoPointId (n, k));

    curve.preallocateSpace (3 * (curveSegments + 1) + 1);
}

WaveEditor::~WaveEditor() { endStroke(); }

void WaveEditor::editLfo (int index)
{
    endStroke();
    lfo = juce::jlimit (0, zelk::lfoCount - 1, index);
    repaint();
}

juce::Rectangle<float> WaveEditor::plotArea() const noexcept
{
    return { plotLeft, plotTop, (float) juce::jmax (getWidth() - 24, 0), (float) juce::jmax (getHeight() - 28, 0) };
}

void WaveEditor::mouseDown (const juce::MouseEvent& e)
{
    if (! e.mods.isLeftButtonDown())
        return;

    endStroke();
    beginStroke();
    drawAt (e.position);
}

void WaveEditor::mouseDrag (const juce::MouseEvent& e)
{
    if (drawing)
        drawAt (e.position);
}

void WaveEditor::mouseUp (const juce::MouseEvent& e)
{
    // The last moves can arrive only with the release: the point under it is drawn too.
    mouseDrag (e);
    endStroke();
}

void WaveEditor::beginStroke()
{
    drawing = true;
    lastPointIndex = -1;
    processor.setParameterValue (zelk::destinationId (zelk::destination::ofLfo (lfo, zelk::destination::shape)), drawShape);

    strokePoints = &pointParameters[(size_t) lfo];

    for (auto* point : *strokePoints)
        point->beginChangeGesture();
}

void WaveEditor::endStroke()
{
    if (strokePoints != nullptr)
        for (auto* point : *strokePoints)
            point->endChangeGesture();

    strokePoints = nullptr;
    drawing = false;
}

void WaveEditor::drawAt (juce::Point<float> position)
{
    const auto plot = plotArea();

    // A plot with no area has no point under the pointer.
    if (strokePoints == nullptr || plot.isEmpty())
        return;

    const auto k = nearestPoint (position.x, plot);
    const auto v = valueAt (position.y, plot);

    if (lastPointIndex < 0 || k == lastPointIndex)
    {
        setPoint (k, v);
    }
    else
    {
        // A fast stroke skips points: they are filled on the straight line from the last one.
        const auto step = k > lastPointIndex ? 1 : -1;

        for (int i = lastPointIndex; i != k + step; i += step)
            setPoint (i, lastPointValue + (v - lastPointValue) * (float) (i - lastPointIndex) / (float) (k - lastPointIndex));
    }

    lastPointIndex = k;
    lastPointValue = v;
    repaint();
}

void WaveEditor::setPoint (int k, float value)
{
    auto& point = *(*strokePoints)[(size_t) k];
    point.setValueNotifyingHost (point.convertTo0to1 (value));
}

void WaveEditor::paint (juce::Graphics& g)
{
    const auto palette = paperstyle::paletteFor (*this);
    paintFrame (g, palette.surface, palette.rule);
    paintGrid (g, palette.ink);
    paintCurve (g, palette.lfoColour (lfo));
    paintPlayLine (g, palette.ink);
}

void WaveEditor::paintFrame (juce::Graphics& g, juce::Colour surface, juce::Colour rule)
{
    const auto bounds = getLocalBounds().toFloat();
    g.setColour (surface.withAlpha (0.5f));
    g.fillRoundedRectangle (bounds, 3.0f);
    g.setColour (rule);
    g.drawRoundedRectangle (bounds.getX() + 0.5f, bounds.getY() + 0.5f, juce::jmax (0.0f, bounds.getWidth() - 1.0f),
                            juce::jmax (0.0f, bounds.getHeight() - 1.0f), 3.0f, 0.8f);
}

void WaveEditor::paintGrid (juce::Graphics& g, juce::Colour ink)
{
    const auto plot = plotArea();
    g.setColour (ink.withAlpha (0.1f));

    for (int i = 0; i <= 8; ++i)
        g.drawVerticalLine ((int) (plot.getX() + (float) i * plot.getWidth() / 8.0f), plot.getY(), plot.getBottom());

    for (int j = 0; j <= 4; ++j)
        g.drawHorizontalLine ((int) (plot.getY() + (float) j * plot.getHeight() / 4.0f), plot.getX(), plot.getRight());
}

void WaveEditor::paintCurve (juce::Graphics& g, juce::Colour colour)
{
    // The parameters as set, before any modulation and without the level.
    const auto& raw = processor.raw();
    std::array<float, zelk::lfoPointCount> points {};

    for (size_t k = 0; k < points.size(); ++k)
        points[k] = raw.points[(size_t) lfo][k]->load (std::memory_order_relaxed);

    const auto shapeSetting =
        raw.destinations[(size_t) zelk::destination::ofLfo (lfo, zelk::destination::shape)]->load (std::memory_order_relaxed);
    const auto shape = juce::jlimit (0.0f, 5.0f, shapeSetting);
    const auto plot = plotArea();
    const auto middle = plot.getY() + plot.getHeight() * 0.5f;
    const auto halfHeight = plot.getHeight() * 0.5f;

    curve.clear();

    for (int l = 0; l <= curveSegments; ++l)
    {
        // The last vertex just before the cycle's end, where a drawn shape reaches point 8.
        const auto phase = l == curveSegments ? 0.999999f : (float) l / (float) curveSegments;
        const juce::Point<float> vertex (plot.getX() + plot.getWidth() * (float) l / (float) curveSegments,
                                         middle - halfHeight * zelk::morphedShapeValue (shape, phase, points));

        if (l == 0)
            curve.startNewSubPath (vertex);
        else
            curve.lineTo (vertex);
    }

    g.setColour (colour);
    g.strokePath (curve, juce::PathStrokeType (2.0f));

    if (shapeSetting > drawnShapeShown)
        for (int k = 0; k < zelk::lfoPointCount; ++k)
        {
            const juce::Point<float> centre (plot.getX() + (float) k * plot.getWidth() / 8.0f,
                                             middle - halfHeight * points[(size_t) k]);
            g.fillEllipse (juce::Rectangle<float> (pointDotDiameter, pointDotDiameter).withCentre (centre));
        }
}

void WaveEditor::paintPlayLine (juce::Graphics& g, juce::Colour ink)
{
    const auto plot = plotArea();
    const auto offset = processor.liveValue[(size_t) zelk::destination::ofLfo (lfo, zelk::destination::phase)].load();
    const auto r = offset / 360.0f + processor.lfoPhase[(size_t) lfo].load();

    if (! std::isfinite (r))
        return;

    g.setColour (ink.withAlpha (0.35f));
    g.drawVerticalLine ((int) (plot.getX() + plot.getWidth() * (r - std::floor (r))), plot.getY(), plot.getBottom());
}

} // namespace motionui
