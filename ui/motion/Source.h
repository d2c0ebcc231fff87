#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

#include <functional>

namespace zelk
{
class ZelkProcessor;
}

namespace motionui
{
// One LFO as the user meets it outside the motion designer: a compact badge in the header or a
// card with its waveform, rate and length. Clicking selects the LFO for editing; dragging it onto
// a knob connects the LFO to that knob's destination.
class Source : public juce::Button
{
public:
    Source (zelk::ZelkProcessor& processor, int lfoIndex);

    // Sources at most this tall are badges; taller ones are cards.
    static constexpr int badgeHeightLimit = 55;
    // A press must travel further than this before it becomes a drag.
    static constexpr int dragThreshold = 5;

    static juce::String dragDescription (int lfoIndex);

    zelk::ZelkProcessor& processor;
    const int lfoIndex;
    bool dragStarted = false;
    std::function<void (int lfoIndex)> onSelect;

    void mouseDown (const juce::MouseEvent& e) override;
    void mouseDrag (const juce::MouseEvent& e) override;

protected:
    using juce::Button::clicked;
    void clicked() override;
    void paintButton (juce::Graphics& g, bool highlighted, bool down) override;

private:
    void paintBadge (juce::Graphics& g, juce::Rectangle<float> box);
    void paintCard (juce::Graphics& g, juce::Rectangle<float> box);
    float output() const noexcept;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (Source)
};

} // namespace motionui
