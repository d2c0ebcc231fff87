#pragma once

#include "core/ModulationDestinations.h"
#include "editing/CaptureSession.h"
#include "editing/UndoHistory.h"
#include "midi/CapturedPattern.h"
#include "ui/canvas/ZelkCanvas.h"
#include "ui/editor/ControlKnobs.h"
#include "ui/editor/DragMidiGrip.h"
#include "ui/editor/EditorButtons.h"
#include "ui/editor/EditorLayout.h"
#include "ui/editor/OutputSection.h"
#include "ui/motion/Panel.h"
#include "ui/motion/Source.h"
#include "ui/style/Knob.h"
#include "ui/style/Look.h"
#include "ui/style/ThemeSwatch.h"
#include "ui/style/ZelkButton.h"

#include <juce_audio_processors/juce_audio_processors.h>

#include <array>
#include <memory>

namespace zelk
{
class ZelkProcessor;

// The plug-in window: a header with the logo, the page tabs, the transport, the theme chooser and
// the LFO badges, and four pages below it (PIANO ROLL, CONTROLS, MOTION, INSTRUMENT). It keeps no
// copy of the pattern; the undo history lives as long as the window.
class ZelkEditor : public juce::AudioProcessorEditor,
                   private juce::Timer,
                   public juce::DragAndDropContainer
{
public:
    explicit ZelkEditor (ZelkProcessor& processor);
    ~ZelkEditor() override;

    void paint (juce::Graphics& g) override;
    void resized() override;
    bool keyPressed (const juce::KeyPress& key) override;

    void showTab (int index);
    // Installs the "uiTheme" parameter's theme when it changed, and lights its swatch.
    void applyTheme();

    // The file choosers. Each runs asynchronously, replaces any chooser still open, and its answer
    // does nothing once the editor is gone or when the user cancelled.
    enum class Chooser
    {
        importMidi,
        exportMidi,
        loadInstrument
    };
    void openChooser (Chooser which);
    static void answerChooser (juce::Component::SafePointer<ZelkEditor> editor, Chooser which, const juce::File& chosen);
    bool isChooserOpen() const noexcept { return fileChooser != nullptr; }

    // What the choosers do with a chosen file.
    bool importMidiFile (const juce::File& file);
    bool exportMidiFile (const juce::File& chosen);
    void loadInstrumentFile (const juce::File& file);

    // CAPTURE: turns what is played into the pattern, as one undo step, when it is turned off,
    // when the host stops or the loop wraps, or when the window closes. A .mid file dropped on the
    // piano roll is captured the same way.
    void toggleCapture();
    bool isCapturing() const noexcept { return captureSession.isRunning(); }
    bool captureMidiFile (const juce::File& file);
    ZelkButton& captureToggle() noexcept { return captureButton; }

    // Files dragged from the desktop over the piano roll, which hands them on; in the window's
    // coordinates.
    bool isInterestedInFileDrag (const juce::StringArray& files);
    void fileDragEnter (const juce::StringArray& files, int x, int y);
    void fileDragMove (const juce::StringArray& files, int x, int y);
    void fileDragExit (const juce::StringArray& files);
    void filesDropped (const juce::StringArray& files, int x, int y);

    // The timer's work, also run by hand in tests and benchmarks.
    void tick();

    ZelkButton& button (EditorButton which) noexcept { return *buttons[(size_t) which]; }
    ZelkCanvas& pianoRoll() noexcept { return canvas; }
    motionui::Panel& motion() noexcept { return motionPanel; }
    paperstyle::Knob& controlKnob (int k) noexcept { return knobs[(size_t) juce::jlimit (1, controlKnobCount, k) - 1]; }
    ThemeSwatch& themeSwatch (int index) noexcept { return *themeSwatches[(size_t) index]; }
    motionui::Source& lfoBadge (int index) noexcept { return *lfoBadges[(size_t) index]; }
    motionui::Source& lfoCard (int index) noexcept { return *lfoCards[(size_t) index]; }
    OutputSection& output() noexcept { return outputSection; }
    DragMidiGrip& dragMidiGrip() noexcept { return dragGrip; }
    paperstyle::Look& lookAndFeel() noexcept { return look; }
    const juce::Image& logoImage() const noexcept { return logo; }
    EditorLayout layout() const noexcept { return { getWidth(), getHeight() }; }
    int tabShown() const noexcept { return currentTab; }
    const juce::String& status() const noexcept { return statusText; }
    UndoHistory& undoHistory() noexcept { return history; }

private:
    void timerCallback() override;

    void addChildren();
    void configureButtons();
    void buildSources();
    void configureKnobs();
    void configureKnob (int k);

    void onButtonClicked (EditorButton which);
    void selectTool (ZelkCanvas::Tool tool);
    void clearPattern();
    void smoothOnce();
    void panic();
    void toggleLooping();
    void useExternalMidi();
    void chooseTheme (int index);
    void selectLfo (int index);
    void afterChange();
    void animateButtonHover();
    void endKnobDrags();
    void addCaptureButton();
    void tickCapture();
    void finishCapture();
    void keepCaptureOnClose();
    void takeCaptureBeforeClose();
    void showCaptured (const CaptureResult& result, CaptureSource source);

    void paintFrame (juce::Graphics& g);
    void paintFooter (juce::Graphics& g);
    void paintControlsPage (juce::Graphics& g);
    void paintInstrumentPage (juce::Graphics& g);
    void paintLfoHint (juce::Graphics& g);
    void paintStatus (juce::Graphics& g);
    void addOutputControls();

    ZelkProcessor& processor;
    paperstyle::Look look;
    juce::Image logo;
    ZelkCanvas canvas;
    motionui::Panel motionPanel;
    std::array<std::unique_ptr<ZelkButton>, editorButtonCount> buttons;
    std::array<std::unique_ptr<ThemeSwatch>, 3> themeSwatches;
    std::array<std::unique_ptr<motionui::Source>, lfoCount> lfoBadges;
    std::array<std::unique_ptr<motionui::Source>, lfoCount> lfoCards;
    std::array<paperstyle::Knob, controlKnobCount> knobs;
    std::array<std::unique_ptr<juce::AudioProcessorValueTreeState::SliderAttachment>, controlKnobCount> knobAttachments;
    std::unique_ptr<juce::AudioProcessorValueTreeState::ButtonAttachment> listenAttachment, hearEditsAttachment;
    int currentTab = pianoRollPage;
    int appliedTheme = -1;
    juce::TooltipWindow tooltipWindow { this, 650 };
    std::unique_ptr<juce::FileChooser> fileChooser;
    juce::String statusText;
    UndoHistory history;
    OutputSection outputSection;
    DragMidiGrip dragGrip;
    ZelkButton captureButton { "CAPTURE" };
    CaptureSession captureSession { processor };
    juce::String hintBeforeDrop;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (ZelkEditor)
};

// The footer's counter: "n / 128 NOTES  |  v VOICES".
juce::String patternCounterText (const ZelkProcessor& processor);

} // namespace zelk
