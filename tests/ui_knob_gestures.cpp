#include "tests/helpers/KnobHarness.h"

#include <gtest/gtest.h>

using namespace zelk;
using namespace zelk::test;

namespace
{
juce::DragAndDropTarget::SourceDetails dragOf (const juce::var& description)
{
    return { description, nullptr, { 90, 80 } };
}

juce::Image paintLabel (juce::Label& label)
{
    juce::Image image (juce::Image::ARGB, label.getWidth(), label.getHeight(), true);
    juce::Graphics g (image);
    label.paintEntireComponent (g, false);
    return image;
}

bool sameImage (const juce::Image& a, const juce::Image& b)
{
    for (int y = 0; y < a.getHeight(); ++y)
        for (int x = 0; x < a.getWidth(); ++x)
            if (a.getPixelAt (x, y) != b.getPixelAt (x, y))
                return false;

    return true;
}
} // namespace

TEST (KnobRingDrag, UpwardsRaisesTheDepthToAHundredAndNoFurther)
{
    KnobHarness h;
    h.setValue (50.0f);
    h.setRoute (0, 25.0f);
    h.paint();

    // The route was cleared elsewhere since the last paint; its ring is still where it was.
    h.setRoute (0, 0.0f);
    const auto grip = h.onRing (0, 0.5f);
    h.press (grip);
    EXPECT_EQ (h.knob.dragRing, 0);
    EXPECT_EQ (h.knob.dragStartDepth, 0.0f);

    h.drag (grip.translated (0.0f, -100.0f));
    EXPECT_FLOAT_EQ (h.routeValue (0), 50.0f);
    h.drag (grip.translated (0.0f, -200.0f));
    EXPECT_FLOAT_EQ (h.routeValue (0), 100.0f);
    h.drag (grip.translated (0.0f, -260.0f));
    EXPECT_FLOAT_EQ (h.routeValue (0), 100.0f);
    EXPECT_FLOAT_EQ (h.knob.routeDepth[0], 100.0f);
    h.drag (grip.translated (30.0f, 500.0f));
    EXPECT_FLOAT_EQ (h.routeValue (0), -100.0f);
    h.release (grip.translated (30.0f, 500.0f));

    EXPECT_EQ (h.knob.dragRing, -1);
    EXPECT_EQ (h.knob.dragParameter, nullptr);
    EXPECT_FLOAT_EQ ((float) h.knob.getValue(), 50.0f) << "the knob's own value stays";

    // With Shift the same 200 pixels move it by a tenth as much.
    h.setRoute (0, 20.0f);
    h.paint();
    h.press (grip, juce::ModifierKeys::shiftModifier);
    h.drag (grip.translated (0.0f, -200.0f), juce::ModifierKeys::shiftModifier);
    EXPECT_FLOAT_EQ (h.routeValue (0), 30.0f);
    h.release (grip.translated (0.0f, -200.0f));
}

TEST (KnobRingDrag, IsOneHostGestureAndNotTheKnobs)
{
    KnobHarness h;
    h.setValue (50.0f);
    h.setRoute (1, 20.0f);
    h.paint();
    const auto routeIndex = h.route (1).getParameterIndex();
    const auto knobIndex = h.processor.parameterTree().getParameter ("pressure")->getParameterIndex();

    const auto grip = h.onRing (1, 0.5f);
    h.press (grip);
    for (int step = 1; step <= 5; ++step)
        h.drag (grip.translated (0.0f, -4.0f * (float) step));
    EXPECT_EQ (h.gestures.begun[routeIndex], 1);
    EXPECT_EQ (h.gestures.ended[routeIndex], 0);
    h.release (grip.translated (0.0f, -20.0f));

    EXPECT_FLOAT_EQ (h.routeValue (1), 30.0f);
    EXPECT_EQ (h.gestures.begun[routeIndex], 1);
    EXPECT_EQ (h.gestures.ended[routeIndex], 1);
    EXPECT_EQ (h.gestures.begun[knobIndex], 0);
}

