#pragma once

#include "ui/canvas/ZelkCanvas.h"
#include "ui/style/ZelkButton.h"

#include <juce_gui_basics/juce_gui_basics.h>

#include <array>

namespace zelk
{
// The active note's vibrato, edited where the note is: five sliders and OFF in a small panel that
// floats above the note. It shows the note's values and writes each change back to the note; the
// canvas places it, fills it and hides it.
class ZelkCanvas::VibratoPanel : public juce::Component
{
public:
    enum Control
    {
        start = 0,
        end,
        depth,
        cycles,
        fade,
        controlCount
    };

    static constexpr int height = 80;

    explicit VibratoPanel (ZelkCanvas& canvas);
    ~VibratoPanel() override;

    // Shows the note's values on every slider the user is not holding.
    void showValues (const Note& note);

    juce::Slider& slider (int control) noexcept { return sliders[(size_t) control]; }
    ZelkButton& offButton() noexcept { return off; }

    // True while the user drags one of the sliders (a typed value counts as a short drag).
    bool dragging = false;

    void paint (juce::Graphics& g) override;
    void resized() override;

private:
    void setUp (int control);
    void valueChanged (int control);
    void switchOff();
    int columnWidth() const noexcept;

    ZelkCanvas& canvas;
    std::array<juce::Slider, controlCount> sliders;
    ZelkButton off { "OFF" };
    int draggedControl = -1;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (VibratoPanel)
};

} // namespace zelk
