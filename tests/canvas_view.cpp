#include "tests/helpers/CanvasHarness.h"

#include <gtest/gtest.h>

using namespace zelk;
using namespace zelk::test;

namespace
{
float rowCentre (const ZelkCanvas& canvas, int row)
{
    return canvas.gridArea().getY() + canvas.rowHeight() * ((float) row + 0.5f);
}
} // namespace

TEST (CanvasGeometry, ANewCanvasShowsSixteenBeatsAndTwoOctavesFromC3)
{
    CanvasHarness h;
    const auto& canvas = h.canvas;
    const auto grid = canvas.gridArea();

    EXPECT_EQ (grid, juce::Rectangle<float> (77.0f, 31.0f, 1138.0f, 626.0f));
    EXPECT_DOUBLE_EQ (canvas.xToBeat (grid.getX()), 0.0);
    EXPECT_NEAR (canvas.xToBeat (grid.getRight()), 16.0, 1e-9);

    // Row centres are whole semitones: B4 at the top, C3 at the bottom.
    EXPECT_NEAR (canvas.yToPitch (rowCentre (canvas, 0)), 71.0, 1e-6);
    EXPECT_NEAR (canvas.yToPitch (rowCentre (canvas, 23)), 48.0, 1e-6);
    EXPECT_NEAR (canvas.pitchToY (60.0), rowCentre (canvas, 11), 1e-3);
    EXPECT_NEAR (canvas.yToPitch (canvas.pitchToY (63.37)), 63.37, 1e-4);
    EXPECT_NEAR (canvas.beatToX (canvas.xToBeat (500.25f)), 500.25f, 1e-3);

    // Outside the grid the mappings stay inside the timeline and the key range.
    EXPECT_EQ (canvas.xToBeat (0.0f), 0.0);
    EXPECT_EQ (canvas.yToPitch (-5000.0f), 127.0);
    EXPECT_EQ (canvas.yToPitch (9000.0f), 0.0);

    EXPECT_EQ (canvas.getComponentID(), "piano-roll");
    EXPECT_TRUE (canvas.getWantsKeyboardFocus());
}

TEST (CanvasGeometry, TheViewIsLimitedToTheTimeline)
{
    CanvasHarness h;
    auto& canvas = h.canvas;
    const auto grid = canvas.gridArea();

    canvas.viewLength = 0.5; // behaves as one beat
    canvas.viewStart = 10.0;
    EXPECT_NEAR (canvas.xToBeat (grid.getRight()) - canvas.xToBeat (grid.getX()), 1.0, 1e-9);
    EXPECT_DOUBLE_EQ (canvas.xToBeat (grid.getX()), 10.0);

    canvas.viewLength = 0.0; // the default 16
    canvas.viewStart = 300000.0;
    EXPECT_NEAR (canvas.xToBeat (grid.getX()), timelineEnd - 16.0, 1e-6);
    EXPECT_NEAR (canvas.xToBeat (grid.getRight()), timelineEnd, 1e-6);

    canvas.viewStart = -40.0;
    canvas.viewLength = 1.0e9;
    EXPECT_DOUBLE_EQ (canvas.effectiveViewStart(), 0.0);
    EXPECT_DOUBLE_EQ (canvas.effectiveViewLength(), timelineEnd);

    // A canvas too small for a grid maps everything to the view start and the bottom key.
    canvas.setSize (50, 20);
    EXPECT_TRUE (canvas.gridArea().isEmpty());
    EXPECT_DOUBLE_EQ (canvas.xToBeat (30.0f), 0.0);
    EXPECT_DOUBLE_EQ (canvas.yToPitch (10.0f), 48.0);
}