TEST (KnobRingDrag, AKnobDestroyedMidDragClosesTheGesture)
{
    KnobHarness h;
    h.setRoute (2, 40.0f);
    const auto routeIndex = h.route (2).getParameterIndex();

    auto knob = std::make_unique<paperstyle::Knob>();
    knob->setLookAndFeel (&h.look);
    knob->setSliderStyle (juce::Slider::RotaryHorizontalVerticalDrag);
    knob->setTextBoxStyle (juce::Slider::TextBoxBelow, false, 110, 26);
    knob->setRange (0.0, 100.0);
    knob->setBounds (0, 0, KnobHarness::width, KnobHarness::height);
    knob->routeParameter = [&h] (int lfo) { return &h.route (lfo); };
    {
        juce::Image image (juce::Image::ARGB, KnobHarness::width, KnobHarness::height, true);
        juce::Graphics g (image);
        knob->paintEntireComponent (g, false);
    }

    const auto handle = knob->ringHandle[2];
    const auto now = juce::Time::getCurrentTime();
    const auto mouse = juce::Desktop::getInstance().getMainMouseSource();
    const juce::MouseEvent down (mouse, handle, leftButton(), 1.0f, 0.0f, 0.0f, 0.0f, 0.0f, knob.get(), knob.get(), now,
                                 handle, now, 1, false);
    const juce::MouseEvent moved (mouse, handle.translated (0.0f, 10.0f), leftButton(), 1.0f, 0.0f, 0.0f, 0.0f, 0.0f,
                                  knob.get(), knob.get(), now, handle, now, 1, true);
    knob->mouseDown (down);
    knob->mouseDrag (moved);
    EXPECT_FLOAT_EQ (h.routeValue (2), 35.0f);
    EXPECT_EQ (h.gestures.ended[routeIndex], 0);

    knob.reset();
    EXPECT_EQ (h.gestures.begun[routeIndex], 1);
    EXPECT_EQ (h.gestures.ended[routeIndex], 1);
}

TEST (KnobRingDrag, AutomationDuringADragMovesTheRingWithTheValue)
{
    KnobHarness h;
    h.setValue (40.0f);
    h.setRoute (0, 10.0f);
    h.paint();
    const auto grip = h.onRing (0, 0.4f);
    h.press (grip);
    h.drag (grip.translated (0.0f, -20.0f)); // depth 20

    // The host moves the knob's own parameter; the next paint draws the span around the new value.
    h.setValue (90.0f);
    EXPECT_FLOAT_EQ ((float) h.knob.getValue(), 90.0f);
    h.paint();
    EXPECT_LT (h.knob.ringHandle[0].getDistanceFrom (h.onRing (0, 1.0f)), 0.01f);

    // And the route itself: painting reads the parameter, so the ring shows the host's depth.
    h.setRoute (0, -30.0f);
    h.paint();
    EXPECT_FLOAT_EQ (h.knob.routeDepth[0], -30.0f);
    EXPECT_LT (h.knob.ringHandle[0].getDistanceFrom (h.onRing (0, 0.6f)), 0.01f);
    h.release (grip);
}

TEST (KnobRingDrag, DoubleClickClearsOnlyThatRouteAndOnTheFaceResetsTheValue)
{
    KnobHarness h;
    h.setValue (40.0f);
    h.setRoute (0, 20.0f);
    h.setRoute (1, -30.0f);
    h.setRoute (2, 45.0f);
    h.paint();

    h.doubleClick (h.knob.ringHandle[1]);
    EXPECT_EQ (h.routeValue (1), 0.0f);
    EXPECT_FLOAT_EQ (h.routeValue (0), 20.0f);
    EXPECT_FLOAT_EQ (h.routeValue (2), 45.0f);
    EXPECT_FLOAT_EQ ((float) h.knob.getValue(), 40.0f);
    EXPECT_EQ (h.knob.dragRing, -1);
    const auto routeIndex = h.route (1).getParameterIndex();
    EXPECT_EQ (h.gestures.begun[routeIndex], h.gestures.ended[routeIndex]);

    h.paint();
    EXPECT_TRUE (h.knob.ringHitArea[1].isEmpty());

    h.doubleClick (h.centre().translated (10.0f, 10.0f));
    EXPECT_FLOAT_EQ ((float) h.knob.getValue(), 100.0f);
    EXPECT_FLOAT_EQ (h.routeValue (0), 20.0f);
    EXPECT_FLOAT_EQ (h.routeValue (2), 45.0f);
}

