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

TEST_P (CanvasPaintCache, AnEditPaintsAgainOnlyAroundTheNotesItChanged)
{
    writeBusyPattern (h);
    // Notes on one row over and under each other in the slots' order.
    h.putNote (7, 5.0f, 3.0f, 62);
    h.putNote (20, 2.0f, 3.0f, 62);
    h.putNote (21, 3.5f, 3.0f, 62);
    EXPECT_TRUE (keptLayerLooksTheSame (h));

    const auto canvasPixels = (int64_t) CanvasHarness::width * CanvasHarness::height;
    const auto check = [&] (const std::string& edit, bool local)
    {
        h.canvas.keepsNoteLayer = false;
        const auto direct = h.paint();
        h.canvas.keepsNoteLayer = true;
        const auto kept = h.paint();
        const auto repainted = h.canvas.lastRepaintedPixels();
        EXPECT_EQ (differingPixels (direct, kept), 0) << edit;
        EXPECT_EQ (differingPixels (direct, h.paint()), 0) << edit << ", painted again";

        if (local)
        {
            EXPECT_LT (repainted, canvasPixels / 8) << edit;
        }
    };

    // The edit tool moves note 7 under the two later notes, step by step.
    h.canvas.tool = ZelkCanvas::Tool::edit;
    auto from = h.at (7.5, 62.0);
    h.press (from, leftButton());
    check ("a press that selects a note", true);

    for (const auto beats : { -0.5, -1.0, -1.5 })
    {
        h.drag (from.translated (h.canvas.beatToX (beats) - h.canvas.beatToX (0.0), 0.0f), leftButton());
        check ("a move by " + std::to_string (beats) + " beat", true);
    }

    h.release (h.at (6.0, 62.0));
    ASSERT_FLOAT_EQ (h.processor.readNote (7).start, 3.5f);

    // The lone high note made longer by its end; then the last note of the connected phrase moved a
    // beat on, which bends the glide of the note before it.
    from = h.at (14.0, 69.0).translated (-2.0f, 0.0f);
    h.stroke ({ from, from.translated (h.canvas.beatToX (1.0) - h.canvas.beatToX (0.0), 0.0f) }, leftButton());
    ASSERT_FLOAT_EQ (h.processor.readNote (5).duration, 2.5f);
    check ("a resize", true);
    from = h.onLine (2, 0.5);
    h.press (from, leftButton());
    h.drag (from.translated (h.canvas.beatToX (1.0) - h.canvas.beatToX (0.0), 0.0f), leftButton());
    ASSERT_FLOAT_EQ (h.processor.readNote (2).start, 7.0f);
    check ("the next note of a glide moved", true);
    h.release (from);

    // Selecting another note, the host changing a vibrato, deleting a note.
    h.press (h.onLine (3, 0.5), leftButton (juce::ModifierKeys::ctrlModifier));
    h.release (h.onLine (3, 0.5));
    check ("a selection", true);
    h.processor.setParameterValue ("note5_vibCycles", 30.0f);
    check ("the host's vibrato", true);
    h.press (h.onLine (3, 0.5), rightButton());
    h.release (h.onLine (3, 0.5));
    ASSERT_FALSE (h.processor.readNote (3).on);
    check ("a deletion", true);

    // The pen draws a stroke across the chord and past the high note.
    h.canvas.tool = ZelkCanvas::Tool::draw;
    h.press (h.at (10.6, 66.0), leftButton());
    check ("a new stroke", true);

    for (const auto& [beat, pitch] : { std::pair { 11.4, 63.0 }, { 12.3, 66.0 }, { 13.6, 70.0 }, { 13.2, 68.0 } })
    {
        h.drag (h.at (beat, pitch), leftButton());
        check ("a stroke step to beat " + std::to_string (beat), true);
    }

    h.release (h.at (13.2, 68.0));

    // Undo, a scroll and a move after it, and a cleared pattern.
    h.undo();
    check ("an undo", false);
    h.canvas.viewStart = 1.0;
    check ("a scroll", false);
    h.canvas.tool = ZelkCanvas::Tool::edit;
    from = h.onLine (21, 0.8);
    h.press (from, leftButton());
    h.drag (from.translated (0.0f, -h.canvas.rowHeight()), leftButton());
    ASSERT_EQ (h.processor.readNote (21).pitch, 63);
    check ("a move after the scroll", true);
    h.release (from);
    h.processor.clearPattern();
    check ("a cleared pattern", false);
}

INSTANTIATE_TEST_SUITE_P (Themes, CanvasPaintCache, testing::Values (0, 1, 2));