TEST (CanvasGeometry, GridStepsAndRulerLabelsFollowTheZoom)
{
    CanvasHarness h;
    auto& canvas = h.canvas;

    auto beats = canvas.gridBeats();
    ASSERT_EQ (beats.size(), 65u); // 0 .. 16 in sixteenths
    EXPECT_DOUBLE_EQ (beats[1] - beats[0], 0.25);

    juce::StringArray labels;
    for (auto beat : beats)
        if (rulerLabel (beat).isNotEmpty())
            labels.add (rulerLabel (beat));

    EXPECT_EQ (labels.size(), 17);
    EXPECT_EQ (labels.joinIntoString (" ").substring (0, 21), "1 1.2 1.3 1.4 2 2.2 2");
    EXPECT_EQ (labels[16], "5");

    canvas.viewLength = 256.0;
    beats = canvas.gridBeats();
    ASSERT_EQ (beats.size(), 65u);
    EXPECT_DOUBLE_EQ (beats[1] - beats[0], 4.0);

    for (auto beat : beats)
        EXPECT_EQ (rulerLabel (beat), juce::String ((int) beat / 4 + 1));

    // Scrolled half a sixteenth: the lines stay on the sixteenths and inside the grid.
    canvas.viewLength = 16.0;
    canvas.viewStart = 100.125;
    beats = canvas.gridBeats();
    EXPECT_DOUBLE_EQ (beats.front(), 100.25);
    EXPECT_DOUBLE_EQ (beats.back(), 116.0);
    EXPECT_EQ (rulerLabel (100.0), "26");
    EXPECT_EQ (rulerLabel (101.5), "");
    EXPECT_EQ (rulerLabel (102.0), "26.3");
}

TEST (CanvasGeometry, NotesAreShownTransposedAndHitAlongTheirLines)
{
    CanvasHarness h;
    auto& canvas = h.canvas;
    h.putNote (3, 2.0f, 2.0f, 60);
    h.putNote (9, 2.0f, 2.0f, 60); // exactly on top of slot 3
    auto bent = h.putNote (5, 6.0f, 4.0f, 55);
    bent.curves[pitchCurve].fill (4.0f / 48.0f); // drawn at 59
    h.processor.writeNote (5, bent);

    EXPECT_NEAR (canvas.displayPitchAt (bent, 0.5), 59.0, 1e-4);
    EXPECT_EQ (canvas.hitTestNote (h.onLine (5, 0.5)), 5);
    EXPECT_EQ (canvas.hitTestNote (h.onLine (5, 0.5).translated (0.0f, 8.5f)), 5);
    EXPECT_EQ (canvas.hitTestNote (h.onLine (5, 0.5).translated (0.0f, 9.5f)), -1);
    // The key row of the note itself is not hit: the line is bent away from it.
    EXPECT_EQ (canvas.hitTestNote ({ canvas.beatToX (8.0), canvas.pitchToY (55.0) }), -1);

    // The later slot is drawn on top and wins, unless the other one is the active note.
    EXPECT_EQ (canvas.hitTestNote (h.onLine (3, 0.5)), 9);
    canvas.activeNote = 3;
    EXPECT_EQ (canvas.hitTestNote (h.onLine (3, 0.5)), 3);

    // A fortieth of a beat beyond either end still hits.
    const auto y = canvas.pitchToY (60.0);
    EXPECT_EQ (canvas.hitTestNote ({ canvas.beatToX (4.02), y }), 3);
    EXPECT_EQ (canvas.hitTestNote ({ canvas.beatToX (4.04), y }), -1);
    EXPECT_EQ (canvas.hitTestNote ({ canvas.beatToX (1.98), y }), 3);

    h.processor.setParameterValue ("transpose", 5.0f);
    EXPECT_EQ (canvas.displayKey (h.processor.readNote (3)), 65);
    EXPECT_EQ (canvas.hitTestNote ({ canvas.beatToX (3.0), canvas.pitchToY (65.0) }), 3);
    EXPECT_EQ (canvas.hitTestNote ({ canvas.beatToX (3.0), y }), -1);

    h.putNote (7, 0.0f, 1.0f, 125);
    EXPECT_EQ (canvas.displayKey (h.processor.readNote (7)), 127);
}

