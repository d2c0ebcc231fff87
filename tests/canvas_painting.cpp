#include "tests/helpers/CanvasHarness.h"
#include "core/PatternMath.h"
#include "ui/canvas/GraphStroke.h"
#include "ui/canvas/NoteLineSampling.h"
#include "ui/canvas/VibratoPanel.h"
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
    const auto blackKey =
        dark ? palette.paper.darker (0.35f) : palette.surface.overlaidWith (palette.ink.withAlpha (0.82f));
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
    EXPECT_LE (
        channelDistance (pixelAt (image, ruler), palette.surface.overlaidWith (palette.accent.withAlpha (0.28f))), 2);

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
    EXPECT_LE (
        channelDistance (pixelAt (image, h.onLine (2, 0.5)), palette.accent.interpolatedWith (palette.ink, 0.3f)), 1);

    // An unselected note is drawn lighter, but clearly in its colour.
    const auto unselected = pixelAt (image, h.onLine (3, 0.5));
    EXPECT_NE (unselected, palette.accent);
    EXPECT_LT (channelDistance (unselected, palette.accent),
               channelDistance (rowBand (palette, 50), palette.accent) / 2);

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
    const auto hintArea =
        juce::Rectangle<float> (grid.getX(), grid.getCentreY() - 30.0f, grid.getWidth(), 80.0f).toNearestInt();

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
                          [] (const testing::TestParamInfo<int>& theme)
                          { return std::string (themeName (theme.param)); });

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

            const auto file = folder.getChildFile (juce::String ("canvas-") + (busy ? "busy-" : "empty-") +
                                                   themeName (theme) + ".png");
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

TEST (CanvasSnapshots, TheToolsInEveryTheme)
{
    const auto folder = juce::File (ZELK_SNAPSHOT_DIR);
    ASSERT_TRUE (folder.createDirectory());
    const auto write = [&] (const juce::Image& image, const juce::String& name)
    {
        const auto file = folder.getChildFile (name + ".png");
        file.deleteFile();
        juce::FileOutputStream out (file);
        ASSERT_TRUE (out.openedOk()) << file.getFullPathName();
        ASSERT_TRUE (juce::PNGImageFormat().writeImageToStream (image, out));
    };

    for (int theme = 0; theme < 3; ++theme)
    {
        const auto palette = paperstyle::paletteForTheme (theme);

        // The first note selected: its glide with the handle at the glide's start.
        {
            CanvasHarness h (theme);
            writeBusyPattern (h);
            h.processor.setParameterValue ("note1_glide", 1.0f); // the handle inside the note, clear of its end
            h.canvas.selection = { 0 };
            const auto image = h.paint();
            const auto handle = h.canvas.glidePoint (h.processor.readNote (0), h.processor.readNote (1), 0.0);
            EXPECT_LE (channelDistance (pixelAt (image, handle.translated (0.0f, 3.0f)), palette.paper), 2);
            write (image, juce::String ("canvas-glide-") + themeName (theme));
        }

        // A box halfway through its drag, over the chord.
        {
            CanvasHarness h (theme);
            writeBusyPattern (h);
            const auto before = h.paint();
            h.canvas.tool = ZelkCanvas::Tool::edit;
            h.press (h.at (8.5, 64.0), leftButton());
            h.drag (h.at (12.25, 53.5), leftButton());
            EXPECT_EQ (h.canvas.selection, (std::set<int> { 3, 4 }));
            const auto image = h.paint();
            const auto inside = h.at (10.1, 60.5), outside = h.at (14.6, 60.5);
            EXPECT_NE (pixelAt (image, inside), pixelAt (before, inside));
            EXPECT_EQ (pixelAt (image, outside), pixelAt (before, outside));
            write (image, juce::String ("canvas-box-") + themeName (theme));
        }

        // The vibrato panel open over the second note.
        {
            CanvasHarness h (theme);
            writeBusyPattern (h);
            h.canvas.panelOpen = true;
            h.canvas.updateVibratoPanel();
            ASSERT_NE (h.canvas.vibratoPanel(), nullptr);
            const auto panel = h.canvas.vibratoPanel()->getBounds();
            const auto image = h.paintEntirely();
            EXPECT_EQ (image.getPixelAt (panel.getRight() - 30, panel.getY() + 10), palette.surface);
            write (image, juce::String ("canvas-vibrato-") + themeName (theme));
        }
    }
}