TEST (KnobRingDrag, WithoutARouteParameterRingsAreNotShownAndDoNothing)
{
    KnobHarness h;
    h.setValue (50.0f);
    h.knob.routeParameter = [] (int) -> juce::RangedAudioParameter* { return nullptr; };
    h.knob.routeDepth = { 30.0f, 30.0f, 30.0f };
    h.paint();
    EXPECT_EQ (h.knob.routeDepth[0], 0.0f);
    EXPECT_TRUE (h.knob.ringHitArea[0].isEmpty());

    // Rings drawn from depths the owner set, with nothing to write them to: pressing one neither
    // starts a ring drag nor turns the knob.
    h.knob.routeParameter = nullptr;
    h.knob.routeDepth = { 30.0f, 0.0f, 0.0f };
    h.paint();
    ASSERT_FALSE (h.knob.ringHitArea[0].isEmpty());
    const auto grip = h.onRing (0, 0.5f);
    h.press (grip);
    h.drag (grip.translated (0.0f, -80.0f));
    h.release (grip.translated (0.0f, -80.0f));
    h.doubleClick (grip);
    EXPECT_EQ (h.knob.dragRing, -1);
    EXPECT_FLOAT_EQ ((float) h.knob.getValue(), 50.0f);
    EXPECT_FLOAT_EQ (h.knob.routeDepth[0], 30.0f);
}

TEST (KnobFace, DragsAtCoarseOrFineSensitivity)
{
    KnobHarness h;
    h.setValue (0.0f);
    const auto face = h.centre();
    h.press (face);
    h.drag (face.translated (0.0f, -110.0f));
    EXPECT_NEAR (h.knob.getValue(), 50.0, 0.01);
    h.release (face.translated (0.0f, -110.0f));

    h.press (face, juce::ModifierKeys::shiftModifier);
    h.drag (face.translated (0.0f, -180.0f), juce::ModifierKeys::shiftModifier);
    EXPECT_NEAR (h.knob.getValue(), 60.0, 0.01);
    h.release (face.translated (0.0f, -180.0f));
}

// A busy message thread can learn of the last moves only with the release, which then arrives where
// the pointer went up: the turn ends there, on the face and on a ring alike.
TEST (KnobFace, AReleaseBeyondTheLastDragTurnsTheKnobToIt)
{
    KnobHarness h;
    h.setValue (0.0f);
    const auto face = h.centre();
    h.press (face);
    h.drag (face.translated (0.0f, -55.0f));
    h.release (face.translated (0.0f, -110.0f));
    EXPECT_NEAR (h.knob.getValue(), 50.0, 0.01);

    h.setRoute (0, 25.0f);
    h.paint();
    const auto grip = h.onRing (0, 0.5f);
    h.press (grip);
    h.drag (grip.translated (0.0f, -50.0f));
    h.release (grip.translated (0.0f, -100.0f));
    EXPECT_FLOAT_EQ (h.routeValue (0), 75.0f);
}

TEST (KnobHover, RingUnderTheMouseChangesTheCursorAndTheValueBox)
{
    KnobHarness h;
    h.knob.setMouseCursor (juce::MouseCursor::DraggingHandCursor); // the owner's
    h.setValue (50.0f);
    h.setRoute (1, 25.0f);
    h.paint();
    auto& box = h.valueBox();
    const auto ownText = box.getText();
    const auto plain = paintLabel (box);

    h.move (h.onRing (1, 0.2f));
    EXPECT_EQ (h.knob.hoverRing, 1);
    EXPECT_EQ (h.knob.getMouseCursor(), juce::MouseCursor (juce::MouseCursor::UpDownResizeCursor));
    const auto hovered = paintLabel (box);

    box.setText ("L2 +25.0%", juce::dontSendNotification);
    h.knob.hoverRing = -1;
    const auto expected = paintLabel (box);
    box.setText (ownText, juce::dontSendNotification);
    EXPECT_TRUE (sameImage (hovered, expected));
    EXPECT_FALSE (sameImage (hovered, plain));

    h.move (h.centre());
    EXPECT_EQ (h.knob.hoverRing, -1);
    EXPECT_EQ (h.knob.getMouseCursor(), juce::MouseCursor (juce::MouseCursor::DraggingHandCursor));
    EXPECT_TRUE (sameImage (paintLabel (box), plain));

    // While dragged the ring is described even once the mouse has left the knob.
    h.press (h.onRing (1, 0.2f));
    h.exit();
    EXPECT_EQ (h.knob.hoverRing, -1);
    EXPECT_TRUE (sameImage (paintLabel (box), expected));
    h.release (h.onRing (1, 0.2f));
    EXPECT_TRUE (sameImage (paintLabel (box), plain));

    EXPECT_EQ (paperstyle::ringDepthText (0, -12.5f), "L1 -12.5%");
    EXPECT_EQ (paperstyle::ringDepthText (2, 100.0f), "L3 +100.0%");
    EXPECT_EQ (paperstyle::ringDepthText (1, -0.04f), "L2 +0.0%");
}