TEST (CanvasGeometry, GlidesAreHitAwayFromTheirEndsAndHandlesOnlyWhenSelected)
{
    CanvasHarness h;
    auto& canvas = h.canvas;
    canvas.tool = ZelkCanvas::Tool::edit;
    h.putNote (0, 0.0f, 4.0f, 60);
    h.putNote (1, 4.0f, 2.0f, 67);
    h.link (0, 1);
    const auto second = h.processor.readNote (1);
    h.processor.setParameterValue ("note1_glide", 2.0f);
    const auto glider = h.processor.readNote (0);

    const auto middle = canvas.glidePoint (glider, second, 0.5);
    EXPECT_NEAR (canvas.xToBeat (middle.x), 3.0, 1e-3);
    EXPECT_NEAR (canvas.yToPitch (middle.y), 63.5, 1e-3);
    EXPECT_EQ (canvas.hitTestGlide (middle), 0);
    EXPECT_EQ (canvas.hitTestGlide (middle.translated (0.0f, 6.0f)), 0);
    EXPECT_EQ (canvas.hitTestGlide (middle.translated (0.0f, 20.0f)), -1);
    EXPECT_EQ (canvas.hitTestGlide (canvas.glidePoint (glider, second, 1.0).translated (-3.0f, 0.0f)), -1);
    EXPECT_EQ (canvas.hitTestGlide (canvas.glidePoint (glider, second, 0.0)), -1);

    const auto handle = canvas.glidePoint (glider, second, 0.0);
    EXPECT_EQ (canvas.glideHandleAt (handle), -1);
    canvas.selection = { 0 };
    EXPECT_EQ (canvas.glideHandleAt (handle.translated (5.0f, 5.0f)), 0);
    EXPECT_EQ (canvas.glideHandleAt (handle.translated (6.0f, 6.0f)), -1);

    // Notes that overlap are not connected: no glide to hit.
    h.processor.setParameterValue ("note2_start", 3.0f);
    EXPECT_EQ (canvas.hitTestGlide (middle), -1);
}

TEST (CanvasView, ZoomingKeepsTheAnchorAndFitsThePattern)
{
    CanvasHarness h;
    auto& canvas = h.canvas;

    canvas.zoomTime (0.5, 0.25); // beat 4 stays a quarter across
    EXPECT_DOUBLE_EQ (canvas.viewLength, 8.0);
    EXPECT_DOUBLE_EQ (canvas.viewStart, 2.0);
    canvas.zoomTime (0.01, 0.5);
    EXPECT_DOUBLE_EQ (canvas.viewLength, 1.0);
    canvas.zoomTime (1.0e9, 0.5);
    EXPECT_DOUBLE_EQ (canvas.viewLength, timelineEnd);
    EXPECT_DOUBLE_EQ (canvas.viewStart, 0.0);

    h.putNote (0, 1.0f, 2.0f, 60);
    h.putNote (1, 7.0f, 2.5f, 62);
    canvas.zoomToFit();
    EXPECT_DOUBLE_EQ (canvas.viewStart, 0.0);
    EXPECT_DOUBLE_EQ (canvas.viewLength, 12.0);

    h.setRange (6.0, 21.0);
    canvas.zoomToFit();
    EXPECT_DOUBLE_EQ (canvas.viewLength, 21.0);

    canvas.viewStart = 50.0;
    canvas.zoomToSelection(); // nothing selected: nothing changes
    EXPECT_DOUBLE_EQ (canvas.viewStart, 50.0);

    canvas.selection = { 0, 1, 40 }; // 40 is free and does not count
    canvas.zoomToSelection();
    EXPECT_DOUBLE_EQ (canvas.viewStart, 0.5);
    EXPECT_DOUBLE_EQ (canvas.viewLength, 9.5);
}

