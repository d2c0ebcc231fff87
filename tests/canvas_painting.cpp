#include "tests/helpers/CanvasHarness.h"
#include "ui/canvas/PolylineThinning.h"
#include "ui/style/Palette.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace zelk;
using namespace zelk::test;

namespace
{
const char* themeName (int theme)
{
    static const char* const names[] = { "light", "dark", "vintage" };
    return names[theme];
}

// The colour a pixel of a plain row band has: the canvas background under the band's tint.
juce::Colour rowBand (const paperstyle::Palette& p, int key)
{
    const auto black = juce::MidiMessage::isMidiNoteBlack (key);
    return p.surface.overlaidWith (black ? p.ink.withAlpha (0.035f) : p.paper.withAlpha (0.24f));
}

juce::Colour pixelAt (const juce::Image& image, juce::Point<float> point)
{
    return image.getPixelAt ((int) std::floor (point.x), (int) std::floor (point.y));
}

// Pixels in an area within a small distance of a colour.
int pixelsNear (const juce::Image& image, juce::Rectangle<int> area, juce::Colour colour, int distance)
{
    int count = 0;

    for (int y = area.getY(); y < area.getBottom(); ++y)
        for (int x = area.getX(); x < area.getRight(); ++x)
            if (channelDistance (image.getPixelAt (x, y), colour) <= distance)
                ++count;

    return count;
}

class CanvasPainting : public testing::TestWithParam<int>
{
protected:
    CanvasHarness h { GetParam() };
    const paperstyle::Palette palette = paperstyle::paletteForTheme (GetParam());

    // A point in the row of a key, halfway between two sixteenth lines.
    juce::Point<float> inRow (int key, double beat) const
    {
        return { h.canvas.beatToX (std::floor (beat * 4.0) / 4.0 + 0.125), h.canvas.pitchToY (key) };
    }
};
} // namespace

TEST_P (CanvasPainting, RowBandsAndKeysFollowTheKeyboard)
{
    const auto image = h.paint();
    const auto dark = GetParam() == paperstyle::darkTheme;

    EXPECT_LE (channelDistance (pixelAt (image, inRow (60, 2.0)), rowBand (palette, 60)), 2);
    EXPECT_LE (channelDistance (pixelAt (image, inRow (61, 2.0)), rowBand (palette, 61)), 2);
    EXPECT_LE (channelDistance (pixelAt (image, inRow (71, 15.0)), rowBand (palette, 71)), 2);
    EXPECT_LE (channelDistance (pixelAt (image, inRow (48, 0.0)), rowBand (palette, 48)), 2);

    const auto whiteKey = dark ? palette.surface : palette.paper;
    const auto blackKey = dark ? palette.paper.darker (0.35f) : palette.surface.overlaidWith (palette.ink.withAlpha (0.82f));
    EXPECT_LE (channelDistance (image.getPixelAt (20, (int) h.canvas.pitchToY (60)), whiteKey), 2);
    EXPECT_LE (channelDistance (image.getPixelAt (50, (int) h.canvas.pitchToY (61)), blackKey), 2);
    EXPECT_LE (channelDistance (image.getPixelAt (65, (int) h.canvas.pitchToY (61)), palette.surface), 2);

    // The keyboard labels its keys: some pixels of the C4 key carry the label's ink.
    EXPECT_GT (pixelsNear (image, { 35, (int) h.canvas.pitchToY (60) - 6, 36, 12 }, palette.ink, 60), 5);

    // The outline in rule.
    EXPECT_EQ (image.getPixelAt (0, 300), palette.rule);
    EXPECT_EQ (image.getPixelAt (CanvasHarness::width - 1, 10), palette.rule);
}

