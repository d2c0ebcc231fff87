#include "ui/style/ValueBox.h"

#include "ui/style/Captions.h"
#include "ui/style/Palette.h"

namespace paperstyle
{
ValueBox::ValueBox (int minimumValue, int maximumValue)
    : minimum (minimumValue), maximum (juce::jmax (minimumValue, maximumValue)), current (minimumValue)
{
    setEditable (true, false, false);
    setJustificationType (juce::Justification::centred);
    setFont (valueFont (11.7f));
    setMouseCursor (juce::MouseCursor::IBeamCursor);
    setWantsKeyboardFocus (true);
    setText (juce::String (current), juce::dontSendNotification);
}

void ValueBox::setValue (int newValue)
{
    current = juce::jlimit (minimum, maximum, newValue);

    if (! isBeingEdited())
        setText (juce::String (current), juce::dontSendNotification);
}

std::optional<int> ValueBox::valueFromText (const juce::String& text) const
{
    const auto digits = text.trim().initialSectionContainingOnly ("0123456789");

    if (digits.isEmpty())
        return {};

    // More digits than any range here holds is just a large number.
    return digits.length() > 6 ? maximum : juce::jlimit (minimum, maximum, digits.getIntValue());
}

void ValueBox::choose (int newValue)
{
    const auto before = current;
    setValue (newValue);
    setText (juce::String (current), juce::dontSendNotification);

    if (current != before && onValueChange != nullptr)
        onValueChange (current);
}

void ValueBox::textWasEdited()
{
    if (const auto typed = valueFromText (getText()))
        choose (*typed);
    else
        setText (juce::String (current), juce::dontSendNotification);
}

juce::TextEditor* ValueBox::createEditorComponent()
{
    auto* typing = juce::Label::createEditorComponent();
    typing->setInputRestrictions (6, "0123456789");
    typing->setJustification (juce::Justification::centred);
    return typing;
}

void ValueBox::paint (juce::Graphics& g)
{
    const auto palette = paletteFor (*this);
    const auto bounds = getLocalBounds().toFloat();
    const juce::Rectangle<float> box (bounds.getX() + 2.0f, bounds.getY() + 3.0f, juce::jmax (0.0f, bounds.getWidth() - 4.0f),
                                      juce::jmax (0.0f, bounds.getHeight() - 6.0f));
    g.setColour (palette.surface.withAlpha (0.28f + 0.4f * hoverAmount));
    g.fillRoundedRectangle (box, 3.0f);
    g.setColour (palette.rule.withAlpha (0.65f).interpolatedWith (palette.accent, 0.75f * hoverAmount));
    g.drawRoundedRectangle (box, 2.0f, 0.65f);

    if (isBeingEdited())
        return;

    g.setColour (palette.ink.withAlpha (isEnabled() ? 1.0f : 0.4f));
    g.setFont (getFont());
    g.drawText (getText(), getLocalBounds(), juce::Justification::centred, true);

    if (hasKeyboardFocus (false))
    {
        g.setColour (palette.accent);
        g.drawRoundedRectangle (box.reduced (2.0f), 2.0f, 1.0f);
    }
}

void ValueBox::mouseEnter (const juce::MouseEvent& e)
{
    hoverAmount = 1.0f;
    repaint();
    juce::Label::mouseEnter (e);
}

void ValueBox::mouseExit (const juce::MouseEvent& e)
{
    hoverAmount = 0.0f;
    repaint();
    juce::Label::mouseExit (e);
}

void ValueBox::mouseWheelMove (const juce::MouseEvent&, const juce::MouseWheelDetails& wheel)
{
    const auto delta = wheel.deltaY != 0.0f ? wheel.deltaY : wheel.deltaX;

    if (delta != 0.0f && ! isBeingEdited())
        choose (current + (delta > 0.0f ? 1 : -1));
}

} // namespace paperstyle