TEST (CanvasView, AltWheelZoomsRowsAboutThePointerWithinLimits)
{
    CanvasHarness h;
    auto& canvas = h.canvas;
    const auto grid = canvas.gridArea();
    const auto alt = juce::ModifierKeys (juce::ModifierKeys::altModifier);
    const juce::Point<float> pointer (400.0f, grid.getY() + grid.getHeight() * 0.3f);

    for (int step = 0; step < 40; ++step)
    {
        const auto before = canvas.yToPitch (pointer.y);
        h.wheel (pointer, 0.0f, 0.2f, alt);
        EXPECT_GE (canvas.visibleRows, ZelkCanvas::minimumRows);
        EXPECT_NEAR (canvas.yToPitch (pointer.y), before, 0.5 + 1e-6) << "zooming in, step " << step;
    }

    EXPECT_EQ (canvas.visibleRows, 6);

    for (int step = 0; step < 60; ++step)
    {
        const auto before = canvas.yToPitch (pointer.y);
        h.wheel (pointer, -0.2f, 0.0f, alt); // a horizontal wheel zooms as well
        EXPECT_LE (canvas.visibleRows, ZelkCanvas::maximumRows);
        EXPECT_GE (canvas.lowestKey, 0);
        EXPECT_LE (canvas.lowestKey, 128 - canvas.visibleRows);

        // Near the edges of the key range the view must stop; until then the pitch stays put.
        if (canvas.lowestKey > 0 && canvas.lowestKey < 128 - canvas.visibleRows)
        {
            EXPECT_NEAR (canvas.yToPitch (pointer.y), before, 0.5 + 1e-6) << "zooming out, step " << step;
        }
    }

    EXPECT_EQ (canvas.visibleRows, 96);

    const auto rows = canvas.visibleRows;
    h.wheel (pointer, 0.0f, 0.0005f, alt); // too small to count
    EXPECT_EQ (canvas.visibleRows, rows);
}

TEST (CanvasView, WheelScrollsAndZoomsButNotDuringADrag)
{
    CanvasHarness h;
    auto& canvas = h.canvas;
    const auto grid = canvas.gridArea();
    const juce::Point<float> pointer (grid.getCentreX(), grid.getCentreY());

    h.wheel (pointer, 0.0f, 0.5f);
    EXPECT_EQ (canvas.lowestKey, 50);
    h.wheel (pointer, 0.0f, -0.5f);
    h.wheel (pointer, 0.0f, -0.5f);
    EXPECT_EQ (canvas.lowestKey, 46);

    h.wheel (pointer, 0.0f, -0.25f, juce::ModifierKeys::shiftModifier); // scroll right a quarter view
    EXPECT_DOUBLE_EQ (canvas.viewStart, 4.0);
    h.wheel (pointer, 0.5f, 0.0f); // horizontal wheel scrolls left, stopping at 0
    EXPECT_DOUBLE_EQ (canvas.viewStart, 0.0);

    h.wheel (pointer, 0.0f, 1.0f, juce::ModifierKeys::ctrlModifier);
    EXPECT_NEAR (canvas.viewLength, 12.8, 1e-9);
    EXPECT_NEAR (canvas.xToBeat (pointer.x), 8.0, 0.02); // zoomed about the pointer

    // Pressing the middle button starts a pan; the wheel then does nothing.
    const auto start = canvas.viewStart;
    h.press (pointer, middleButton());
    ASSERT_EQ (canvas.currentGesture().kind, GestureKind::pan);
    h.wheel (pointer, 0.0f, 0.5f);
    h.wheel (pointer, 0.0f, 0.5f, juce::ModifierKeys::ctrlModifier);
    h.wheel (pointer, 0.0f, 0.5f, juce::ModifierKeys::altModifier);
    EXPECT_EQ (canvas.lowestKey, 46);
    EXPECT_EQ (canvas.viewStart, start);
    EXPECT_NEAR (canvas.viewLength, 12.8, 1e-9);
    EXPECT_EQ (canvas.visibleRows, 24);
}

TEST (CanvasView, MiddleDragPansTimeAndKeys)
{
    CanvasHarness h;
    auto& canvas = h.canvas;
    const auto grid = canvas.gridArea();
    canvas.viewStart = 20.0;
    const juce::Point<float> from (600.0f, 300.0f);

    h.press (from, middleButton());
    h.drag (from.translated (grid.getWidth() / 4.0f, canvas.rowHeight() * 2.0f), middleButton());
    EXPECT_NEAR (canvas.viewStart, 16.0, 0.02);
    EXPECT_EQ (canvas.lowestKey, 50);

    h.drag (from.translated (grid.getWidth() * 3.0f, -canvas.rowHeight() * 200.0f), middleButton());
    EXPECT_DOUBLE_EQ (canvas.viewStart, 0.0);
    EXPECT_EQ (canvas.lowestKey, 0);

    h.release (from);
    EXPECT_EQ (canvas.currentGesture().kind, GestureKind::idle);
    EXPECT_EQ (canvas.getMouseCursor(), juce::MouseCursor (juce::MouseCursor::CrosshairCursor));
}