namespace
{
std::vector<juce::Point<float>> vibratoLine (float cycles, int segments, float left, float width)
{
    std::vector<juce::Point<float>> points;

    for (int j = 0; j <= segments; ++j)
    {
        const auto l = (float) j / (float) segments;
        points.emplace_back (left + width * l, 60.0f + 20.0f * std::sin (6.2831853f * cycles * l) + 10.0f * l);
    }

    return points;
}

juce::Path pathThrough (const std::vector<juce::Point<float>>& points)
{
    juce::Path path;
    path.startNewSubPath (points.front());

    for (size_t i = 1; i < points.size(); ++i)
        path.lineTo (points[i]);

    return path;
}
} // namespace

juce::Path outlineOf (const std::vector<juce::Point<float>>& points, float width, int stride, float left = 0.0f,
                      float right = 400.0f)
{
    GraphColumns columns;
    columns.measure (points, 0.25f, left, right);
    return graphStrokeOutline (columns, width, stride);
}

TEST (CanvasPaths, AFilledOutlineLooksLikeTheStrokedLine)
{
    const auto background = juce::Colour (0xfffdfcf9), colour = juce::Colour (0xff2458e8);
    const auto render = [&] (auto&& drawStroke)
    {
        juce::Image image (juce::Image::ARGB, 400, 130, true);
        juce::Graphics g (image);
        g.fillAll (background);
        g.setColour (colour.withAlpha (0.08f));
        drawStroke (g, 12.0f, 8);
        g.setColour (colour.withAlpha (0.78f));
        drawStroke (g, 2.5f, 1);
        return image;
    };

    struct Case
    {
        float cycles;
        int segments;
        float width;
    };

    // A fast vibrato over a short note, a slower one over a long note, a bent line of 32 segments.
    for (const auto c : { Case { 64.0f, 2048, 180.0f }, Case { 24.0f, 2048, 360.0f }, Case { 3.0f, 96, 360.0f },
                          Case { 0.25f, 32, 300.0f } })
    {
        const auto points = vibratoLine (c.cycles, c.segments, 20.0f, c.width);
        const auto stroked = render ([&] (juce::Graphics& g, float width, int)
        {
            g.strokePath (pathThrough (points),
                          juce::PathStrokeType (width, juce::PathStrokeType::curved, juce::PathStrokeType::rounded));
        });
        const auto filled = render ([&] (juce::Graphics& g, float width, int stride)
                                    { g.fillPath (outlineOf (points, width, stride)); });

        int largest = 0, noticeable = 0;

        for (int y = 0; y < stroked.getHeight(); ++y)
        {
            for (int x = 0; x < stroked.getWidth(); ++x)
            {
                const auto d = channelDistance (stroked.getPixelAt (x, y), filled.getPixelAt (x, y));
                largest = std::max (largest, d);
                noticeable += d > 16 ? 1 : 0;
            }
        }

        // Only the antialiasing along the edges may differ (by up to a sixth of full scale on
        // steep flanks), never a peak, a gap or a thicker line.
        EXPECT_LE (largest, 40) << c.cycles << " cycles";
        EXPECT_LE (noticeable, 4000) << c.cycles << " cycles";
    }
}

