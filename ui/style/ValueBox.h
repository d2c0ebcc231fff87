#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

#include <functional>
#include <optional>

namespace paperstyle
{
// A whole number in a box drawn like the knobs' value boxes: a click types a new value (Return
// takes it, anything that is not a number puts the old one back), the wheel steps it by one.
// Values outside the box's range are brought to its nearest end.
class ValueBox : public juce::Label
{
public:
    ValueBox (int minimum, int maximum);

    int value() const noexcept { return current; }
    // Shows the value without telling onValueChange.
    void setValue (int newValue);

    // A value the user chose, already within the range.
    std::function<void (int)> onValueChange;

    // What the user's text means: its leading whole number within the range, or none.
    std::optional<int> valueFromText (const juce::String& text) const;

    float hoverAmount = 0.0f;

    void paint (juce::Graphics& g) override;
    void mouseEnter (const juce::MouseEvent& e) override;
    void mouseExit (const juce::MouseEvent& e) override;
    void mouseWheelMove (const juce::MouseEvent& e, const juce::MouseWheelDetails& wheel) override;

protected:
    void textWasEdited() override;
    juce::TextEditor* createEditorComponent() override;

private:
    void choose (int newValue);

    const int minimum, maximum;
    int current;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (ValueBox)
};

} // namespace paperstyle