TEST (CanvasPointer, PressesAreRoutedByPlaceButtonAndTool)
{
    CanvasHarness h;
    auto& canvas = h.canvas;
    h.putNote (0, 1.0f, 2.0f, 60);
    h.putNote (1, 4.0f, 2.0f, 64);
    h.link (0, 1);
    canvas.selection = { 0 };
    const auto ctrl = juce::ModifierKeys::ctrlModifier;
    const auto grid = canvas.gridArea();
    const auto onNote = h.onLine (0, 0.3);
    const auto empty = juce::Point<float> (canvas.beatToX (10.0), canvas.pitchToY (50.0));
    const auto onGlide = canvas.glidePoint (h.processor.readNote (0), h.processor.readNote (1), 0.5);
    const auto handle = canvas.glidePoint (h.processor.readNote (0), h.processor.readNote (1), 0.0);
    const auto route = [&] (juce::Point<float> p, juce::ModifierKeys mods, int clicks = 1)
    { return canvas.routePress (p, mods, clicks).target; };

    EXPECT_EQ (route ({ 10.0f, 10.0f }, leftButton()), PressTarget::nothing); // corner above the keys
    EXPECT_EQ (route ({ 10.0f, 10.0f }, middleButton()), PressTarget::pan);
    EXPECT_EQ (route ({ 40.0f, grid.getY() }, rightButton()), PressTarget::keyAudition);
    EXPECT_EQ (route ({ 40.0f, grid.getY() - 1.0f }, leftButton()), PressTarget::nothing);
    EXPECT_EQ (route ({ grid.getX(), 10.0f }, rightButton()), PressTarget::rulerClear);
    EXPECT_EQ (route ({ 300.0f, 10.0f }, leftButton (ctrl)), PressTarget::rulerSelect);
    EXPECT_EQ (route ({ 300.0f, 30.4f }, leftButton()), PressTarget::rulerCursor); // rounds to the ruler
    EXPECT_EQ (route ({ 300.0f, grid.getBottom() + 0.5f }, leftButton()), PressTarget::nothing);

    EXPECT_EQ (route (onNote, rightButton (ctrl)), PressTarget::zoomToSelection);
    EXPECT_EQ (route (onNote, rightButton()), PressTarget::deleteNote);
    EXPECT_EQ (route (empty, leftButton (ctrl)), PressTarget::selectionClick);
    EXPECT_EQ (route (onNote, leftButton()), PressTarget::curveRedraw);
    EXPECT_EQ (route (empty, leftButton()), PressTarget::newStroke);
    EXPECT_EQ (route (onGlide, leftButton()), PressTarget::newStroke); // glides are the edit tool's
    EXPECT_EQ (route (empty, leftButton(), 2), PressTarget::nothing);   // the double click's second press
    EXPECT_EQ (route (empty, rightButton(), 2), PressTarget::deleteNote);

    canvas.tool = ZelkCanvas::Tool::edit;
    EXPECT_EQ (canvas.routePress (handle, leftButton(), 1).note, 0);
    EXPECT_EQ (route (handle, leftButton()), PressTarget::glideLength);
    EXPECT_EQ (route (onGlide, leftButton()), PressTarget::glideShape);
    EXPECT_EQ (route (onGlide, leftButton (ctrl)), PressTarget::selectionClick);
    EXPECT_EQ (route (onNote, leftButton()), PressTarget::editNote);
    EXPECT_EQ (route (empty, leftButton()), PressTarget::selectionClick);
    canvas.selection.clear();
    EXPECT_EQ (route (handle, leftButton()), PressTarget::selectionClick); // no handle on an unselected note
}

