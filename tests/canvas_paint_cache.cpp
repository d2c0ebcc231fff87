#include "tests/helpers/CanvasHarness.h"

#include <gtest/gtest.h>

using namespace zelk;
using namespace zelk::test;

namespace
{
// A paint that draws everything, and two that may use the layer kept from before: all three
// must have the same pixels.
testing::AssertionResult keptLayerLooksTheSame (CanvasHarness& h)
{
    h.canvas.keepsNoteLayer = false;
    const auto direct = h.paint();
    h.canvas.keepsNoteLayer = true;
    const auto kept = h.paint();
    const auto again = h.paint();

    if (const auto d = differingPixels (direct, kept); d != 0)
        return testing::AssertionFailure() << d << " pixels differ from the direct paint";

    if (const auto d = differingPixels (direct, again); d != 0)
        return testing::AssertionFailure() << d << " pixels differ on the second paint";

    return testing::AssertionSuccess();
}

class CanvasPaintCache : public testing::TestWithParam<int>
{
protected:
    CanvasHarness h { GetParam() };
};
} // namespace

TEST_P (CanvasPaintCache, KeepingTheNoteLayerNeverChangesAPixel)
{
    EXPECT_TRUE (keptLayerLooksTheSame (h)); // empty, with its two lines
    writeBusyPattern (h);
    EXPECT_TRUE (keptLayerLooksTheSame (h));

    // The playhead and the sounding dot move on; the layer under them stays.
    h.processor.displayPosition = 4.75;
    const auto note = h.processor.readNote (1);
    h.processor.soundingPitch[1] = (float) h.canvas.displayPitchAt (note, (4.75 - note.start) / note.duration);
    EXPECT_TRUE (keptLayerLooksTheSame (h));

    h.move (h.at (7.0, 66.3));
    EXPECT_TRUE (keptLayerLooksTheSame (h));

    h.canvas.selection = { 0, 4 };
    EXPECT_TRUE (keptLayerLooksTheSame (h));

    // A host writing a note, the bend depth, the transpose, the time selection.
    h.processor.setParameterValue ("note4_pitch", 52.0f);
    EXPECT_TRUE (keptLayerLooksTheSame (h));
    h.processor.setParameterValue ("bend", 24.0f);
    EXPECT_TRUE (keptLayerLooksTheSame (h));
    h.processor.setParameterValue ("transpose", -3.0f);
    EXPECT_TRUE (keptLayerLooksTheSame (h));
    h.setRange (2.0, 6.0);
    EXPECT_TRUE (keptLayerLooksTheSame (h));

    // The view, the theme and the size.
    h.canvas.viewStart = 1.5;
    h.canvas.lowestKey = 44;
    EXPECT_TRUE (keptLayerLooksTheSame (h));
    h.look.setTheme ((GetParam() + 1) % 3);
    EXPECT_TRUE (keptLayerLooksTheSame (h));
    h.look.setTheme (GetParam());

    // A box being dragged over the notes.
    h.canvas.tool = ZelkCanvas::Tool::edit;
    h.press (h.at (8.5, 64.0), leftButton());
    h.drag (h.at (12.0, 54.0), leftButton());
    EXPECT_TRUE (keptLayerLooksTheSame (h));
    h.release (h.at (12.0, 54.0));
}

TEST_P (CanvasPaintCache, ASoundingDotUnderALaterNoteIsPaintedInItsPlace)
{
    writeBusyPattern (h);
    EXPECT_TRUE (keptLayerLooksTheSame (h));

    // A later slot's line crosses the dot of slot 1: the dot must stay under it.
    h.putNote (20, 4.0f, 1.0f, 64);
    const auto note = h.processor.readNote (1);
    h.processor.soundingPitch[1] = 64.0f;
    h.processor.displayPosition = 4.5;
    EXPECT_TRUE (keptLayerLooksTheSame (h));

    // Once no later note is near the dot, it is drawn over the kept layer again.
    h.processor.displayPosition = note.start + 0.2;
    EXPECT_TRUE (keptLayerLooksTheSame (h));
}

TEST_P (CanvasPaintCache, APartOfTheCanvasPaintsLikeTheWhole)
{
    writeBusyPattern (h);
    const auto whole = h.paint();
    h.processor.setParameterValue ("note3_pitch", 61.0f); // the kept layer is stale now

    for (const auto fresh : { true, false })
    {
        juce::Image strip (juce::Image::ARGB, CanvasHarness::width, CanvasHarness::height, true);
        {
            juce::Graphics g (strip);
            g.reduceClipRegion (500, 0, 24, CanvasHarness::height);
            h.canvas.paint (g);
        }

        h.canvas.keepsNoteLayer = false;
        const auto direct = h.paint();
        h.canvas.keepsNoteLayer = true;
        int differing = 0, largest = 0;

        for (int y = 0; y < CanvasHarness::height; ++y)
        {
            for (int x = 500; x < 524; ++x)
            {
                const auto d = channelDistance (strip.getPixelAt (x, y), direct.getPixelAt (x, y));
                differing += d > 0 ? 1 : 0;
                largest = std::max (largest, d);
            }
        }

        EXPECT_EQ (differing, 0) << (fresh ? "painted directly" : "from the kept layer") << ", by up to " << largest;

        const auto onMovedLine = h.onLine (2, 0.05).toInt(); // beat 6.1, inside the strip
        EXPECT_NE (direct.getPixelAt (onMovedLine.x, onMovedLine.y), whole.getPixelAt (onMovedLine.x, onMovedLine.y));
        h.paint(); // keeps the layer for the second round
    }
}

INSTANTIATE_TEST_SUITE_P (Themes, CanvasPaintCache, testing::Values (0, 1, 2));
