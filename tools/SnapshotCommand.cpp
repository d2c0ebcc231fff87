#include "core/PatternMath.h"
#include "core/ZelkProcessor.h"
#include "tools/Commands.h"
#include "tools/PatternFiles.h"
#include "ui/canvas/ZelkCanvas.h"
#include "ui/editor/ZelkEditor.h"
#include "ui/style/Look.h"

#include <algorithm>
#include <iostream>

namespace zelk::cli
{
namespace
{
constexpr int snapshotWidth = 1216; // the canvas in the default window
constexpr int snapshotHeight = 658;

const juce::StringArray themeNames { "light", "dark", "vintage" };
const juce::StringArray pageNames { "piano-roll", "controls", "motion", "instrument" };
const juce::StringArray showNames { "glide", "box", "vibrato" };

// Shows the whole pattern: every beat up to its end or the loop's, and every key it uses.
void fitView (ZelkCanvas& canvas)
{
    canvas.zoomToFit();
    auto lowest = 127, highest = 0;

    for (int slot = 0; slot < slotCount; ++slot)
    {
        const auto note = canvas.processor.readNote (slot);

        if (! note.on)
            continue;

        for (int i = 0; i <= 32; ++i)
        {
            const auto pitch = (int) std::lround (canvas.displayPitchAt (note, i / 32.0));
            lowest = std::min (lowest, pitch);
            highest = std::max (highest, pitch);
        }
    }

    if (highest < lowest)
        return; // empty: the default keys

    const auto rows = std::clamp ((highest - lowest + 6 + 1) / 2 * 2, 24, ZelkCanvas::maximumRows);
    canvas.visibleRows = rows;
    canvas.lowestKey = std::clamp ((lowest + highest + 1) / 2 - rows / 2, 0, 128 - rows);
}

// The first note whose connection draws a glide, selected so that its handle shows.
void selectFirstGlide (ZelkCanvas& canvas)
{
    for (int slot = 0; slot < slotCount; ++slot)
    {
        const auto note = canvas.processor.readNote (slot);

        if (note.on && note.next >= 0 && isConnected (note, slot, canvas.processor.readNote (note.next)))
        {
            canvas.selection = { slot };
            canvas.activeNote = slot;
            return;
        }
    }
}

// The panel of the first note with vibrato, as V opens it; a pattern without vibrato shows none.
void openFirstVibratoPanel (ZelkCanvas& canvas)
{
    for (int slot = 0; slot < slotCount; ++slot)
    {
        const auto note = canvas.processor.readNote (slot);

        if (note.on && note.vibOn)
        {
            canvas.activeNote = slot;
            canvas.panelOpen = true;
            canvas.updateVibratoPanel();
            return;
        }
    }
}

// The edit tool's box halfway through a drag across the middle of the grid.
void dragBox (ZelkCanvas& canvas)
{
    const auto grid = canvas.gridArea();
    const juce::Point<float> from (grid.getX() + grid.getWidth() * 0.3f, grid.getY() + grid.getHeight() * 0.25f);
    const juce::Point<float> to (grid.getX() + grid.getWidth() * 0.62f, grid.getY() + grid.getHeight() * 0.7f);
    const auto event = [&] (juce::Point<float> position, bool dragged)
    {
        const auto now = juce::Time::getCurrentTime();
        return juce::MouseEvent (juce::Desktop::getInstance().getMainMouseSource(), position,
                                 juce::ModifierKeys (juce::ModifierKeys::leftButtonModifier),
                                 juce::MouseInputSource::defaultPressure, juce::MouseInputSource::defaultOrientation,
                                 juce::MouseInputSource::defaultRotation, juce::MouseInputSource::defaultTiltX,
                                 juce::MouseInputSource::defaultTiltY, &canvas, &canvas, now, from, now, 1, dragged);
    };

    canvas.tool = ZelkCanvas::Tool::edit;
    canvas.mouseDown (event (from, false));
    canvas.mouseDrag (event (to, true));
}

bool writePng (const juce::Image& image, const juce::File& target)
{
    if (target.isDirectory() || ! target.getParentDirectory().isDirectory())
        return false;

    juce::TemporaryFile temporary (target);
    {
        juce::FileOutputStream out (temporary.getFile());

        if (! out.openedOk() || ! juce::PNGImageFormat().writeImageToStream (image, out))
            return false;
    }
    return temporary.overwriteTargetFileWithTemporary();
}

// The box first: its press selects afresh, and the other two pick their notes after it.
void showTools (ZelkCanvas& canvas, const juce::StringArray& shown)
{
    if (shown.contains ("box"))
        dragBox (canvas);

    if (shown.contains ("glide"))
        selectFirstGlide (canvas);

    if (shown.contains ("vibrato"))
        openFirstVibratoPanel (canvas);
}

// The whole window as it opens, on one page, with the piano roll showing the whole pattern.
juce::Image paintEditor (ZelkProcessor& processor, int page, const juce::StringArray& shown)
{
    ZelkEditor editor (processor);
    fitView (editor.pianoRoll());
    editor.showTab (page);
    showTools (editor.pianoRoll(), shown);
    editor.tick();
    auto image = editor.createComponentSnapshot (editor.getLocalBounds(), true, 1.0f);
    editor.pianoRoll().cancelGesture();
    return image;
}

juce::Image paintCanvas (ZelkProcessor& processor, int theme, const juce::StringArray& shown)
{
    paperstyle::Look look;
    look.setTheme (theme);
    juce::Image image (juce::Image::ARGB, snapshotWidth, snapshotHeight, true);
    ZelkCanvas canvas (processor);
    canvas.setLookAndFeel (&look);
    canvas.setSize (snapshotWidth, snapshotHeight);
    fitView (canvas);
    showTools (canvas, shown);
    {
        // With its children: the vibrato panel floats over the notes.
        juce::Graphics g (image);
        canvas.paintEntireComponent (g, true);
    }
    canvas.cancelGesture();
    canvas.setLookAndFeel (nullptr);
    return image;
}
} // namespace

int snapshot (const juce::StringArray& args)
{
    auto theme = -1, page = -1;
    auto wholeEditor = false;
    juce::StringArray files, shown;

    for (int i = 0; i < args.size(); ++i)
    {
        if (args[i] == "--editor")
        {
            wholeEditor = true;
        }
        else if (args[i] == "--theme")
        {
            if (i + 1 >= args.size() || ! themeNames.contains (args[i + 1]))
            {
                printError ("--theme takes light, dark or vintage");
                return 2;
            }

            theme = themeNames.indexOf (args[++i]);
        }
        else if (args[i] == "--page")
        {
            if (i + 1 >= args.size() || ! pageNames.contains (args[i + 1]))
            {
                printError ("--page takes piano-roll, controls, motion or instrument");
                return 2;
            }

            page = pageNames.indexOf (args[++i]);
            wholeEditor = true;
        }
        else if (args[i] == "--show")
        {
            if (i + 1 >= args.size() || ! showNames.contains (args[i + 1]))
            {
                printError ("--show takes glide, box or vibrato");
                return 2;
            }

            shown.addIfNotAlreadyThere (args[++i]);
        }
        else
        {
            files.add (args[i]);
        }
    }

    if (files.size() != 2)
    {
        printError ("snapshot takes a MIDI file or Zelk state and a PNG file to write (see zelk --help)");
        return 2;
    }

    const auto input = argumentFile (files[0]);
    ZelkProcessor processor;
    const auto error = loadPattern (processor, input);

    if (error.isNotEmpty())
    {
        printError (input.getFullPathName() + ": " + error);
        return 1;
    }

    // Without --theme a saved state shows in its own theme.
    if (theme < 0)
        theme = std::clamp ((int) processor.raw().uiTheme->load(), 0, 2);
    else
        processor.setParameterValue ("uiTheme", (float) theme);

    const auto image = wholeEditor ? paintEditor (processor, std::max (page, 0), shown) : paintCanvas (processor, theme, shown);
    const auto output = argumentFile (files[1]);

    if (! writePng (image, output))
    {
        printError (output.getFullPathName() + ": cannot be written");
        return 1;
    }

    std::cout << "wrote " << output.getFullPathName() << " (" << image.getWidth() << " x " << image.getHeight() << ", "
              << themeNames[theme];

    if (wholeEditor)
        std::cout << ", " << pageNames[std::max (page, 0)];

    std::cout << ")\n";
    return 0;
}

} // namespace zelk::cli