TEST_P (CanvasPainting, TheTimeSelectionTintsItsBeatsAndTheRuler)
{
    const auto inside = inRow (60, 6.0);
    const auto outside = inRow (60, 9.0);
    const auto before = h.paint();
    h.setRange (4.0, 8.0);
    const auto image = h.paint();

    const auto band = rowBand (palette, 60);
    EXPECT_LE (channelDistance (pixelAt (before, inside), band), 2);
    EXPECT_LE (channelDistance (pixelAt (image, inside), band.overlaidWith (palette.accent.withAlpha (0.1f))), 2);
    EXPECT_EQ (pixelAt (image, outside), pixelAt (before, outside));

    const auto ruler = juce::Point<float> (h.canvas.beatToX (4.5), 15.0f);
    EXPECT_LE (channelDistance (pixelAt (before, ruler), palette.surface), 2);
    EXPECT_LE (channelDistance (pixelAt (image, ruler), palette.surface.overlaidWith (palette.accent.withAlpha (0.28f))), 2);

    // Both ends are marked with two-pixel bars in accent.
    EXPECT_EQ (image.getPixelAt ((int) h.canvas.beatToX (4.0) + 1, 15), palette.accent);
    EXPECT_EQ (image.getPixelAt ((int) h.canvas.beatToX (8.0) - 2, 15), palette.accent);
}

TEST_P (CanvasPainting, NoteLinesTakeTheirSlotsColour)
{
    h.putNote (0, 1.0f, 4.0f, 66);
    h.putNote (1, 6.0f, 4.0f, 62);
    h.putNote (2, 11.0f, 4.0f, 54);
    h.putNote (3, 1.0f, 4.0f, 50);
    h.canvas.selection = { 0, 1, 2 };
    const auto image = h.paint();

    EXPECT_EQ (pixelAt (image, h.onLine (0, 0.5)), palette.accent);
    EXPECT_EQ (pixelAt (image, h.onLine (1, 0.5)), palette.accent2);
    EXPECT_LE (channelDistance (pixelAt (image, h.onLine (2, 0.5)), palette.accent.interpolatedWith (palette.ink, 0.3f)), 1);

    // An unselected note is drawn lighter, but clearly in its colour.
    const auto unselected = pixelAt (image, h.onLine (3, 0.5));
    EXPECT_NE (unselected, palette.accent);
    EXPECT_LT (channelDistance (unselected, palette.accent), channelDistance (rowBand (palette, 50), palette.accent) / 2);

    // Beyond the halo the row band shows unchanged (3.125 lies between grid lines).
    const auto beside = pixelAt (image, h.onLine (0, 0.53125).translated (0.0f, 12.0f));
    EXPECT_LE (channelDistance (beside, rowBand (palette, 66)), 2);
}

TEST_P (CanvasPainting, ConnectedNotesGlideInAccentWithAHandleWhenSelected)
{
    h.putNote (1, 1.0f, 3.0f, 60);
    h.putNote (4, 6.0f, 2.0f, 67);
    h.link (1, 4);
    h.processor.setParameterValue ("note2_glide", 1.0f);
    h.canvas.selection = { 1 };
    const auto image = h.paint();
    const auto first = h.processor.readNote (1);
    const auto second = h.processor.readNote (4);

    // The glide runs from the note's end to the next start; its middle is drawn in accent.
    const auto middle = h.canvas.glidePoint (first, second, 0.5);
    EXPECT_LE (channelDistance (pixelAt (image, middle), palette.accent), 8);

    // The handle at the glide start: paper inside an accent outline.
    const auto handle = h.canvas.glidePoint (first, second, 0.0);
    EXPECT_LE (channelDistance (pixelAt (image, handle.translated (0.0f, 3.0f)), palette.paper), 2);
    EXPECT_LE (channelDistance (pixelAt (image, handle.translated (-4.5f, 3.0f)), palette.accent), 60);

    // The start dot of a gliding note is accent too.
    EXPECT_EQ (pixelAt (image, h.onLine (1, 0.0).translated (-3.0f, 0.0f)), palette.accent);
}

