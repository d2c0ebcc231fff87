#pragma once

#include "core/ModulationDestinations.h"
#include "ui/motion/RouteGrid.h"
#include "ui/motion/WaveEditor.h"
#include "ui/style/Knob.h"
#include "ui/style/ZelkButton.h"

#include <juce_audio_processors/juce_audio_processors.h>
#include <juce_gui_basics/juce_gui_basics.h>

#include <array>
#include <memory>

namespace zelk
{
class ZelkProcessor;
}

namespace motionui
{
// The MOTION page: edits one LFO at a time (its waveform, shape, five controls and sync) and
// routes the LFOs to their destinations in the modulation matrix.
class Panel : public juce::Component
{
public:
    static constexpr int shapeCount = 6;

    explicit Panel (zelk::ZelkProcessor& processor);
    ~Panel() override;

    // Shows and edits another LFO: the waveform, the knobs, their rings and drops, and SYNC.
    void selectLfo (int index);
    // The per-tick update while the page is shown.
    void refresh();
    // Connects an LFO to a destination at 25 % unless the route already has a depth, shows the
    // destination's row in the matrix and says what happened in the hint.
    void connectLfo (int lfo, int destination);
    // Removes every route, bend depth's included; waveforms, sync and the LFO settings stay.
    void clearRoutes();

    // The selected LFO's destination for knob i (0 frequency .. 4 level).
    int knobDestination (int i) const noexcept { return zelk::destination::ofLfo (selectedLfo, i); }
    // "LIVE CYCLE  0.50 s   /   OUT 0.12" from the published values.
    juce::String liveCycleText() const;

    paperstyle::Knob& knob (int i) noexcept { return knobs[(size_t) juce::jlimit (0, zelk::lfoControlCount - 1, i)]; }
    zelk::ZelkButton& shapeButton (int i) noexcept { return *shapeButtons[(size_t) juce::jlimit (0, shapeCount - 1, i)]; }
    zelk::ZelkButton& sync() noexcept { return syncButton; }
    zelk::ZelkButton& clearRoutesButton() noexcept { return clearButton; }
    WaveEditor& wave() noexcept { return waveEditor; }
    RouteGrid& routeGrid() noexcept { return grid; }
    juce::Viewport& routes() noexcept { return routeViewport; }

    void resized() override;
    void paint (juce::Graphics& g) override;

    zelk::ZelkProcessor& processor;
    int selectedLfo = 0;
    juce::String hint { "Drag a coloured LFO badge to any knob. Draw directly in the waveform." };

private:
    using SliderAttachment = juce::AudioProcessorValueTreeState::SliderAttachment;
    using ButtonAttachment = juce::AudioProcessorValueTreeState::ButtonAttachment;

    void configureKnob (int i);
    void attachKnob (int i);
    void detachKnobs();
    void configureButtons();
    void setShape (int shape);
    void refreshButtons();
    juce::String knobText (int i, double value) const;

    void paintHeadings (juce::Graphics& g);
    void paintKnobCaptions (juce::Graphics& g);
    void paintStatusLines (juce::Graphics& g);

    std::array<std::array<juce::RangedAudioParameter*, zelk::destinationCount>, zelk::lfoCount> routeParameters {};
    WaveEditor waveEditor;
    std::array<paperstyle::Knob, zelk::lfoControlCount> knobs;
    std::array<std::unique_ptr<SliderAttachment>, zelk::lfoControlCount> knobAttachments;
    std::array<std::unique_ptr<zelk::ZelkButton>, shapeCount> shapeButtons;
    zelk::ZelkButton syncButton { "SYNC" };
    std::unique_ptr<ButtonAttachment> syncAttachment;
    zelk::ZelkButton clearButton { "CLEAR ROUTES" };
    // Before the viewport, which shows it without owning it and so must go first.
    RouteGrid grid;
    juce::Viewport routeViewport;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (Panel)
};

} // namespace motionui