TEST (CanvasPaths, TheOutlineCoversTheLineWithinTheClip)
{
    const std::vector<juce::Point<float>> flat { { 10.0f, 50.0f }, { 100.0f, 50.0f } };
    const auto bounds = outlineOf (flat, 4.0f, 1, -1000.0f, 1000.0f).getBounds();
    EXPECT_NEAR (bounds.getX(), 8.0f, 0.26f);
    EXPECT_NEAR (bounds.getRight(), 102.0f, 0.26f);
    EXPECT_NEAR (bounds.getY(), 48.0f, 0.01f);
    EXPECT_NEAR (bounds.getBottom(), 52.0f, 0.01f);

    const auto clipped = outlineOf (flat, 4.0f, 1, 40.0f, 60.0f).getBounds();
    EXPECT_GE (clipped.getX(), 39.75f);
    EXPECT_LE (clipped.getRight(), 60.25f);
    EXPECT_NEAR (clipped.getHeight(), 4.0f, 0.01f);

    // A vertical jump is covered over its whole height, widened by the stroke.
    const std::vector<juce::Point<float>> jump{{10.0f, 50.0f}, {30.0f, 50.0f}, {30.0f, 10.0f}, {60.0f, 10.0f}};
    const auto outline = outlineOf (jump, 2.0f, 1);
    EXPECT_TRUE (outline.contains (30.0f, 30.0f));
    EXPECT_TRUE (outline.contains (30.8f, 12.0f));
    EXPECT_FALSE (outline.contains (31.5f, 30.0f));
    EXPECT_FALSE (outline.contains (20.0f, 30.0f));

    // Coarse columns for a wide stroke still reach the line's extremes.
    const auto coarse = outlineOf (vibratoLine (64.0f, 2048, 20.0f, 180.0f), 12.0f, 4).getBounds();
    EXPECT_NEAR (coarse.getY(), 60.0f - 20.0f - 6.0f, 0.3f);
    EXPECT_NEAR (coarse.getX(), 20.0f - 6.0f, 1.0f);

    EXPECT_TRUE (outlineOf ({}, 4.0f, 1).isEmpty());
    EXPECT_TRUE (outlineOf (flat, 4.0f, 1, 200.0f, 300.0f).isEmpty());
    EXPECT_FALSE (outlineOf ({ { 5.0f, 5.0f } }, 4.0f, 1).isEmpty());
}

TEST (CanvasPaths, SampledPitchesMatchThePitchOfTheNote)
{
    Note note;
    note.on = true;
    note.start = 3.0f;
    note.duration = 2.5f;
    note.pitch = 62;
    note.next = 1;
    note.glide = 0.75f;
    note.glideShape = -0.4f;
    note.vibOn = true;
    note.vibCycles = 37.3f;
    note.vibStart = 0.15f;
    note.vibEnd = 0.85f;
    note.vibDepth = 0.6f;
    note.vibFade = 0.3f;
    for (int i = 0; i < curvePointCount; ++i)
        note.curves[pitchCurve][(size_t) i] = 0.02f * (float) ((i * 7) % 5) - 0.03f;

    Note next = note;
    next.start = 6.0f;
    next.pitch = 57;
    next.vibOn = false;

    std::vector<double> pitches;
    sampleNotePitches (note, &next, 24.0, 2048, 100, 1900, pitches);
    ASSERT_EQ (pitches.size(), 1801u);

    double largest = 0.0;
    for (int j = 100; j <= 1900; ++j)
        largest = std::max (largest, std::abs (pitches[(size_t) (j - 100)]
                                               - pitchAt (note, &next, note.start + note.duration * j / 2048.0, 24.0)));
    EXPECT_LT (largest, 1.0e-6);

    note.vibFade = 0.0f;
    sampleNotePitches (note, nullptr, 48.0, 64, 0, 64, pitches);
    for (int j = 0; j <= 64; ++j)
        EXPECT_NEAR (pitches[(size_t) j], pitchAt (note, nullptr, note.start + note.duration * j / 64.0, 48.0), 1.0e-6);
}
