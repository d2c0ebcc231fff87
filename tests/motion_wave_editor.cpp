#include "tests/helpers/CanvasHarness.h"
#include "tests/helpers/EditorHarness.h"
#include "tests/helpers/MotionHarness.h"
#include "tests/helpers/TestProcessor.h"

#include "core/ParameterLayout.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace zelk;
using namespace zelk::test;

namespace
{
// Point values are stored with a step of 0.001.
constexpr float pointStep = 0.0011f;

float point (MotionHarness& h, int lfo, int k) { return h.value (lfoPointId (lfo, k)); }
float defaultPoint (int k) { return (float) std::sin (juce::MathConstants<double>::pi * k / 4.0); }

int openPointGestures (MotionHarness& h, int lfo)
{
    auto open = 0;

    for (int k = 0; k < lfoPointCount; ++k)
        open += h.openGestures (lfoPointId (lfo, k));

    return open;
}
} // namespace

TEST (MotionWaveDrawing, APressSwitchesToDrawAndOpensOneGestureOnEachPoint)
{
    MotionHarness h;
    ASSERT_EQ (h.value ("lfo1_shape"), 0.0f);

    h.press (h.onPlot (3.0f, 0.5f), leftButton());

    // The shape changed as one completed gesture; the stroke holds the nine points open.
    EXPECT_EQ (h.value ("lfo1_shape"), 5.0f);
    EXPECT_EQ (h.gesturesBegun ("lfo1_shape"), 1);
    EXPECT_EQ (h.openGestures ("lfo1_shape"), 0);
    EXPECT_EQ (openPointGestures (h, 0), 9);
    EXPECT_TRUE (h.wave().drawing);
    EXPECT_NEAR (point (h, 0, 3), 0.5f, pointStep);

    for (int k : { 0, 1, 2, 4, 5, 6, 7, 8 })
        EXPECT_NEAR (point (h, 0, k), defaultPoint (k), pointStep) << "point " << k;

    h.release (h.onPlot (3.0f, 0.5f));
    EXPECT_EQ (h.openGestures(), 0);
    EXPECT_FALSE (h.wave().drawing);

    // The DRAW button lights on the next refresh.
    h->refresh();
    EXPECT_TRUE (h->shapeButton (5).getToggleState());
    EXPECT_FALSE (h->shapeButton (0).getToggleState());
}

TEST (MotionWaveDrawing, AFastStrokeFillsTheSkippedPointsOnAStraightLine)
{
    MotionHarness h;
    h.stroke ({ h.onPlot (1.0f, -0.5f), h.onPlot (7.0f, 0.7f) });

    for (int k = 1; k <= 7; ++k)
        EXPECT_NEAR (point (h, 0, k), -0.5f + 1.2f * (float) (k - 1) / 6.0f, pointStep) << "point " << k;

    EXPECT_NEAR (point (h, 0, 0), 0.0f, pointStep);
    EXPECT_NEAR (point (h, 0, 8), 0.0f, pointStep);

    // Backwards, and from where the last step left off rather than from the press.
    h.stroke ({ h.onPlot (6.0f, 1.0f), h.onPlot (6.2f, 0.0f), h.onPlot (2.0f, -1.0f) });
    EXPECT_NEAR (point (h, 0, 6), 0.0f, pointStep);
    EXPECT_NEAR (point (h, 0, 4), -0.5f, pointStep);
    EXPECT_NEAR (point (h, 0, 2), -1.0f, pointStep);
    EXPECT_NEAR (point (h, 0, 7), 0.7f, pointStep);
    EXPECT_EQ (h.openGestures(), 0);
}

TEST (MotionWaveDrawing, DrawingOutsideThePlotKeepsToItsEdges)
{
    MotionHarness h;
    const auto plot = h.wave().plotArea();

    // Above and left of the plot: +1 at point 0; below and right: -1 at point 8.
    h.press ({ plot.getX() - 40.0f, plot.getY() - 30.0f }, leftButton());
    EXPECT_EQ (point (h, 0, 0), 1.0f);
    h.drag ({ plot.getRight() + 300.0f, plot.getBottom() + 500.0f }, leftButton());
    EXPECT_EQ (point (h, 0, 8), -1.0f);
    EXPECT_NEAR (point (h, 0, 4), 0.0f, pointStep);
    h.release ({ plot.getRight() + 300.0f, plot.getBottom() + 500.0f });

    // Far outside the window too: the values stay within the parameters' range.
    h.stroke ({ { -1.0e9f, 1.0e9f }, { 1.0e9f, -1.0e9f } });
    EXPECT_EQ (point (h, 0, 0), -1.0f);
    EXPECT_EQ (point (h, 0, 8), 1.0f);
}

TEST (MotionWaveDrawing, OnlyTheLeftButtonDraws)
{
    MotionHarness h;
    const auto where = h.onPlot (2.0f, -0.8f);

    for (const auto mods : { rightButton(), middleButton() })
    {
        h.press (where, mods);
        h.drag (h.onPlot (6.0f, 0.9f), mods);
        h.release (h.onPlot (6.0f, 0.9f));
    }

    EXPECT_EQ (h.value ("lfo1_shape"), 0.0f);
    EXPECT_TRUE (h.gestures.begun.empty());

    for (int k = 0; k < lfoPointCount; ++k)
        EXPECT_NEAR (point (h, 0, k), defaultPoint (k), pointStep);
}

