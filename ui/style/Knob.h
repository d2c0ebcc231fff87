#pragma once

#include <juce_audio_processors/juce_audio_processors.h>
#include <juce_gui_basics/juce_gui_basics.h>

#include <array>
#include <functional>

namespace zelk
{
class ZelkProcessor;
}

namespace paperstyle
{
// A rotary control whose LFO routes show as coloured rings around it. A ring is dragged to set
// that route's depth and double-clicked to remove it; an LFO badge dropped on the knob connects
// that LFO to the knob's destination.
class Knob : public juce::Slider, public juce::DragAndDropTarget
{
public:
    Knob();
    ~Knob() override;

    // Animated by the owner's refresh: 0..1.
    float hoverAmount = 0.0f;
    // Proportion of the live modulated value, or -1 while no route is active.
    float livePosition = -1.0f;
    // Last known depth, in percent, of the route from each LFO to this knob's destination.
    std::array<float, 3> routeDepth {};
    bool dropHighlight = false;

    // Set by the owner: makes the knob accept LFO drops.
    std::function<void (int lfo)> onLfoDropped;
    // Set by the owner: the route parameter from an LFO to this knob's destination, or null.
    std::function<juce::RangedAudioParameter* (int lfo)> routeParameter;

    // Rebuilt at every paint.
    std::array<juce::Path, 3> ringHitArea;
    std::array<juce::Point<float>, 3> ringHandle {};

    int hoverRing = -1;
    int dragRing = -1;
    juce::RangedAudioParameter* dragParameter = nullptr;
    float dragStartDepth = 0.0f;

    // The ring under a point, outermost first, or -1.
    int ringAt (juce::Point<float> point) const;

    // The ring the value box describes: the one being dragged, else the one under the mouse, or -1.
    int describedRing() const noexcept { return dragRing >= 0 ? dragRing : hoverRing; }

    // Ends a turn or a ring drag still open where the last real pointer event left it, closing
    // the host's gesture and changing no value; what is left of the press then does nothing. For
    // a window closing, or a page switching LFO, in the middle of a gesture.
    void endDragInPlace();

    void mouseMove (const juce::MouseEvent& e) override;
    void mouseExit (const juce::MouseEvent& e) override;
    void mouseDown (const juce::MouseEvent& e) override;
    void mouseDrag (const juce::MouseEvent& e) override;
    void mouseUp (const juce::MouseEvent& e) override;
    void mouseDoubleClick (const juce::MouseEvent& e) override;

    bool isInterestedInDragSource (const SourceDetails& details) override;
    void itemDragEnter (const SourceDetails& details) override;
    void itemDragExit (const SourceDetails& details) override;
    void itemDropped (const SourceDetails& details) override;

private:
    juce::RangedAudioParameter* parameterForRing (int ring) const;
    void setHoverRing (int ring);
    void showRingCursor (bool overRing);
    void beginRingDrag (int ring, juce::RangedAudioParameter& parameter);
    void dragRingBy (int pixelsDown, bool fine);
    void endRingDrag();
    void clearRoute (int ring);

    // A press on a ring that has no route parameter to edit: the rest of it does nothing.
    bool ignoringPress = false;
    // Where the press or the last drag step was.
    juce::Point<float> lastDragPosition;
    // The owner's cursor, given back when the mouse leaves a ring.
    juce::MouseCursor cursorOffRing;
    bool ringCursorShown = false;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (Knob)
};

// The owner's per-tick update: the route depths, the live marker and the hover animation.
void refreshKnobModulation (Knob& knob, int destination, const zelk::ZelkProcessor& processor);

// A ring's depth as the value box shows it, for example "L2 +25.0%".
juce::String ringDepthText (int ring, float depth);

// The LFO index a dragged LFO badge describes ("tamsel-lfo-" and 0..2), or -1 for anything else.
int lfoIndexOfDragDescription (const juce::var& description);

} // namespace paperstyle
