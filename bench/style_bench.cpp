#include "core/ZelkProcessor.h"
#include "ui/style/Knob.h"
#include "ui/style/Look.h"

#include <benchmark/benchmark.h>

#include <array>
#include <memory>

using namespace zelk;

namespace
{
// A knob card of the CONTROLS page at the default window width.
constexpr int knobWidth = 188;
constexpr int knobHeight = 190;

void configure (paperstyle::Knob& knob)
{
    knob.setSliderStyle (juce::Slider::RotaryHorizontalVerticalDrag);
    knob.setTextBoxStyle (juce::Slider::TextBoxBelow, false, 110, 26);
    knob.getProperties().set ("primary", false);
    knob.setSize (knobWidth, knobHeight);
}

void paintInto (juce::Image& image, paperstyle::Knob& knob)
{
    juce::Graphics g (image);
    knob.paintEntireComponent (g, false);
}

void paintKnobWithThreeRings (benchmark::State& state)
{
    paperstyle::Look look;
    paperstyle::Knob knob;
    knob.setLookAndFeel (&look);
    configure (knob);
    knob.setRange (0.0, 100.0);
    knob.setValue (60.0);
    knob.routeDepth = { 25.0f, -40.0f, 70.0f };
    knob.livePosition = 0.72f;
    knob.hoverAmount = 0.5f;
    juce::Image image (juce::Image::ARGB, knobWidth, knobHeight, true);

    for (auto _ : state)
    {
        paintInto (image, knob);
        benchmark::ClobberMemory();
    }

    knob.setLookAndFeel (nullptr);
}
BENCHMARK (paintKnobWithThreeRings)->Unit (benchmark::kMicrosecond);

// One tick of the editor's 30 Hz timer on the CONTROLS page: each knob reads its routes and the
// live value, then is painted as the repaint it asks for would paint it.
void refreshFiveKnobs (benchmark::State& state)
{
    ZelkProcessor processor;
    paperstyle::Look look;
    std::array<std::unique_ptr<paperstyle::Knob>, 5> knobs;
    std::array<std::unique_ptr<juce::SliderParameterAttachment>, 5> attachments;
    std::array<juce::Image, 5> images;
    auto& tree = processor.parameterTree();

    for (int k = 0; k < 5; ++k)
    {
        const auto destination = k + 1;
        auto& knob = *(knobs[(size_t) k] = std::make_unique<paperstyle::Knob>());
        knob.setLookAndFeel (&look);
        configure (knob);
        knob.routeParameter = [&tree, destination] (int lfo)
        { return tree.getParameter (routeParameterId (lfo, destination)); };
        attachments[(size_t) k] = std::make_unique<juce::SliderParameterAttachment> (
            *tree.getParameter (destinationId (destination)), knob);
        images[(size_t) k] = juce::Image (juce::Image::ARGB, knobWidth, knobHeight, true);

        // Three rings on the first two knobs, two on the next two, none on the last.
        for (int lfo = 0; lfo < 3; ++lfo)
        {
            auto* route = tree.getParameter (routeParameterId (lfo, destination));

            if (lfo < 3 - k / 2 && k < 4)
                route->setValueNotifyingHost (0.5f + 0.1f * (float) (lfo + 1));
        }
    }

    for (auto _ : state)
    {
        for (int k = 0; k < 5; ++k)
        {
            paperstyle::refreshKnobModulation (*knobs[(size_t) k], k + 1, processor);
            paintInto (images[(size_t) k], *knobs[(size_t) k]);
        }

        benchmark::ClobberMemory();
    }

    for (auto& knob : knobs)
        knob->setLookAndFeel (nullptr);
}
BENCHMARK (refreshFiveKnobs)->Unit (benchmark::kMicrosecond);
} // namespace