TEST (KnobDrops, OnlyLfoBadgesWithAKnownIndexConnect)
{
    KnobHarness h;

    for (const auto& foreign : { juce::var ("zelk-note-1"), juce::var (2), juce::var(), juce::var ("TAMSEL-LFO-1") })
        EXPECT_FALSE (h.knob.isInterestedInDragSource (dragOf (foreign)));

    const auto badge = dragOf ("tamsel-lfo-2");
    ASSERT_TRUE (h.knob.isInterestedInDragSource (badge));
    h.knob.itemDragEnter (badge);
    EXPECT_TRUE (h.knob.dropHighlight);
    h.knob.itemDragExit (badge);
    EXPECT_FALSE (h.knob.dropHighlight);

    for (const auto* bad :
         { "tamsel-lfo-3", "tamsel-lfo--1", "tamsel-lfo-x", "tamsel-lfo-", "tamsel-lfo-1.5", "zelk-note-1" })
    {
        h.knob.itemDragEnter (dragOf (bad));
        h.knob.itemDropped (dragOf (bad));
        EXPECT_FALSE (h.knob.dropHighlight) << bad;
    }

    EXPECT_TRUE (h.dropped.empty());
    h.knob.itemDropped (badge);
    h.knob.itemDropped (dragOf ("tamsel-lfo-0"));
    EXPECT_EQ (h.dropped, (std::vector<int> { 2, 0 }));

    h.knob.onLfoDropped = nullptr;
    EXPECT_FALSE (h.knob.isInterestedInDragSource (badge));
    h.knob.itemDropped (badge);
    EXPECT_EQ (h.dropped.size(), 2u);
}

// JUCE's drag image holds the keyboard focus while the drag lasts and, hidden at the drop, hands it
// on to the window's first focusable control: the knob that took the LFO takes it instead.
TEST (KnobDrops, TheKnobThatConnectsTakesTheKeyboardFocus)
{
    KnobHarness h;
    juce::TextButton elsewhere ("LIGHT");
    elsewhere.setBounds (0, 0, 10, 10);
    h.window.addAndMakeVisible (elsewhere);

    elsewhere.grabKeyboardFocus();
    h.knob.itemDropped (dragOf ("tamsel-lfo-7"));
    EXPECT_TRUE (elsewhere.hasKeyboardFocus (false)) << "a drop that connects nothing moves no focus";

    h.knob.itemDropped (dragOf ("tamsel-lfo-1"));
    EXPECT_TRUE (h.knob.hasKeyboardFocus (true));
    EXPECT_EQ (h.dropped, (std::vector<int> { 1 }));
}

TEST (KnobRefresh, ReadsRoutesLiveValueAndAnimatesTheHighlight)
{
    KnobHarness h (paperstyle::lightTheme, destination::transpose);
    h.processor.liveValue[destination::transpose] = 12.0f;
    h.knob.routeParameter = nullptr; // the processor's routes, then

    paperstyle::refreshKnobModulation (h.knob, h.destination, h.processor);
    EXPECT_EQ (h.knob.livePosition, -1.0f);

    h.setRoute (2, -40.0f);
    paperstyle::refreshKnobModulation (h.knob, h.destination, h.processor);
    EXPECT_FLOAT_EQ (h.knob.routeDepth[2], -40.0f);
    EXPECT_NEAR (h.knob.livePosition, 0.75f, 1.0e-5f);

    // A destination that does not exist reads no routes.
    paperstyle::refreshKnobModulation (h.knob, 99, h.processor);
    EXPECT_EQ (h.knob.routeDepth[2], 0.0f);
    EXPECT_EQ (h.knob.livePosition, -1.0f);

    // Focus raises the highlight by 28 % of the way per tick; without it, it falls back and snaps.
    h.knob.grabKeyboardFocus();
    paperstyle::refreshKnobModulation (h.knob, h.destination, h.processor);
    EXPECT_NEAR (h.knob.hoverAmount, 0.28f, 1.0e-6f);
    for (int tick = 0; tick < 40; ++tick)
        paperstyle::refreshKnobModulation (h.knob, h.destination, h.processor);
    EXPECT_EQ (h.knob.hoverAmount, 1.0f);

    h.knob.setEnabled (false);
    paperstyle::refreshKnobModulation (h.knob, h.destination, h.processor);
    EXPECT_NEAR (h.knob.hoverAmount, 0.72f, 1.0e-6f);
    for (int tick = 0; tick < 40; ++tick)
        paperstyle::refreshKnobModulation (h.knob, h.destination, h.processor);
    EXPECT_EQ (h.knob.hoverAmount, 0.0f);
}