TEST (MotionWaveDrawing, SwitchingLfoMidStrokeClosesItAndKeepsWhatWasDrawn)
{
    MotionHarness h;
    h.press (h.onPlot (0.0f, 0.2f), leftButton());
    h.drag (h.onPlot (4.0f, 0.6f), leftButton());
    ASSERT_EQ (openPointGestures (h, 0), 9);

    h->selectLfo (1);
    EXPECT_EQ (h.openGestures(), 0);
    EXPECT_FALSE (h.wave().drawing);
    EXPECT_EQ (h.wave().lfoIndex(), 1);
    EXPECT_NEAR (point (h, 0, 2), 0.4f, pointStep);
    EXPECT_NEAR (point (h, 0, 4), 0.6f, pointStep);

    // The rest of the press draws nowhere, and its release closes nothing twice.
    h.drag (h.onPlot (8.0f, -0.9f), leftButton());
    h.release (h.onPlot (8.0f, -0.9f));
    EXPECT_NEAR (point (h, 0, 8), 0.0f, pointStep);
    EXPECT_NEAR (point (h, 1, 8), 0.0f, pointStep);
    EXPECT_EQ (h.openGestures(), 0);

    for (const auto& [index, count] : h.gestures.ended)
        EXPECT_EQ (count, h.gestures.begun[index]);

    // The next stroke draws LFO 2.
    h.stroke ({ h.onPlot (8.0f, -0.9f) });
    EXPECT_NEAR (point (h, 1, 8), -0.9f, pointStep);
    EXPECT_EQ (h.value ("lfo2_shape"), 5.0f);
    EXPECT_EQ (h.value ("lfo1_shape"), 5.0f);
}

TEST (MotionWaveDrawing, ClosingTheEditorMidStrokeClosesTheGestures)
{
    EditorHarness editor;
    editor->showTab (motionPage);
    auto& wave = editor->motion().wave();
    const auto plot = wave.plotArea();
    const juce::Point<float> from { plot.getX(), plot.getY() }, to { plot.getCentreX(), plot.getBottom() };

    wave.mouseDown (mouseEventOn (wave, from, leftButton(), from));
    wave.mouseDrag (mouseEventOn (wave, to, leftButton(), from, 1, true));
    EXPECT_EQ (editor.openGestures(), 9);

    editor.close();
    EXPECT_EQ (editor.openGestures(), 0);
    EXPECT_EQ (valueOf (editor.processor, "lfo1_point0"), 1.0f);
    EXPECT_EQ (valueOf (editor.processor, "lfo1_point4"), -1.0f);
}

TEST (MotionWavePainting, DrawsTheMorphedCurveThePointsInDrawAndThePlayLine)
{
    MotionHarness h;
    const auto palette = paperstyle::paletteForTheme (paperstyle::lightTheme);
    const auto origin = h.wave().getPosition().toFloat();
    const auto at = [&] (float k, float v) { return h.onPlot (k, v) + origin; };

    // SINE: its crest a quarter of the way along, its trough at three quarters.
    auto image = h.paint();
    EXPECT_LT (nearestDistance (image, at (2.0f, 1.0f), palette.accent), 40);
    EXPECT_LT (nearestDistance (image, at (6.0f, -1.0f), palette.accent), 40);
    EXPECT_GT (nearestDistance (image, at (2.0f, -1.0f), palette.accent), 100);

    // Half way to TRI: 0.5 (sin 45 degrees) + 0.5 (the triangle's -0.5 there) at point 1.
    h.setHost ("lfo1_shape", 0.5f);
    image = h.paint();
    EXPECT_LT (nearestDistance (image, at (1.0f, 0.5f * 0.70710678f - 0.25f), palette.accent), 40);

    // DRAW shows the points as dots, in the selected LFO's colour; just below DRAW it does not.
    h->selectLfo (1);
    h.setHost ("lfo2_point3", -0.25f);
    const auto besideDot = at (3.0f, -0.25f).translated (2.0f, 2.0f);
    const auto colourBesideDot = [&] (float shape)
    {
        h.setHost ("lfo2_shape", shape);
        return h.paint().getPixelAt ((int) besideDot.x, (int) besideDot.y);
    };
    EXPECT_LT (channelDistance (colourBesideDot (5.0f), palette.accent2), 40);
    EXPECT_LT (channelDistance (colourBesideDot (4.995f), palette.accent2), 40);
    EXPECT_GT (channelDistance (colourBesideDot (4.98f), palette.accent2), 100);

    // The play line sits at the LFO's phase plus its phase offset: three quarters along.
    const auto onLine = at (6.0f, 0.5f);
    const auto brightness = [&] (float phase, float offset)
    {
        h.processor.lfoPhase[1] = phase;
        h.processor.liveValue[(size_t) destination::ofLfo (1, destination::phase)] = offset;
        return h.paint().getPixelAt ((int) onLine.x, (int) onLine.y).getBrightness();
    };
    EXPECT_LT (brightness (0.25f, 180.0f), brightness (0.0f, 0.0f) - 0.1f);
    EXPECT_LT (brightness (0.75f, 0.0f), brightness (0.0f, 0.0f) - 0.1f);
}
