#include "ui/motion/Panel.h"

#include "core/ParameterLayout.h"
#include "core/ZelkProcessor.h"
#include "ui/motion/SliderRelease.h"
#include "ui/style/Captions.h"
#include "ui/style/Palette.h"

#include <cmath>

namespace motionui
{
namespace
{
constexpr float connectDepth = 25.0f;
constexpr float noDepth = 0.005f;
constexpr float shapeLit = 0.01f;

struct LfoControlSpec
{
    const char* name;
    const char* tooltip;
    int decimals;
    const char* unit; // the frequency's follows SYNC instead
};

// clang-format off
const std::array<LfoControlSpec, zelk::lfoControlCount> controlSpecs { {
    { "Frequency", "Base frequency. In SYNC mode: cycles per beat before Length stretching.", 2, "" },
    { "Length", "Cycle length multiplier: 2 doubles the period; 0.5 halves it.", 2, " x" },
    { "Shape", "Morph continuously between Sine, Triangle, Rise, Fall, Pulse and Draw.", 2, "" },
    { "Phase", "Phase offset in degrees.", 0, " deg" },
    { "Level", "LFO output level. This also scales its modulation of other LFOs.", 0, " %" },
} };
// clang-format on

const char* const shapeNames[] { "SINE", "TRI", "RISE", "FALL", "PULSE", "DRAW" };

const char* const syncTooltip =
    "Use host tempo. Frequency becomes cycles per beat; Length stretches the cycle. Retriggers on transport start.";
const char* const clearRoutesTooltip = "Remove every modulation route, retaining waveform and LFO settings.";

juce::String lfoLabel (int lfo) { return "LFO " + juce::String (lfo + 1); }

juce::String withDecimals (double value, int decimals)
{
    // A whole number is rounded as printf rounds it (halves to even), like the value boxes elsewhere.
    if (decimals <= 0)
        return juce::String ((juce::int64) std::nearbyint (value));

    return juce::String (value, decimals);
}

double numberIn (const juce::String& text)
{
    const auto value = text.trimStart().getDoubleValue();
    return std::isfinite (value) ? value : 0.0;
}

bool isLfo (int lfo) noexcept { return lfo >= 0 && lfo < zelk::lfoCount; }
bool isDestination (int d) noexcept { return d >= 0 && d < zelk::destinationCount; }

// The toolbar's easing: a quarter of the way each tick, settled once close.
void easeHover (zelk::ZelkButton& button)
{
    const auto target = button.isEnabled() && (button.isMouseOver (true) || button.hasKeyboardFocus (true)) ? 1.0f : 0.0f;
    auto next = button.hoverAmount + (target - button.hoverAmount) * 0.25f;

    if (std::abs (next - target) < 0.01f)
        next = target;

    if (next != button.hoverAmount)
    {
        button.hoverAmount = next;
        button.repaint();
    }
}

// The two lines at the foot of the panel: the live cycle and the hint.
const juce::Rectangle<int> liveCycleArea { 0, 382, 465, 24 };
const juce::Rectangle<int> hintArea { 0, 410, 915, 22 };
} // namespace

Panel::Panel (zelk::ZelkProcessor& p) : processor (p), waveEditor (p), grid (p)
{
    // Looked up once: the knobs ask for their routes at every paint.
    for (int lfo = 0; lfo < zelk::lfoCount; ++lfo)
        for (int d = 0; d < zelk::destinationCount; ++d)
            routeParameters[(size_t) lfo][(size_t) d] =
                processor.parameterTree().getParameter (zelk::routeParameterId (lfo, d));

    addAndMakeVisible (waveEditor);

    for (int i = 0; i < zelk::lfoControlCount; ++i)
        configureKnob (i);

    configureButtons();

    routeViewport.setViewedComponent (&grid, false);
    routeViewport.setScrollBarsShown (true, false);
    addAndMakeVisible (routeViewport);

    selectLfo (0);
}

Panel::~Panel()
{
    waveEditor.endStroke();
    detachKnobs();
}

void Panel::configureKnob (int i)
{
    auto& k = knob (i);
    const auto& spec = controlSpecs[(size_t) i];

    k.setSliderStyle (juce::Slider::RotaryHorizontalVerticalDrag);
    k.setTextBoxStyle (juce::Slider::TextBoxBelow, false, 90, 24);
    k.setMouseCursor (juce::MouseCursor::UpDownResizeCursor);
    k.setWantsKeyboardFocus (true);
    k.setName (spec.name);
    k.setTooltip (spec.tooltip);

    // Both read the selected LFO when they are called, so they follow selectLfo.
    k.onLfoDropped = [this, i] (int lfo) { connectLfo (lfo, knobDestination (i)); };
    k.routeParameter = [this, i] (int lfo) -> juce::RangedAudioParameter*
    {
        return isLfo (lfo) ? routeParameters[(size_t) lfo][(size_t) knobDestination (i)] : nullptr;
    };

    addAndMakeVisible (k);
}

void Panel::configureButtons()
{
    for (int i = 0; i < shapeCount; ++i)
    {
        auto& button = *(shapeButtons[(size_t) i] = std::make_unique<zelk::ZelkButton> (shapeNames[i]));
        button.onClick = [this, i] { setShape (i); };
        addAndMakeVisible (button);
    }

    syncButton.setClickingTogglesState (true);
    syncButton.setTooltip (syncTooltip);
    // The frequency reads in cycles per beat while SYNC is on.
    syncButton.onClick = [this] { knob (zelk::destination::rate).updateText(); };
    addAndMakeVisible (syncButton);

    clearButton.setTooltip (clearRoutesTooltip);
    clearButton.onClick = [this] { clearRoutes(); };
    addAndMakeVisible (clearButton);
}

void Panel::selectLfo (int index)
{
    waveEditor.editLfo (index);
    selectedLfo = waveEditor.lfoIndex();

    detachKnobs();

    for (int i = 0; i < zelk::lfoControlCount; ++i)
        attachKnob (i);

    syncAttachment.reset();
    syncAttachment =
        std::make_unique<ButtonAttachment> (processor.parameterTree(), zelk::lfoSyncId (selectedLfo), syncButton);

    refresh();
    repaint();
}

void Panel::detachKnobs()
{
    // A drag still open would leave the host's gesture open once its attachment is gone.
    for (int i = 0; i < zelk::lfoControlCount; ++i)
    {
        releaseSliderDrag (knob (i));
        knobAttachments[(size_t) i].reset();
    }
}

void Panel::attachKnob (int i)
{
    auto& k = knob (i);
    const auto destination = knobDestination (i);
    const auto id = zelk::destinationId (destination);

    k.setComponentID (id);
    // The attachment installs the parameter's own texts and default, so ours follow it.
    knobAttachments[(size_t) i] = std::make_unique<SliderAttachment> (processor.parameterTree(), id, k);
    k.setDoubleClickReturnValue (true, zelk::destinationRange (destination).defaultValue);
    k.textFromValueFunction = [this, i] (double value) { return knobText (i, value); };
    k.valueFromTextFunction = [] (const juce::String& text) { return numberIn (text); };
    k.updateText();
}

juce::String Panel::knobText (int i, double value) const
{
    const auto& spec = controlSpecs[(size_t) i];

    if (i == zelk::destination::rate)
        return withDecimals (value, spec.decimals) + (syncButton.getToggleState() ? " /bt" : " Hz");

    return withDecimals (value, spec.decimals) + spec.unit;
}

void Panel::setShape (int shape)
{
    processor.setParameterValue (zelk::destinationId (knobDestination (zelk::destination::shape)), (float) shape);
    refresh();
}

void Panel::refresh()
{
    for (int i = 0; i < zelk::lfoControlCount; ++i)
        paperstyle::refreshKnobModulation (knob (i), knobDestination (i), processor);

    knob (zelk::destination::rate).updateText();
    refreshButtons();

    // The rest of the page repaints itself when its parameter changes (through the attachments and
    // the buttons' toggles) or is repainted by selectLfo; what moves on its own is the play line,
    // the knobs' live markers and the live cycle, and the hint follows the last action.
    waveEditor.repaint();
    repaint (liveCycleArea.getUnion (hintArea));
}

void Panel::refreshButtons()
{
    const auto shape = processor.raw().destinations[(size_t) knobDestination (zelk::destination::shape)]->load();

    for (int i = 0; i < shapeCount; ++i)
    {
        auto& button = shapeButton (i);
        button.setToggleState (std::abs (shape - (float) i) < shapeLit, juce::dontSendNotification);
        easeHover (button);
    }

    easeHover (syncButton);
    easeHover (clearButton);
}

void Panel::connectLfo (int lfo, int destination)
{
    if (! isLfo (lfo) || ! isDestination (destination))
        return;

    const auto id = zelk::routeParameterId (lfo, destination);

    if (auto* route = processor.parameterTree().getRawParameterValue (id);
        route != nullptr && std::abs (route->load()) < noDepth)
        processor.setParameterValue (id, connectDepth);

    // The destination's row 60 pixels below the top of the view; the viewport keeps within its range.
    routeViewport.setViewPosition (0, juce::jmax (0, RouteGrid::rowHeight * destination - 91));

    hint = lfoLabel (lfo) + " -> " + zelk::destinationName (destination)
         + ". Drag the coloured ring to adjust depth; double-click the ring to clear.";
    refresh();
}

void Panel::clearRoutes()
{
    for (int lfo = 0; lfo < zelk::lfoCount; ++lfo)
        for (int d = 0; d < zelk::destinationCount; ++d)
            processor.setParameterValue (zelk::routeParameterId (lfo, d), 0.0f);

    hint = "All routes cleared. Base values and waveforms are unchanged.";
    refresh();
}

juce::String Panel::liveCycleText() const
{
    const auto tempoFactor = syncButton.getToggleState() ? processor.publishedTempo.load() / 60.0 : 1.0;
    const auto rate = (double) processor.liveValue[(size_t) knobDestination (zelk::destination::rate)].load();
    const auto stretch = (double) processor.liveValue[(size_t) knobDestination (zelk::destination::stretch)].load();
    const auto cyclesPerSecond = rate / juce::jmax (stretch, 0.25) * tempoFactor;
    const auto output = (double) processor.lfoOutput[(size_t) selectedLfo].load();

    return "LIVE CYCLE  " + juce::String (1.0 / juce::jmax (cyclesPerSecond, 0.001), 2) + " s   /   OUT "
         + juce::String (output, 2);
}

void Panel::resized()
{
    waveEditor.setBounds (0, 45, 450, 144);

    for (int i = 0; i < shapeCount; ++i)
        shapeButton (i).setBounds (75 * i, 197, 72, 34);

    for (int i = 0; i < zelk::lfoControlCount; ++i)
        knob (i).setBounds (90 * i - 1, 265, 90, 116);

    syncButton.setBounds (324, 0, 126, 35);
    clearButton.setBounds (720, 0, 160, 35);
    routeViewport.setBounds (470, 61, 410, 320);
}

void Panel::paint (juce::Graphics& g)
{
    paintHeadings (g);
    paintKnobCaptions (g);
    paintStatusLines (g);
}

void Panel::paintHeadings (juce::Graphics& g)
{
    const auto palette = paperstyle::paletteFor (*this);

    paperstyle::drawCaption (g, lfoLabel (selectedLfo) + "  /  MOTION DESIGNER", { 0, 0, 335, 31 }, 16.0f,
                             palette.lfoColour (selectedLfo));
    paperstyle::drawCaption (g, "MODULATION MATRIX", { 478, 0, 235, 31 }, 13.0f, palette.accent);
    paperstyle::drawCaption (g, "DESTINATION", { 478, 36, 112, 22 }, 10.0f, palette.muted);

    g.setFont (juce::Font ("Segoe UI", 12.0f, juce::Font::plain));

    for (int n = 0; n < zelk::lfoCount; ++n)
    {
        g.setColour (palette.lfoColour (n));
        g.drawText (lfoLabel (n) + "  %", 593 + 89 * n, 36, 87, 22, juce::Justification::centred, true);
    }
}

void Panel::paintKnobCaptions (juce::Graphics& g)
{
    const auto palette = paperstyle::paletteFor (*this);
    g.setColour (palette.ink);
    g.setFont (juce::Font ("Segoe UI", 13.2f, juce::Font::plain));

    for (int j = 0; j < zelk::lfoControlCount; ++j)
        g.drawText (controlSpecs[(size_t) j].name, 90 * j, 241, 88, 20, juce::Justification::centred, true);
}

void Panel::paintStatusLines (juce::Graphics& g)
{
    const auto palette = paperstyle::paletteFor (*this);
    paperstyle::drawCaption (g, liveCycleText(), liveCycleArea, 11.0f, palette.muted);
    paperstyle::drawCaption (g, hint, hintArea, 11.0f, palette.ink);
}

} // namespace motionui
