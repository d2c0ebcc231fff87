#include "ui/editor/ZelkEditor.h"

#include "core/ModulationDestinations.h"
#include "core/ZelkProcessor.h"
#include "ui/style/Captions.h"

namespace zelk
{
namespace
{
constexpr auto left = juce::Justification::centredLeft;
constexpr auto right = juce::Justification::centredRight;

const juce::Colour bindingColour { 0xff68432d };
const juce::Colour bindingLineColour { 0xffa4774c };

const char* const pianoRollHelp =
    "F: pitch snap / Backspace: time snap / V: vibrato / Alt-wheel: vertical zoom / Ctrl-wheel: time zoom / "
    "Ctrl-drag ruler: loop";
} // namespace

void ZelkEditor::configureKnobs()
{
    for (int k = 1; k <= controlKnobCount; ++k)
        configureKnob (k);
}

void ZelkEditor::configureKnob (int k)
{
    const auto& spec = controlKnobSpec (k);
    auto& knob = controlKnob (k);

    knob.setComponentID (spec.parameterId);
    knob.setName (spec.name);
    knob.setSliderStyle (juce::Slider::RotaryHorizontalVerticalDrag);
    knob.setTextBoxStyle (juce::Slider::TextBoxBelow, false, 110, 26);
    knob.setWantsKeyboardFocus (true);
    knob.getProperties().set ("primary", false);
    knob.onLfoDropped = [this, k] (int lfo) { motionPanel.connectLfo (lfo, k); };
    knob.routeParameter = [this, k] (int lfo) { return processor.parameterTree().getParameter (routeParameterId (lfo, k)); };

    // The attachment installs the parameter's own texts and default, so ours follow it.
    knobAttachments[(size_t) k - 1] =
        std::make_unique<juce::AudioProcessorValueTreeState::SliderAttachment> (processor.parameterTree(), spec.parameterId, knob);
    knob.textFromValueFunction = [k] (double value) { return controlKnobText (k, value); };
    knob.valueFromTextFunction = [] (const juce::String& text) { return valueFromTypedText (text); };
    knob.setDoubleClickReturnValue (true, spec.doubleClickValue, juce::ModifierKeys::altModifier);
    knob.updateText();

    if (*spec.tooltip != 0)
        knob.setTooltip (spec.tooltip);

    addAndMakeVisible (knob);
}

void ZelkEditor::paint (juce::Graphics& g)
{
    paintFrame (g);

    switch (currentTab)
    {
        case pianoRollPage: paintFooter (g); break;
        case controlsPage: paintControlsPage (g); break;
        case instrumentPage: paintInstrumentPage (g); break;
        default: break;
    }

    if (currentTab == controlsPage || currentTab == motionPage)
        paintLfoHint (g);

    paintStatus (g);
}

void ZelkEditor::paintFrame (juce::Graphics& g)
{
    const auto palette = paperstyle::paletteFor (*this);
    const auto w = getWidth(), h = getHeight();

    g.fillAll (palette.paper);
    g.setTiledImageFill (look.paperTexture, 0, 0, 0.4f);
    g.fillAll();

    if (appliedTheme == paperstyle::vintageTheme)
        for (const auto x : { 0, w - 16 })
        {
            g.setColour (bindingColour);
            g.fillRect (x, 0, 16, h);
            g.setColour (bindingLineColour.withAlpha (0.3f));

            for (const auto offset : { 2, 6, 10, 14 })
                g.drawVerticalLine (x + offset, 0.0f, (float) h);
        }

    if (logo.isValid())
    {
        // The silhouette is a mask: its alpha, painted in the theme's ink.
        g.setColour (palette.ink);
        g.drawImageWithin (logo, 32, 16, 165, 38, juce::RectanglePlacement::centred, true);
    }

    paperstyle::drawCaption (g, "M I D I   E X P R E S S I O N", { 32, 54, 185, 19 }, 8.0f, palette.muted, left);
    g.setColour (palette.rule);
    g.drawHorizontalLine (76, 32.0f, (float) (w - 32));
}

void ZelkEditor::paintFooter (juce::Graphics& g)
{
    const auto palette = paperstyle::paletteFor (*this);
    const auto w = getWidth(), h = getHeight();

    const auto counter = patternCounterText (processor);
    paperstyle::drawCaption (g, canvas.hint, { 32, h - 51, w - 340, 24 }, 11.0f, palette.muted, left);
    paperstyle::drawCaption (g, counter, { w - 295, h - 51, 263, 24 }, 10.0f, palette.muted, right);
    paperstyle::drawCaption (g, pianoRollHelp, { 32, h - 26, w - 64, 21 }, 10.0f, palette.muted, left);
}

juce::String patternCounterText (const ZelkProcessor& processor)
{
    int notes = 0;

    for (int slot = 0; slot < slotCount; ++slot)
        if (processor.isNoteOn (slot))
            ++notes;

    return juce::String (notes) + " / 128 NOTES  |  " + juce::String (processor.activeVoiceCount.load()) + " VOICES";
}

void ZelkEditor::paintControlsPage (juce::Graphics& g)
{
    const auto palette = paperstyle::paletteFor (*this);
    const auto width = layout().contentWidth();
    const auto card = width / 5;

    paperstyle::drawCaption (g, "Expression and playback", { 60, 177, width, 35 }, 17.0f, palette.ink, left);
    paperstyle::drawCaption (g, "MPE pitch range: +/-" + juce::String (processor.outputOptions().bendRange) + " semitones",
                             { 60, 215, width, 27 }, 12.0f, palette.muted, left);

    for (int i = 0; i < controlKnobCount; ++i)
    {
        const auto box = juce::Rectangle<float> ((float) (60 + card * i), 264.0f, (float) (card - 12), 244.0f);
        g.setColour (palette.surface.withAlpha (0.5f));
        g.fillRoundedRectangle (box, 4.0f);
        g.setColour (palette.rule);
        g.drawRoundedRectangle (box, 4.0f, 0.8f);
        g.setColour (palette.ink);
        g.setFont (paperstyle::captionFont (11.0f));
        g.drawText (controlKnobSpec (i + 1).caption, juce::Rectangle<int> (60 + card * i, 272, card - 12, 28),
                    juce::Justification::centred, true);
    }

    paperstyle::drawCaption (g, "Drag an LFO onto a knob. Drag its coloured ring for depth; Shift for fine control.",
                             { 60, 538, width, 28 }, 12.0f, palette.muted, left);
}

void ZelkEditor::paintInstrumentPage (juce::Graphics& g)
{
    const auto palette = paperstyle::paletteFor (*this);
    const auto width = layout().contentWidth();
    auto& instrument = processor.hostedInstrument();
    // Read without the instrument's lock, which the audio thread would find busy.
    auto line = instrument.statusText();

    if (line.isEmpty())
        line = instrument.instrumentName();

    if (line.isEmpty())
        line = "External MIDI";

    paperstyle::drawCaption (g, "Instrument", { 60, 177, width, 35 }, 17.0f, palette.ink, left);
    paperstyle::drawCaption (g, line, { 60, 215, width, 27 }, 12.0f, palette.muted, left);
    paperstyle::drawCaption (g, "Load Vital here to keep MPE internal. Zelk sends the instrument audio to your DAW.",
                             { 60, 320, width, 30 }, 14.0f, palette.ink, left);
    paperstyle::drawCaption (g, "Hosted instrument parameters are not exposed as Zelk automation parameters.",
                             { 60, 360, width, 30 }, 12.0f, palette.muted, left);
}

void ZelkEditor::paintLfoHint (juce::Graphics& g)
{
    paperstyle::drawCaption (g,
                             "LFO 1 / 2 / 3: click to edit, drag to connect. Double-click a ring to remove only that route.",
                             { 60, getHeight() - 34, getWidth() - 120, 24 }, 10.0f, paperstyle::paletteFor (*this).muted,
                             left);
}

void ZelkEditor::paintStatus (juce::Graphics& g)
{
    if (statusText.isNotEmpty())
        paperstyle::drawCaption (g, statusText, { getWidth() - 500, 56, 200, 18 }, 9.0f,
                                 paperstyle::paletteFor (*this).accent, left);
}

} // namespace zelk
