#include "ui/editor/ZelkEditor.h"

#include "core/Platform.h"
#include "core/ZelkProcessor.h"
#include "ui/editor/LogoImage.h"

namespace zelk
{
namespace
{
constexpr int timerIntervalMilliseconds = 1000 / 30;

const char* const swatchNames[] { "LIGHT", "DARK", "VINTAGE" };
} // namespace

ZelkEditor::ZelkEditor (ZelkProcessor& p)
    : juce::AudioProcessorEditor (p),
      processor (p),
      logo (prepareLogo()),
      canvas (p),
      motionPanel (p),
      history (p),
      outputSection (p),
      dragGrip (p)
{
    for (int i = 0; i < editorButtonCount; ++i)
        buttons[(size_t) i] = std::make_unique<ZelkButton> (buttonSpec ((EditorButton) i).text);

    setLookAndFeel (&look);
    addChildren();
    configureButtons();
    addCaptureButton();
    buildSources();
    configureKnobs();
    addOutputControls();

    setResizable (true, true);
    setResizeLimits (EditorLayout::minimumWidth, EditorLayout::minimumHeight, EditorLayout::maximumWidth,
                     EditorLayout::maximumHeight);
    setSize (EditorLayout::openingWidth, EditorLayout::openingHeight);

    showTab (pianoRollPage);
    applyTheme();
    takeCaptureBeforeClose();
    startTimer (timerIntervalMilliseconds);
}

ZelkEditor::~ZelkEditor()
{
    stopTimer();
    keepCaptureOnClose();

    // No parameter gesture may outlive the window: not the piano roll's, nor a knob's that the
    // host closed the window in the middle of (its attachment goes before the knob does).
    canvas.cancelGesture();
    endKnobDrags();
    setLookAndFeel (nullptr);
}

void ZelkEditor::endKnobDrags()
{
    for (auto& knob : knobs)
        knob.endDragInPlace();
}

void ZelkEditor::addChildren()
{
    using B = EditorButton;
    const auto add = [this] (B which) { addAndMakeVisible (button (which)); };

    for (auto which : { B::loadVst3, B::openSynth, B::externalMidi })
        add (which);

    // The piano roll paints every pixel of itself, so the window's paper need not be drawn under it.
    canvas.setOpaque (true);
    addAndMakeVisible (canvas);

    for (auto which : { B::pianoRollTab, B::controlsTab, B::motionTab, B::instrumentTab, B::importMidi, B::play,
                        B::listen, B::hearEdits, B::panic, B::exportMidi, B::draw, B::edit, B::clear, B::undo,
                        B::timeSnap, B::pitchSnap })
        add (which);

    addChildComponent (motionPanel);

    for (auto which : { B::vibrato, B::smooth, B::connect, B::unlink, B::redo, B::loop })
        add (which);
}

// The OUTPUT section of the INSTRUMENT page and the PIANO ROLL toolbar's DRAG MIDI grip, above
// everything else; both report through the status line.
void ZelkEditor::addOutputControls()
{
    const auto showStatus = [this] (const juce::String& text)
    {
        statusText = text;
        repaint();
    };

    outputSection.onStatus = showStatus;
    dragGrip.onStatus = showStatus;
    addChildComponent (outputSection);
    addChildComponent (dragGrip);
}

void ZelkEditor::configureButtons()
{
    for (int i = 0; i < editorButtonCount; ++i)
    {
        const auto which = (EditorButton) i;
        const auto& spec = buttonSpec (which);
        auto& b = button (which);
        b.setComponentID (spec.componentId);
        b.setTooltip (spec.tooltip);
        b.setClickingTogglesState (spec.clickingToggles);
        b.onClick = [this, which] { onButtonClicked (which); };
    }

    for (auto which : { EditorButton::draw, EditorButton::timeSnap, EditorButton::pitchSnap })
        button (which).setToggleState (true, juce::dontSendNotification);

    auto& tree = processor.parameterTree();
    listenAttachment = std::make_unique<juce::AudioProcessorValueTreeState::ButtonAttachment> (
        tree, "monitor", button (EditorButton::listen));
    hearEditsAttachment = std::make_unique<juce::AudioProcessorValueTreeState::ButtonAttachment> (
        tree, "hearEdits", button (EditorButton::hearEdits));

    canvas.onUndoRedo = [this] (bool redo)
    {
        if (redo)
            history.redo (canvas.editState());
        else
            history.undo (canvas.editState());
    };
    canvas.onBeforeEdit = [this] { history.pushUndo(); };
    canvas.onChanged = [this] { afterChange(); };
}

void ZelkEditor::buildSources()
{
    for (int i = 0; i < 3; ++i)
    {
        auto swatch = std::make_unique<ThemeSwatch> (swatchNames[i], i);
        swatch->setComponentID ("theme-" + juce::String (i));
        swatch->onClick = [this, i] { chooseTheme (i); };
        addAndMakeVisible (*swatch);
        themeSwatches[(size_t) i] = std::move (swatch);
    }

    for (int i = 0; i < lfoCount; ++i)
    {
        lfoBadges[(size_t) i] = std::make_unique<motionui::Source> (processor, i);
        lfoCards[(size_t) i] = std::make_unique<motionui::Source> (processor, i);
        lfoCards[(size_t) i]->setComponentID ("source-card-" + juce::String (i));

        for (auto* source : { lfoBadges[(size_t) i].get(), lfoCards[(size_t) i].get() })
        {
            source->onSelect = [this] (int lfo) { selectLfo (lfo); };
            addAndMakeVisible (*source);
        }
    }

    lfoBadges[0]->setToggleState (true, juce::dontSendNotification);
    lfoCards[0]->setToggleState (true, juce::dontSendNotification);
}

void ZelkEditor::resized()
{
    const auto l = layout();

    for (int i = 0; i < editorButtonCount; ++i)
        button ((EditorButton) i).setBounds (l.button ((EditorButton) i));

    for (int i = 0; i < lfoCount; ++i)
    {
        lfoBadges[(size_t) i]->setBounds (l.lfoBadge (i));
        lfoCards[(size_t) i]->setBounds (l.sourceCard (i));
    }

    for (int i = 0; i < 3; ++i)
        themeSwatches[(size_t) i]->setBounds (l.themeSwatch (i));

    canvas.setBounds (l.canvas());
    captureButton.setBounds (l.captureButton());

    for (int k = 1; k <= controlKnobCount; ++k)
        controlKnob (k).setBounds (l.knob (k));

    motionPanel.setBounds (l.motionPanel());
    outputSection.setBounds (l.outputSection());
    dragGrip.setBounds (l.dragMidiGrip());
}

void ZelkEditor::showTab (int index)
{
    canvas.cancelGesture();
    currentTab = index;
    motionPanel.setVisible (index == motionPage);

    const EditorButton tabs[] { EditorButton::pianoRollTab, EditorButton::controlsTab, EditorButton::motionTab,
                                EditorButton::instrumentTab };

    for (int tab = 0; tab < 4; ++tab)
        button (tabs[tab]).setToggleState (tab == index, juce::dontSendNotification);

    canvas.setVisible (index == pianoRollPage);
    captureButton.setVisible (index == pianoRollPage);

    for (int i = 0; i < editorButtonCount; ++i)
        if (const auto page = buttonSpec ((EditorButton) i).page; page >= 0)
            button ((EditorButton) i).setVisible (page == index);

    for (auto& knob : knobs)
        knob.setVisible (index == controlsPage);

    for (auto& card : lfoCards)
        card->setVisible (index == controlsPage || index == motionPage);

    outputSection.setVisible (index == instrumentPage);
    dragGrip.setVisible (index == pianoRollPage);
    repaint();
}

void ZelkEditor::applyTheme()
{
    const auto theme = (int) processor.raw().uiTheme->load();

    if (theme != appliedTheme)
    {
        appliedTheme = theme;
        look.setTheme (theme);
        // Widgets that keep colours of their own (the knobs' text boxes) take the new ones.
        sendLookAndFeelChange();
        repaint();
    }

    for (auto& swatch : themeSwatches)
        swatch->setToggleState (swatch->themeIndex == theme, juce::dontSendNotification);
}

void ZelkEditor::timerCallback()
{
    tick();
    // Last: a queued click may close the window this editor is in.
    platform::dispatchQueuedWindowEvents();
}

void ZelkEditor::tick()
{
    const auto drawing = canvas.tool == ZelkCanvas::Tool::draw;
    button (EditorButton::draw).setToggleState (drawing, juce::dontSendNotification);
    button (EditorButton::edit).setToggleState (! drawing, juce::dontSendNotification);

    applyTheme();

    auto& instrument = processor.hostedInstrument();
    const auto hosted = instrument.instrumentActive.load() || instrument.instrumentLoading.load();
    button (EditorButton::openSynth).setEnabled (hosted);
    button (EditorButton::externalMidi).setToggleState (! hosted, juce::dontSendNotification);
    button (EditorButton::listen).setEnabled (! hosted);

    button (EditorButton::loop).setToggleState (isSwitchOn (processor.raw().looping), juce::dontSendNotification);
    button (EditorButton::timeSnap).setToggleState (canvas.timeSnap, juce::dontSendNotification);
    auto& pitchSnap = button (EditorButton::pitchSnap);
    pitchSnap.setToggleState (canvas.pitchSnap, juce::dontSendNotification);
    pitchSnap.setButtonText (canvas.pitchSnap ? "SEMITONES" : "FREE PITCH");
    button (EditorButton::play).setToggleState (processor.playRequested.load(), juce::dontSendNotification);

    if (currentTab == controlsPage)
        for (int k = 1; k <= controlKnobCount; ++k)
            paperstyle::refreshKnobModulation (controlKnob (k), k, processor);
    else if (currentTab == motionPage)
        motionPanel.refresh();

    canvas.repaint();

    for (auto& badge : lfoBadges)
        badge->repaint();

    for (auto& card : lfoCards)
        if (card->isVisible())
            card->repaint();

    outputSection.tick();
    button (EditorButton::undo).setEnabled (history.canUndo());
    button (EditorButton::redo).setEnabled (history.canRedo());
    tickCapture();
    animateButtonHover();

    repaint (layout().footer());
}

// The toolbar's buttons brighten while the pointer is over them or they have the focus.
void ZelkEditor::animateButtonHover()
{
    std::array<ZelkButton*, editorButtonCount + 1> all {};

    for (size_t i = 0; i < buttons.size(); ++i)
        all[i] = buttons[i].get();

    all.back() = &captureButton;

    for (auto* b : all)
    {
        if (! b->isVisible())
            continue;

        const auto target = b->isEnabled() && (b->isMouseOver (true) || b->hasKeyboardFocus (true)) ? 1.0f : 0.0f;
        auto next = b->hoverAmount + (target - b->hoverAmount) * 0.25f;

        if (std::abs (next - target) < 0.01f)
            next = target;

        if (next != b->hoverAmount)
        {
            b->hoverAmount = next;
            b->repaint();
        }
    }
}

bool ZelkEditor::keyPressed (const juce::KeyPress& key)
{
    // Only the piano roll has shortcuts; on the other pages every key belongs to the host.
    if (currentTab != pianoRollPage)
        return false;

    return canvas.keyPressed (key);
}

} // namespace zelk
