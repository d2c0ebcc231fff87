#include "tests/helpers/CanvasHarness.h"

#include "editing/AfterChangeRefresh.h"
#include "tests/helpers/TestProcessor.h"

#include <algorithm>
#include <cmath>

namespace zelk::test
{
HostGestures::HostGestures (juce::AudioProcessor& p)
    : processor (p)
{
    processor.addListener (this);
}
HostGestures::~HostGestures() { processor.removeListener (this); }

int HostGestures::open() const
{
    int count = 0;

    for (const auto& [index, gestures] : openByIndex)
        count += gestures;

    return count;
}

bool HostGestures::isOpen (const juce::String& identifier) const
{
    for (auto* parameter : processor.getParameters())
        if (auto* ranged = dynamic_cast<juce::RangedAudioParameter*> (parameter);
            ranged != nullptr && ranged->getParameterID() == identifier)
            return openByIndex.count (parameter->getParameterIndex()) > 0
                   && openByIndex.at (parameter->getParameterIndex()) > 0;

    return false;
}

void HostGestures::reset()
{
    begins = ends = 0;
    openByIndex.clear();
}

void HostGestures::audioProcessorParameterChangeGestureBegin (juce::AudioProcessor*, int index)
{
    ++begins;
    ++openByIndex[index];
}

void HostGestures::audioProcessorParameterChangeGestureEnd (juce::AudioProcessor*, int index)
{
    ++ends;
    --openByIndex[index];
}

juce::MouseEvent pointerEvent (juce::Component& component, juce::Point<float> position, juce::ModifierKeys mods,
                               int clicks, bool dragged, juce::Point<float> pressPosition)
{
    const auto now = juce::Time::getCurrentTime();
    return { juce::Desktop::getInstance().getMainMouseSource(),
             position,
             mods,
             juce::MouseInputSource::defaultPressure,
             juce::MouseInputSource::defaultOrientation,
             juce::MouseInputSource::defaultRotation,
             juce::MouseInputSource::defaultTiltX,
             juce::MouseInputSource::defaultTiltY,
             &component,
             &component,
             now,
             pressPosition,
             now,
             clicks,
             dragged };
}

CanvasHarness::CanvasHarness (int theme)
{
    look.setTheme (theme);
    canvas.setLookAndFeel (&look);
    canvas.setSize (width, height);

    auto& state = canvas.editState();
    canvas.onBeforeEdit = [this] { history.pushUndo(); };
    canvas.onChanged = [this, &state] { afterChangeRefresh (processor, state); };
    canvas.onUndoRedo = [this, &state] (bool redo) { redo ? history.redo (state) : history.undo (state); };
}

CanvasHarness::~CanvasHarness()
{
    if (ownedCanvas != nullptr)
        destroyCanvas();
}

void CanvasHarness::destroyCanvas()
{
    ownedCanvas->setLookAndFeel (nullptr);
    ownedCanvas.reset();
}

juce::Image CanvasHarness::paint()
{
    juce::Image image (juce::Image::ARGB, width, height, true);
    juce::Graphics g (image);
    canvas.paint (g);
    return image;
}

juce::Image CanvasHarness::paintEntirely()
{
    juce::Image image (juce::Image::ARGB, width, height, true);
    juce::Graphics g (image);
    canvas.paintEntireComponent (g, true);
    return image;
}

juce::MouseEvent CanvasHarness::event (juce::Point<float> position, juce::ModifierKeys mods, int clicks, bool dragged)
{
    return pointerEvent (canvas, position, mods, clicks, dragged, pressPosition);
}

void CanvasHarness::press (juce::Point<float> position, juce::ModifierKeys mods, int clicks)
{
    pressPosition = lastDrag = position;
    lastDragMods = mods;
    canvas.mouseDown (event (position, mods, clicks, false));
}

void CanvasHarness::drag (juce::Point<float> position, juce::ModifierKeys mods)
{
    lastDrag = position;
    lastDragMods = mods;
    canvas.mouseDrag (event (position, mods, 1, true));
}

void CanvasHarness::repeatDrag() { drag (lastDrag, lastDragMods); }

void CanvasHarness::release (juce::Point<float> position) { canvas.mouseUp (event (position, lastDragMods, 1, true)); }

void CanvasHarness::doubleClick (juce::Point<float> position, juce::ModifierKeys mods)
{
    press (position, mods, 1);
    release (position);
    press (position, mods, 2);
    release (position);
    canvas.mouseDoubleClick (event (position, mods, 2, false));
}

void CanvasHarness::move (juce::Point<float> position)
{
    pressPosition = position;
    canvas.mouseMove (event (position, {}, 0, false));
}

void CanvasHarness::wheel (juce::Point<float> position, float dx, float dy, juce::ModifierKeys mods)
{
    pressPosition = position;
    juce::MouseWheelDetails details {};
    details.deltaX = dx;
    details.deltaY = dy;
    canvas.mouseWheelMove (event (position, mods, 0, false), details);
}

void CanvasHarness::stroke (std::initializer_list<juce::Point<float>> points, juce::ModifierKeys mods)
{
    auto point = points.begin();
    press (*point, mods);

    for (++point; point != points.end(); ++point)
        drag (*point, mods);

    release (lastDrag);
}

juce::Point<float> CanvasHarness::at (double beat, double pitch) const
{
    return { canvas.beatToX (beat), canvas.pitchToY (pitch) };
}

Note CanvasHarness::putNote (int slot, float start, float duration, int pitch)
{
    return writePlainNote (processor, slot, start, duration, pitch);
}

void CanvasHarness::link (int from, int to) { linkNotes (processor, from, to); }

void CanvasHarness::setRange (double start, double end)
{
    processor.setParameterValue ("rangeStart", (float) start);
    processor.setParameterValue ("rangeEnd", (float) end);
    processor.setParameterValue ("rangeEnabled", 1.0f);
}

juce::Point<float> CanvasHarness::onLine (int slot, double fraction) const
{
    const auto note = processor.readNote (slot);
    return { canvas.beatToX (note.start + fraction * note.duration),
             canvas.pitchToY (canvas.displayPitchAt (note, fraction)) };
}

juce::ModifierKeys leftButton (int keys) { return juce::ModifierKeys (juce::ModifierKeys::leftButtonModifier | keys); }
juce::ModifierKeys rightButton (int keys)
{
    return juce::ModifierKeys (juce::ModifierKeys::rightButtonModifier | keys);
}
juce::ModifierKeys middleButton() { return juce::ModifierKeys (juce::ModifierKeys::middleButtonModifier); }

int channelDistance (juce::Colour a, juce::Colour b)
{
    return std::max ({ std::abs (a.getRed() - b.getRed()), std::abs (a.getGreen() - b.getGreen()),
                       std::abs (a.getBlue() - b.getBlue()), std::abs (a.getAlpha() - b.getAlpha()) });
}

int differingPixels (const juce::Image& a, const juce::Image& b)
{
    int count = 0;

    for (int y = 0; y < a.getHeight(); ++y)
        for (int x = 0; x < a.getWidth(); ++x)
            count += a.getPixelAt (x, y) != b.getPixelAt (x, y) ? 1 : 0;

    return count;
}

void writeBusyPattern (CanvasHarness& harness)
{
    auto& processor = harness.processor;

    // A phrase of three connected notes: a bend up into the first, a curved glide, a slide down.
    auto first = harness.putNote (0, 0.5f, 2.0f, 60);
    for (int i = 0; i < curvePointCount; ++i)
        first.curves[pitchCurve][(size_t) i] = (float) std::min (0.0, (i - 8) / 8.0) * (2.0f / 48.0f);
    first.next = 1;
    first.glide = 0.5f;
    first.glideShape = 0.4f;
    processor.writeNote (0, first);

    auto second = harness.putNote (1, 3.0f, 2.5f, 64);
    second.next = 2;
    second.glide = 0.75f;
    second.glideShape = -0.5f;
    second.vibOn = true;
    second.vibStart = 0.2f;
    second.vibEnd = 0.9f;
    second.vibDepth = 0.5f;
    second.vibCycles = 5.0f;
    processor.writeNote (1, second);

    auto third = harness.putNote (2, 6.0f, 2.0f, 59);
    for (int i = 0; i < curvePointCount; ++i)
        third.curves[pitchCurve][(size_t) i] = (float) (-3.0 * i / 32.0 / 48.0);
    processor.writeNote (2, third);

    // A chord under a fast vibrato, and a lone note high up.
    harness.putNote (3, 9.0f, 3.0f, 55);
    auto fast = harness.putNote (4, 9.0f, 3.0f, 62);
    fast.vibOn = true;
    fast.vibDepth = 0.3f;
    fast.vibCycles = 24.0f;
    fast.vibFade = 0.1f;
    processor.writeNote (4, fast);
    harness.putNote (5, 12.5f, 1.5f, 69);

    harness.canvas.selection = { 1 };
    harness.canvas.activeNote = 1;
    harness.setRange (8.0, 12.0);

    // Playing inside the second note, which sounds at its pitch under vibrato.
    processor.displayPosition = 4.25;
    processor.isPlaying = true;
    const auto note = processor.readNote (1);
    processor.soundingPitch[1] = (float) harness.canvas.displayPitchAt (note, (4.25 - note.start) / note.duration);
}

} // namespace zelk::test