TEST (CanvasPointer, APressEndsThePreviousGestureAndCtrlRightZoomsToTheSelection)
{
    CanvasHarness h;
    auto& canvas = h.canvas;
    h.putNote (0, 20.0f, 4.0f, 60);
    canvas.activeNote = 0;
    canvas.audition (61.5f, 0.25f, 0.75f);
    EXPECT_TRUE (h.processor.hearRequested.load());
    EXPECT_FLOAT_EQ (h.processor.hearPitch.load(), 61.5f);
    EXPECT_FLOAT_EQ (h.processor.hearTimbre.load(), 0.75f);

    h.press ({ 600.0f, 300.0f }, middleButton());
    ASSERT_EQ (canvas.currentGesture().kind, GestureKind::pan);
    EXPECT_FALSE (h.processor.hearRequested.load());

    h.press ({ 10.0f, 10.0f }, leftButton());
    EXPECT_EQ (canvas.currentGesture().kind, GestureKind::idle);
    EXPECT_DOUBLE_EQ (canvas.viewStart, 0.0);

    int changes = 0;
    canvas.onChanged = [&] { ++changes; };
    h.press ({ 600.0f, 300.0f }, rightButton (juce::ModifierKeys::ctrlModifier));
    EXPECT_DOUBLE_EQ (canvas.viewStart, 19.5);
    EXPECT_DOUBLE_EQ (canvas.viewLength, 5.0);
    h.release ({ 600.0f, 300.0f });
    EXPECT_EQ (changes, 1);
    EXPECT_EQ (canvas.lastPointer, juce::Point<float> (600.0f, 300.0f));
}

TEST (CanvasHover, TheHintReadsKeyCentsAndBeat)
{
    CanvasHarness h;
    auto& canvas = h.canvas;

    h.move ({ canvas.beatToX (5.37) + 0.01f, canvas.pitchToY (60.4) });
    EXPECT_EQ (canvas.hint, "C4  40 ct   /   beat 5.37");
    EXPECT_TRUE (canvas.hovering);

    h.move ({ canvas.beatToX (2.0) + 0.01f, canvas.pitchToY (61.0 - 0.23) });
    EXPECT_EQ (canvas.hint, "C#4  -23 ct   /   beat 2.00");

    canvas.lowestKey = 0;
    h.move ({ canvas.beatToX (1.0), canvas.pitchToY (0.0) });
    EXPECT_TRUE (canvas.hint.startsWith ("C-1  0 ct")) << canvas.hint;

    canvas.mouseExit (juce::MouseEvent (juce::Desktop::getInstance().getMainMouseSource(), {}, {}, 0.0f, 0.0f, 0.0f,
                                        0.0f, 0.0f, &canvas, &canvas, {}, {}, {}, 0, false));
    EXPECT_FALSE (canvas.hovering);

    EXPECT_EQ (noteName (127), "G9");
    EXPECT_EQ (noteName (70), "A#4");
}

TEST (CanvasHover, TheEditToolOffersToShapeAGlide)
{
    CanvasHarness h;
    auto& canvas = h.canvas;
    h.putNote (0, 1.0f, 2.0f, 60);
    h.putNote (1, 4.0f, 2.0f, 64);
    h.link (0, 1);
    const auto onGlide = canvas.glidePoint (h.processor.readNote (0), h.processor.readNote (1), 0.5);

    h.move (onGlide);
    EXPECT_TRUE (canvas.hint.contains (" ct   /   beat 3.")) << canvas.hint; // the draw tool reads the pitch

    canvas.tool = ZelkCanvas::Tool::edit;
    h.move (onGlide);
    EXPECT_EQ (canvas.hint, "Drag glide up/down: shape / Shift: fine / double-click: straight");
    EXPECT_EQ (canvas.getMouseCursor(), juce::MouseCursor (juce::MouseCursor::UpDownResizeCursor));

    h.move ({ 600.0f, 600.0f });
    EXPECT_EQ (canvas.getMouseCursor(), juce::MouseCursor (juce::MouseCursor::NormalCursor));
}
