// The PIANO ROLL toolbar's DRAG MIDI grip, dragged out of a window without a screen: the file it
// hands to the window system's drag, and what it says when it cannot.
#include "midi/LoopDragFile.h"
#include "midi/MpeExport.h"
#include "tests/helpers/EditorHarness.h"
#include "tests/helpers/TestProcessor.h"

#include <gtest/gtest.h>

using namespace zelk;
using namespace zelk::test;

namespace
{
struct DragOut
{
    EditorHarness editor;
    juce::TemporaryFile folder;
    juce::StringArray dragged;
    int drags = 0;
    bool windowSystemAgrees = true;

    DragOut()
    {
        auto& grip = editor->dragMidiGrip();
        grip.folder = folder.getFile();
        grip.startExternalDrag = [this] (const juce::StringArray& files, juce::Component&, std::function<void()>)
        {
            ++drags;
            dragged = files;
            return windowSystemAgrees;
        };
    }

    ~DragOut() { folder.getFile().deleteRecursively(); }

    // Press on the grip, move inside the window, then out past its top left corner.
    void drag()
    {
        auto& grip = editor->dragMidiGrip();
        const auto centre = grip.getLocalBounds().getCentre().toFloat();
        const auto outside = centre - juce::Point<float> (500.0f, 300.0f);
        grip.mouseDown (mouseEventOn (grip, centre, juce::ModifierKeys::leftButtonModifier, centre));

        for (const auto& to : { centre + juce::Point<float> (0.0f, 200.0f), outside, outside - juce::Point<float> (9.0f, 9.0f) })
            grip.mouseDrag (mouseEventOn (grip, to, juce::ModifierKeys::leftButtonModifier, centre, 1, true));

        grip.mouseUp (mouseEventOn (grip, outside, {}, centre, 1, true));
    }
};

juce::MemoryBlock bytesOf (const juce::File& file)
{
    juce::MemoryBlock block;
    file.loadFileAsData (block);
    return block;
}
} // namespace

TEST (DragMidi, OutOfTheWindowTheGripHandsOverTheLoopAsExportMidiWritesIt)
{
    DragOut d;
    auto& grip = d.editor->dragMidiGrip();
    EXPECT_EQ (grip.getBounds(), juce::Rectangle<int> (340, 124, 104, 27));
    d.editor->showTab (instrumentPage);
    EXPECT_FALSE (grip.isVisible());
    d.editor->showTab (pianoRollPage);

    auto& p = d.editor.processor;
    writePlainNote (p, 0, 0.0f, 1.5f, 60);
    auto bent = plainNote (1.0f, 2.0f, 64);
    bent.curves[pitchCurve].fill (0.25f);
    p.writeNote (1, bent);
    auto options = p.outputOptions();
    options.bendRange = 12;
    options.zone = OutputOptions::Zone::upper;
    p.setOutputOptions (options);

    d.drag();
    ASSERT_EQ (d.drags, 1); // one drag however far the pointer goes on
    ASSERT_EQ (d.dragged.size(), 1);

    const auto file = d.folder.getFile().getChildFile ("Zelk loop 1 bar.mid");
    EXPECT_EQ (juce::URL (d.dragged[0]).getLocalFile(), file) << d.dragged[0]; // spaces escaped
    EXPECT_EQ (d.editor->status(), "Dragging Zelk loop 1 bar.mid");

    const juce::TemporaryFile exported (".mid");
    ASSERT_TRUE (exportMpeMidi (p, exported.getFile()));
    EXPECT_EQ (bytesOf (file), bytesOf (exported.getFile()));

    // A click that does not leave the window says what the grip is for.
    d.editor.click (grip);
    EXPECT_EQ (d.editor->status(), "Drag DRAG MIDI out of the window and drop it on a track");
    EXPECT_EQ (d.drags, 1);
}

TEST (DragMidi, AFailedRenderSaysWhyAndStartsNoDrag)
{
    DragOut d;
    d.drag();
    EXPECT_EQ (d.drags, 0);
    EXPECT_EQ (d.editor->status(), "Nothing to drag: the pattern has no notes");

    writePlainNote (d.editor.processor, 0, 0.0f, 1.0f, 60);
    ASSERT_TRUE (d.folder.getFile().replaceWithText ("a file where the folder should be"));
    d.drag();
    EXPECT_EQ (d.drags, 0);
    EXPECT_EQ (d.editor->status(), "Drag failed: cannot create the folder " + d.folder.getFile().getFullPathName());

    ASSERT_TRUE (d.folder.getFile().deleteFile());
    d.windowSystemAgrees = false;
    d.drag();
    EXPECT_EQ (d.drags, 1);
    EXPECT_EQ (d.editor->status(), "Drag failed: the window system did not start it");
}

TEST (DragMidi, LoopFilesAreNamedAfterTheLoopAndLeaveAfterADay)
{
    EXPECT_EQ (loopDragFileName (16.0), "Zelk loop 4 bars.mid");
    EXPECT_EQ (loopDragFileName (6.0), "Zelk loop 6 beats.mid");
    EXPECT_EQ (loopDragFileName (1.0), "Zelk loop 1 beat.mid");

    const juce::TemporaryFile folder;
    ASSERT_TRUE (folder.getFile().createDirectory().wasOk());
    const auto now = juce::Time::getCurrentTime();
    const auto old = now - juce::RelativeTime::hours (25.0);
    const auto make = [&] (const char* name, juce::Time written)
    {
        const auto f = folder.getFile().getChildFile (name);
        EXPECT_TRUE (f.replaceWithText ("x"));
        EXPECT_TRUE (f.setLastModificationTime (written));
        return f;
    };

    const auto stale = make ("Zelk loop 4 bars.mid", old);
    const auto fresh = make ("Zelk loop 2 bars.mid", now - juce::RelativeTime::hours (23.0));
    const auto notOurs = make ("notes.txt", old);
    EXPECT_EQ (removeStaleLoopDragFiles (folder.getFile(), now), 1);
    EXPECT_FALSE (stale.exists());
    EXPECT_TRUE (fresh.exists());
    EXPECT_TRUE (notOurs.exists());
    folder.getFile().deleteRecursively();
}