TEST_P (CanvasPainting, TheHintLinesShowOnlyOnAnEmptyPattern)
{
    const auto grid = h.canvas.gridArea();
    const auto hintArea = juce::Rectangle<float> (grid.getX(), grid.getCentreY() - 30.0f, grid.getWidth(), 80.0f).toNearestInt();

    EXPECT_GT (pixelsNear (h.paint(), hintArea, palette.muted, 24), 150);

    h.putNote (0, 1.0f, 1.0f, 70);
    EXPECT_EQ (pixelsNear (h.paint(), hintArea, palette.muted, 24), 0);

    // A slot that is not on does not count as a note.
    h.processor.setParameterValue ("note1_on", 0.0f);
    EXPECT_GT (pixelsNear (h.paint(), hintArea, palette.muted, 24), 150);
}

TEST_P (CanvasPainting, ThePlayheadAndTheSoundingDotsFollowTheEngine)
{
    h.putNote (0, 2.0f, 8.0f, 60);
    const auto startColumn = (int) h.canvas.beatToX (3.125);
    const auto playColumn = (int) h.canvas.beatToX (6.125);
    const auto y = (int) h.canvas.pitchToY (64);
    const auto line = rowBand (palette, 64).overlaidWith (palette.accent.withAlpha (0.65f));

    // Stopped: the line stands at the playback cursor.
    h.processor.startPosition = 3.125;
    h.processor.displayPosition = 6.125;
    h.processor.soundingPitch[0] = 60.0f;
    auto image = h.paint();
    EXPECT_LE (channelDistance (image.getPixelAt (startColumn, y), line), 2);
    EXPECT_LE (channelDistance (image.getPixelAt (playColumn, y), rowBand (palette, 64)), 2);

    h.processor.isPlaying = true;
    image = h.paint();
    EXPECT_LE (channelDistance (image.getPixelAt (playColumn, y), line), 2);
    EXPECT_LE (channelDistance (image.getPixelAt (startColumn, y), rowBand (palette, 64)), 2);

    // The sounding dot: paper inside ink, on the playhead at the sounding pitch.
    const auto dot = juce::Point<float> (h.canvas.beatToX (6.125), h.canvas.pitchToY (60.0));
    EXPECT_LE (channelDistance (pixelAt (image, dot.translated (1.0f, 0.0f)), palette.paper), 2);
    EXPECT_LE (channelDistance (pixelAt (image, dot.translated (3.5f, 0.0f)), palette.ink), 2);

    h.processor.soundingPitch[0] = ZelkProcessor::silentPitch;
    EXPECT_GT (channelDistance (pixelAt (h.paint(), dot.translated (1.0f, 0.0f)), palette.paper), 40);
}

TEST_P (CanvasPainting, SwitchingThemeAndBackRestoresEveryPixel)
{
    writeBusyPattern (h);
    const auto before = h.paint();

    h.look.setTheme ((GetParam() + 1) % 3);
    const auto other = h.paint();
    EXPECT_NE (other.getPixelAt (300, 300), before.getPixelAt (300, 300));

    h.look.setTheme (GetParam());
    const auto after = h.paint();
    int differing = 0;

    for (int y = 0; y < CanvasHarness::height; ++y)
        for (int x = 0; x < CanvasHarness::width; ++x)
            differing += after.getPixelAt (x, y) != before.getPixelAt (x, y) ? 1 : 0;

    EXPECT_EQ (differing, 0);
}

INSTANTIATE_TEST_SUITE_P (Themes, CanvasPainting, testing::Values (0, 1, 2),
                          [] (const testing::TestParamInfo<int>& theme) { return std::string (themeName (theme.param)); });

TEST (CanvasSnapshots, EveryThemeEmptyAndBusy)
{
    const auto folder = juce::File (ZELK_SNAPSHOT_DIR);
    ASSERT_TRUE (folder.createDirectory());

    for (int theme = 0; theme < 3; ++theme)
    {
        for (const auto busy : { false, true })
        {
            CanvasHarness h (theme);

            if (busy)
                writeBusyPattern (h);

            const auto file = folder.getChildFile (juce::String ("canvas-") + (busy ? "busy-" : "empty-") + themeName (theme) + ".png");
            file.deleteFile();
            {
                juce::FileOutputStream out (file);
                ASSERT_TRUE (out.openedOk()) << file.getFullPathName();
                ASSERT_TRUE (juce::PNGImageFormat().writeImageToStream (h.paint(), out));
            }

            const auto read = juce::ImageFileFormat::loadFrom (file);
            EXPECT_EQ (read.getWidth(), CanvasHarness::width);
            EXPECT_EQ (read.getHeight(), CanvasHarness::height);
        }
    }
}

