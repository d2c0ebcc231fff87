#include "ui/canvas/VibratoPanel.h"

#include "core/NoteFields.h"
#include "core/ZelkProcessor.h"
#include "ui/style/Captions.h"
#include "ui/style/Palette.h"

#include <algorithm>

namespace zelk
{
namespace
{
// The vibrato span stays at least this share of the note, whichever end moves.
constexpr float shortestSpan = 0.001f;

struct ControlSpec
{
    const char* caption;
    const char* id;
    double minimum, maximum, interval;
    double midPoint; // the value the middle of the track shows; 0 for a linear track
    int field;
    const char* tooltip;
};

const ControlSpec controls[] = {
    { "START %", "start", 0.0, 100.0, 0.1, 0.0, field::vibStart, "Vibrato start, percent of the note" },
    { "END %", "end", 0.0, 100.0, 0.1, 0.0, field::vibEnd, "Vibrato end, percent of the note" },
    { "DEPTH st", "depth", 0.0, 12.0, 0.001, 1.0, field::vibDepth,
      "Depth in semitones; leaves the base pitch curve intact" },
    { "CYCLES", "cycles", 0.125, 64.0, 0.001, 8.0, field::vibCycles,
      "0.125 to 64 cycles across the selected interval. Very short/high-rate vibrato is limited by MIDI's "
      "expression update rate." },
    { "FADE %", "fade", 0.0, 50.0, 0.1, 0.0, field::vibFade,
      "Fade-in and fade-out, each as percent of the vibrato interval" },
};

// What a slider shows for a note, and what a slider's value stores in it.
double shownValue (const Note& note, int control)
{
    switch (control)
    {
        case ZelkCanvas::VibratoPanel::start:
            return note.vibStart * 100.0;
        case ZelkCanvas::VibratoPanel::end:
            return note.vibEnd * 100.0;
        case ZelkCanvas::VibratoPanel::depth:
            return note.vibDepth;
        case ZelkCanvas::VibratoPanel::cycles:
            return note.vibCycles;
        default:
            return note.vibFade * 100.0;
    }
}

float storedValue (const Note& note, int control, double value)
{
    const auto share = (float) (value / 100.0);

    switch (control)
    {
        case ZelkCanvas::VibratoPanel::start:
            return std::max (0.0f, std::min (share, note.vibEnd - shortestSpan));
        case ZelkCanvas::VibratoPanel::end:
            return std::min (1.0f, std::max (share, note.vibStart + shortestSpan));
        case ZelkCanvas::VibratoPanel::depth:
        case ZelkCanvas::VibratoPanel::cycles:
            return (float) value;
        default:
            return share;
    }
}
} // namespace

ZelkCanvas::VibratoPanel::VibratoPanel (ZelkCanvas& owner)
    : canvas (owner)
{
    setComponentID ("inline-vibrato");

    for (int control = 0; control < controlCount; ++control)
        setUp (control);

    off.setComponentID ("inline-vibrato-off");
    off.onClick = [this] { switchOff(); };
    addAndMakeVisible (off);
}

ZelkCanvas::VibratoPanel::~VibratoPanel()
{
    // A slider destroyed in the middle of a drag reports the drag's end; nothing may answer it.
    for (auto& s : sliders)
        s.onDragStart = s.onDragEnd = s.onValueChange = nullptr;
}

void ZelkCanvas::VibratoPanel::setUp (int control)
{
    const auto& spec = controls[control];
    auto& s = sliders[(size_t) control];

    s.setSliderStyle (juce::Slider::LinearHorizontal);
    s.setTextBoxStyle (juce::Slider::TextBoxBelow, false, 86, 21);
    s.setRange (spec.minimum, spec.maximum, spec.interval);

    if (spec.midPoint > 0.0)
        s.setSkewFactorFromMidPoint (spec.midPoint);

    s.setComponentID (juce::String ("inline-vibrato-") + spec.id);
    s.setTooltip (spec.tooltip);

    // A drag, or a typed value, is one undo step however many values it passes through.
    s.onDragStart = [this, control]
    {
        dragging = true;
        draggedControl = control;
        canvas.edit.beforeEdit();
    };
    s.onDragEnd = [this]
    {
        dragging = false;
        draggedControl = -1;
    };
    s.onValueChange = [this, control] { valueChanged (control); };
    addAndMakeVisible (s);
}

void ZelkCanvas::VibratoPanel::showValues (const Note& note)
{
    for (int control = 0; control < controlCount; ++control)
    {
        auto& s = sliders[(size_t) control];

        // The slider in the user's hand keeps the user's value.
        if (s.isMouseButtonDown() || (dragging && control == draggedControl))
            continue;

        s.setValue (shownValue (note, control), juce::dontSendNotification);
    }
}

void ZelkCanvas::VibratoPanel::valueChanged (int control)
{
    const auto slot = canvas.activeNote;

    if (! canvas.processor.isNoteOn (slot))
        return;

    // A change that arrives without a drag still records its own step.
    if (! dragging)
        canvas.edit.beforeEdit();

    const auto note = canvas.processor.readNote (slot);
    const auto value = storedValue (note, control, sliders[(size_t) control].getValue());
    canvas.processor.setParameterValue (noteParameterId (slot, controls[control].field), value);
    canvas.refresh();
}

void ZelkCanvas::VibratoPanel::switchOff()
{
    const auto slot = canvas.activeNote;

    if (slot < 0)
        return;

    // The note keeps its other vibrato values for the next time vibrato goes on.
    canvas.edit.beforeEdit();
    canvas.processor.setParameterValue (noteParameterId (slot, field::vibOn), 0.0f);
    canvas.panelOpen = false;
    canvas.refresh();
}

int ZelkCanvas::VibratoPanel::columnWidth() const noexcept { return (getWidth() - 66) / controlCount; }

void ZelkCanvas::VibratoPanel::resized()
{
    const auto c = columnWidth();

    for (int control = 0; control < controlCount; ++control)
        sliders[(size_t) control].setBounds (c * control + 8, 28, c - 8, 47);

    off.setBounds (getWidth() - 60, 37, 52, 26);
}

void ZelkCanvas::VibratoPanel::paint (juce::Graphics& g)
{
    const auto palette = paperstyle::paletteFor (*this);
    const auto bounds = getLocalBounds().toFloat();

    g.setColour (palette.surface);
    g.fillRoundedRectangle (bounds, 5.0f);
    g.setColour (palette.accent);
    g.drawRoundedRectangle (bounds.reduced (1.0f), 5.0f, 1.0f);

    // Captions at a font height of 12 pixels.
    const auto c = columnWidth();

    for (int control = 0; control < controlCount; ++control)
        paperstyle::drawCaption (g, controls[control].caption, { c * control + 8, 5, c - 8, 23 }, 10.0f, palette.ink);
}

} // namespace zelk
