#include "ui/style/Knob.h"

#include "core/ZelkProcessor.h"

#include <cmath>

namespace paperstyle
{
namespace
{
const juce::String lfoDragPrefix { "tamsel-lfo-" };

constexpr int coarseDragPixels = 220;
constexpr int fineDragPixels = 1800;
constexpr float coarseDepthPerPixel = 0.5f;
constexpr float fineDepthPerPixel = 0.05f;
constexpr float visibleDepth = 0.005f;

float currentValueOf (const juce::RangedAudioParameter& parameter)
{
    return parameter.convertFrom0to1 (parameter.getValue());
}

void setNotifyingHost (juce::RangedAudioParameter& parameter, float value)
{
    parameter.setValueNotifyingHost (parameter.convertTo0to1 (value));
}

bool isDestination (int destination) noexcept { return destination >= 0 && destination < zelk::destinationCount; }

float routeDepthOf (const Knob& knob, int lfo, int destination, const zelk::ZelkProcessor& processor)
{
    if (knob.routeParameter)
    {
        auto* parameter = knob.routeParameter (lfo);
        return parameter != nullptr ? currentValueOf (*parameter) : 0.0f;
    }

    if (! isDestination (destination))
        return 0.0f;

    return processor.raw().routes[(size_t) lfo][(size_t) destination]->load (std::memory_order_relaxed);
}

bool wantsHighlight (const Knob& knob)
{
    return knob.isEnabled()
        && (knob.isMouseOver (true) || knob.isMouseButtonDown (true) || knob.hasKeyboardFocus (true));
}
} // namespace

Knob::Knob() = default;

Knob::~Knob() { endRingDrag(); }

int Knob::ringAt (juce::Point<float> point) const
{
    for (int ring = 2; ring >= 0; --ring)
        if (ringHitArea[(size_t) ring].contains (point, 1.0f))
            return ring;

    return -1;
}

juce::RangedAudioParameter* Knob::parameterForRing (int ring) const
{
    if (ring < 0 || ring > 2 || ! routeParameter)
        return nullptr;

    return routeParameter (ring);
}

void Knob::mouseMove (const juce::MouseEvent& e)
{
    setHoverRing (ringAt (e.position));
    Slider::mouseMove (e);
}

void Knob::mouseExit (const juce::MouseEvent& e)
{
    setHoverRing (-1);
    Slider::mouseExit (e);
}

void Knob::setHoverRing (int ring)
{
    hoverRing = ring;
    showRingCursor (ring >= 0);
    repaint();
}

void Knob::showRingCursor (bool overRing)
{
    if (overRing == ringCursorShown)
        return;

    if (overRing)
    {
        cursorOffRing = getMouseCursor();
        setMouseCursor (juce::MouseCursor::UpDownResizeCursor);
    }
    else
    {
        setMouseCursor (cursorOffRing);
    }

    ringCursorShown = overRing;
}

void Knob::mouseDown (const juce::MouseEvent& e)
{
    ignoringPress = false;
    lastDragPosition = e.position;

    if (const auto ring = ringAt (e.position); ring >= 0)
    {
        auto* parameter = isEnabled() ? parameterForRing (ring) : nullptr;

        if (parameter != nullptr)
            beginRingDrag (ring, *parameter);
        else
            ignoringPress = true;

        return;
    }

    setMouseDragSensitivity (e.mods.isShiftDown() ? fineDragPixels : coarseDragPixels);
    Slider::mouseDown (e);
}

void Knob::mouseDrag (const juce::MouseEvent& e)
{
    lastDragPosition = e.position;

    if (dragParameter != nullptr)
        dragRingBy (e.getDistanceFromDragStartY(), e.mods.isShiftDown());
    else if (! ignoringPress)
        Slider::mouseDrag (e);
}

void Knob::mouseUp (const juce::MouseEvent& e)
{
    // The last moves can arrive only with the release, as the canvas's do: the turn ends there.
    if (e.position != lastDragPosition)
        mouseDrag (e);

    if (dragParameter != nullptr)
    {
        endRingDrag();
        repaint();
    }
    else if (! ignoringPress)
    {
        Slider::mouseUp (e);
    }

    ignoringPress = false;
}

void Knob::endDragInPlace()
{
    if (dragParameter != nullptr)
    {
        endRingDrag();
        repaint();
    }
    else if (getThumbBeingDragged() >= 0)
    {
        // The slider's own release only ends its drag (and so the attachment's gesture); it reads
        // nothing from the event. Ours would take the event as a last drag step.
        const auto here = lastDragPosition;
        const auto now = juce::Time::getCurrentTime();
        const juce::MouseEvent release (juce::Desktop::getInstance().getMainMouseSource(), here, {}, 0.0f, 0.0f, 0.0f,
                                        0.0f, 0.0f, this, this, now, here, now, 1, false);
        Slider::mouseUp (release);
    }
    else
    {
        return;
    }

    ignoringPress = true;
}

void Knob::mouseDoubleClick (const juce::MouseEvent& e)
{
    if (const auto ring = ringAt (e.position); ring >= 0)
        clearRoute (ring);
    else if (! ignoringPress)
        Slider::mouseDoubleClick (e);
}

void Knob::beginRingDrag (int ring, juce::RangedAudioParameter& parameter)
{
    dragRing = ring;
    dragParameter = &parameter;
    dragStartDepth = currentValueOf (parameter);
    parameter.beginChangeGesture();

    if (isShowing())
        grabKeyboardFocus();

    repaint();
}

void Knob::dragRingBy (int pixelsDown, bool fine)
{
    const auto perPixel = fine ? fineDepthPerPixel : coarseDepthPerPixel;
    const auto depth = juce::jlimit (-100.0f, 100.0f, dragStartDepth - (float) pixelsDown * perPixel);
    setNotifyingHost (*dragParameter, depth);
    routeDepth[(size_t) dragRing] = depth;
    repaint();
}

void Knob::endRingDrag()
{
    if (dragParameter != nullptr)
        dragParameter->endChangeGesture();

    dragParameter = nullptr;
    dragRing = -1;
}

void Knob::clearRoute (int ring)
{
    auto* parameter = isEnabled() ? parameterForRing (ring) : nullptr;

    if (parameter == nullptr)
        return;

    if (parameter == dragParameter)
    {
        // The second press of the double-click opened a drag on this ring: clearing closes it, and
        // the rest of the press must not drag the depth back from where it started.
        setNotifyingHost (*parameter, 0.0f);
        endRingDrag();
        ignoringPress = true;
    }
    else
    {
        parameter->beginChangeGesture();
        setNotifyingHost (*parameter, 0.0f);
        parameter->endChangeGesture();
    }

    routeDepth[(size_t) ring] = 0.0f;
    repaint();
}

bool Knob::isInterestedInDragSource (const SourceDetails& details)
{
    return onLfoDropped != nullptr && details.description.toString().startsWith (lfoDragPrefix);
}

void Knob::itemDragEnter (const SourceDetails&)
{
    dropHighlight = true;
    repaint();
}

void Knob::itemDragExit (const SourceDetails&)
{
    dropHighlight = false;
    repaint();
}

void Knob::itemDropped (const SourceDetails& details)
{
    dropHighlight = false;
    repaint();

    if (const auto lfo = lfoIndexOfDragDescription (details.description); lfo >= 0 && onLfoDropped)
    {
        // The drag's image held the keyboard focus and, hidden at the drop, handed it to the
        // window's first control (where Return would click a theme swatch); the knob keeps it.
        if (getWantsKeyboardFocus())
            grabKeyboardFocus();

        // Last, because the owner's handler may rebuild the page this knob is on.
        onLfoDropped (lfo);
    }
}

void refreshKnobModulation (Knob& knob, int destination, const zelk::ZelkProcessor& processor)
{
    auto anyRoute = false;

    for (int lfo = 0; lfo < 3; ++lfo)
    {
        knob.routeDepth[(size_t) lfo] = routeDepthOf (knob, lfo, destination, processor);
        anyRoute = anyRoute || std::abs (knob.routeDepth[(size_t) lfo]) > visibleDepth;
    }

    knob.livePosition = -1.0f;

    if (anyRoute && isDestination (destination))
    {
        const auto live = processor.liveValue[(size_t) destination].load (std::memory_order_relaxed);
        const auto proportion = (float) knob.valueToProportionOfLength (live);

        if (std::isfinite (proportion))
            knob.livePosition = juce::jlimit (0.0f, 1.0f, proportion);
    }

    const auto target = wantsHighlight (knob) ? 1.0f : 0.0f;
    auto next = knob.hoverAmount + (target - knob.hoverAmount) * 0.28f;

    if (std::abs (next - target) < 0.003f)
        next = target;

    // One repaint covers the knob and its value box, which reads the hover amount too.
    knob.hoverAmount = next;
    knob.repaint();
}

juce::String ringDepthText (int ring, float depth)
{
    // Rounded before the sign is chosen, so that a depth just below zero reads +0.0 and not +-0.0.
    auto shown = std::round ((double) depth * 10.0) / 10.0;

    if (shown == 0.0)
        shown = 0.0;

    return "L" + juce::String (ring + 1) + " " + (shown >= 0.0 ? "+" : "") + juce::String (shown, 1) + "%";
}

int lfoIndexOfDragDescription (const juce::var& description)
{
    const auto text = description.toString();

    if (! text.startsWith (lfoDragPrefix))
        return -1;

    // Only digits: getIntValue would read "tamsel-lfo-x" as LFO 1.
    const auto digits = text.substring (lfoDragPrefix.length());

    if (digits.isEmpty() || digits.length() > 2 || ! digits.containsOnly ("0123456789"))
        return -1;

    const auto index = digits.getIntValue();
    return index <= 2 ? index : -1;
}

} // namespace paperstyle
