// DRAG MIDI in a real window on a real window system (an Xvfb server, or Windows under Wine): the
// grip dragged out of Zelk's window by the pointer starts the window system's file drag (XDND on
// X11, OLE on Windows), which ends when the button is let go over nothing that takes files.
#include "core/Platform.h"
#include "tests/helpers/TestProcessor.h"
#include "tools/RealWindows.h"
#include "ui/editor/ZelkEditor.h"

#include <gtest/gtest.h>

#include <functional>

using namespace zelk;
using namespace zelk::test;

namespace
{
// As long as the window system may take to show a window or end a drag.
bool waitFor (const std::function<bool()>& condition)
{
    return realwindows::dispatchUntil (condition, 5000.0);
}
} // namespace

TEST (DragMidiWindow, DraggingTheGripOutOfARealWindowStartsTheWindowSystemsDrag)
{
    if (const auto problem = platform::windowSystemProblem(); problem.isNotEmpty())
        GTEST_SKIP() << problem.toStdString() << " (the real-window tests run under tests/real_windows/with-xvfb.sh)";

    ZelkProcessor processor;
    writePlainNote (processor, 0, 0.0f, 2.0f, 60);
    auto options = processor.outputOptions();
    options.bendRange = 24;
    processor.setOutputOptions (options);

    auto window = std::make_unique<juce::DocumentWindow> ("Zelk", juce::Colours::black, 0);
    window->setContentOwned (processor.createEditorIfNeeded(), true);
    window->setTopLeftPosition (200, 150);
    window->setVisible (true);
    ASSERT_TRUE (waitFor ([&] { return realwindows::isShowing (*window); }));
    realwindows::dispatchFor (300);

    auto& editor = *dynamic_cast<ZelkEditor*> (window->getContentComponent());
    auto& grip = editor.dragMidiGrip();
    const juce::TemporaryFile folder;
    grip.folder = folder.getFile();

    // The window system's own drag, counted on its way, and told to say when it ends.
    int starts = 0;
    auto started = false, ended = false;
    grip.startExternalDrag = [&] (const juce::StringArray& files, juce::Component& source, std::function<void()> whenEnded)
    {
        ++starts;
        started = juce::DragAndDropContainer::performExternalDragDropOfFiles (files, false, &source, [&ended, whenEnded]
        {
            ended = true;
            whenEnded();
        });
        return started;
    };

    const auto from = grip.getScreenBounds().getCentre();
    const auto windowLeft = window->getScreenBounds().getX();
    juce::Array<juce::Point<int>> path;

    for (int i = 1; i <= 10; ++i)
        path.add (from + juce::Point<int> (0, 4 * i)); // down onto the piano roll first: the render

    for (int i = 1; i <= 12; ++i)
        path.add ({ from.x - (from.x - windowLeft + 80) * i / 12, from.y + 40 });

    juce::String error;
    ASSERT_TRUE (realwindows::pointerPress (from, error)) << error;

    for (const auto& point : path)
    {
        ASSERT_TRUE (realwindows::pointerMove (point, error)) << error;
        realwindows::dispatchFor (20);
    }

    ASSERT_TRUE (waitFor ([&] { return starts > 0; })) << "the drag never started; status: " << editor.status();
    realwindows::dispatchFor (300);
    ASSERT_TRUE (realwindows::pointerRelease (path.getLast() + juce::Point<int> (-5, 0), error)) << error;
    EXPECT_TRUE (waitFor ([&] { return ended; })) << "the drag did not end with the release";

    // The press ends with the drag, whoever took the button's release.
    EXPECT_TRUE (waitFor ([] { return ! juce::Desktop::getInstance().getMainMouseSource().isDragging(); }));

    EXPECT_EQ (starts, 1);
    EXPECT_TRUE (started);
    EXPECT_TRUE (grip.lastFile().existsAsFile());
    EXPECT_EQ (grip.lastFile().getFileName(), "Zelk loop 1 bar.mid");
    EXPECT_EQ (editor.status(), "Dragging Zelk loop 1 bar.mid");

    // The window lives on and still takes the pointer: a click on the CONTROLS tab switches page.
    EXPECT_TRUE (realwindows::isShowing (*window));
    const auto controls = editor.button (EditorButton::controlsTab).getScreenBounds().getCentre();
    ASSERT_TRUE (realwindows::pointerPress (controls, error)) << error;
    ASSERT_TRUE (realwindows::pointerRelease (controls, error)) << error;
    EXPECT_TRUE (waitFor ([&] { return editor.tabShown() == controlsPage; })) << "the window lost the click after the drag";

    window.reset();
    folder.getFile().deleteRecursively();
}
