#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

namespace zelk
{
class ZelkProcessor;
}

namespace motionui
{
// The MOTION page: edits one LFO at a time and routes the LFOs to their destinations.
class Panel : public juce::Component
{
public:
    explicit Panel (zelk::ZelkProcessor& processor);

    void selectLfo (int index);
    // The per-tick update while the page is shown.
    void refresh();
    // Connects an LFO to a destination at 25 % unless the route already has a depth.
    void connectLfo (int lfo, int destination);

    void paint (juce::Graphics& g) override;

    zelk::ZelkProcessor& processor;
    int selectedLfo = 0;
    juce::String hint { "Drag a coloured LFO badge to any knob. Draw directly in the waveform." };

private:
    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (Panel)
};

} // namespace motionui