TEST (CanvasPaths, ThinningKeepsEachPixelColumnsExtremes)
{
    // A fast vibrato: 2049 points over 180 pixels.
    std::vector<juce::Point<float>> points;

    for (int j = 0; j <= 2048; ++j)
        points.emplace_back (100.0f + 180.0f * (float) j / 2048.0f, 300.0f + 12.0f * std::sin ((float) j * 0.39f));

    auto thinned = points;
    thinToPixelColumns (thinned);

    EXPECT_LE (thinned.size(), 2u * 181u + 2u);
    EXPECT_EQ (thinned.front(), points.front());
    EXPECT_EQ (thinned.back(), points.back());

    for (size_t i = 1; i < thinned.size(); ++i)
        EXPECT_GE (thinned[i].x, thinned[i - 1].x);

    // Every column reaches as high and as low as before.
    for (int column = 100; column < 280; ++column)
    {
        auto top = 1.0e9f, bottom = -1.0e9f, thinTop = 1.0e9f, thinBottom = -1.0e9f;

        for (auto p : points)
            if ((int) std::floor (p.x) == column)
                top = std::min (top, p.y), bottom = std::max (bottom, p.y);

        for (auto p : thinned)
            if ((int) std::floor (p.x) == column)
                thinTop = std::min (thinTop, p.y), thinBottom = std::max (thinBottom, p.y);

        EXPECT_EQ (thinTop, top) << "column " << column;
        EXPECT_EQ (thinBottom, bottom) << "column " << column;
    }

    // A line sparser than the pixels is left alone.
    std::vector<juce::Point<float>> sparse { { 0.0f, 1.0f }, { 3.0f, 2.0f }, { 3.5f, 9.0f }, { 7.0f, 4.0f } };
    auto copy = sparse;
    thinToPixelColumns (copy);
    EXPECT_EQ (copy, sparse);
}

TEST (CanvasPaths, AThinnedVibratoStrokesLikeTheFullOne)
{
    const auto stroke = [] (const std::vector<juce::Point<float>>& points)
    {
        juce::Image image (juce::Image::ARGB, 400, 120, true);
        juce::Graphics g (image);
        g.fillAll (juce::Colour (0xfffdfcf9));
        juce::Path path;
        path.startNewSubPath (points.front());

        for (size_t i = 1; i < points.size(); ++i)
            path.lineTo (points[i]);

        g.setColour (juce::Colour (0xff2458e8).withAlpha (0.08f));
        g.strokePath (path, juce::PathStrokeType (12.0f, juce::PathStrokeType::curved, juce::PathStrokeType::rounded));
        g.setColour (juce::Colour (0xff2458e8).withAlpha (0.78f));
        g.strokePath (path, juce::PathStrokeType (2.5f, juce::PathStrokeType::curved, juce::PathStrokeType::rounded));
        return image;
    };

    for (const auto cycles : { 4.0f, 24.0f, 64.0f })
    {
        std::vector<juce::Point<float>> points;

        for (int j = 0; j <= 2048; ++j)
        {
            const auto l = (float) j / 2048.0f;
            points.emplace_back (20.0f + 360.0f * l, 60.0f + 20.0f * std::sin (6.2831853f * cycles * l));
        }

        auto thinned = points;
        thinToPixelColumns (thinned);
        const auto full = stroke (points);
        const auto thin = stroke (thinned);
        int largest = 0;

        for (int y = 0; y < full.getHeight(); ++y)
        {
            for (int x = 0; x < full.getWidth(); ++x)
            {
                const auto d = channelDistance (full.getPixelAt (x, y), thin.getPixelAt (x, y));
                largest = std::max (largest, d);
            }
        }

        // Only the antialiasing along steep flanks may differ, never a peak or a gap.
        EXPECT_LE (largest, 48) << cycles << " cycles";
    }
}
