#pragma once

#include "core/ModulationDestinations.h"

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
// The modulation matrix: one depth slider for each LFO and each destination that has a control
// (bend depth has none). Every value is the route parameter itself, through the attachments.
class RouteGrid : public juce::Component
{
public:
    static constexpr int firstRow = 1; // the destination of the first row
    static constexpr int rowCount = zelk::destinationCount - firstRow;
    static constexpr int sliderCount = rowCount * zelk::lfoCount;
    static constexpr int rowHeight = 31;
    static constexpr int gridWidth = 390;

    explicit RouteGrid (zelk::ZelkProcessor& processor);
    ~RouteGrid() override;

    // The slider of the route from an LFO to a destination (1..20).
    juce::Slider& slider (int lfo, int destination) noexcept;
    // The top of a destination's row.
    static int rowTop (int destination) noexcept { return rowHeight * (destination - firstRow); }

    void resized() override;
    void paint (juce::Graphics& g) override;

private:
    using Attachment = juce::AudioProcessorValueTreeState::SliderAttachment;

    void configure (juce::Slider& slider, int lfo, int destination);

    zelk::ZelkProcessor& processor;
    std::array<juce::Slider, sliderCount> sliders;
    std::array<std::unique_ptr<Attachment>, sliderCount> attachments;
    juce::Font labelFont { "Segoe UI", 13.2f, juce::Font::plain };

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (RouteGrid)
};

} // namespace motionui
