#include "bench/EnginePatterns.h"
#include "core/ZelkProcessor.h"
#include "tests/helpers/HeadlessWindow.h"
#include "ui/editor/ZelkEditor.h"

#include <benchmark/benchmark.h>

using namespace zelk;

namespace
{
// The MOTION page open on a processor whose LFOs run and modulate each other and the controls,
// with a drawn shape on LFO 2: what a producer sees while shaping the motion.
struct MotionPage
{
    MotionPage()
    {
        bench::typicalPattern (processor);

        for (const auto& [id, depth] : { std::pair { "mod1_transpose", 25.0f }, { "mod2_pressure", -40.0f },
                                         { "mod3_lfo1_rate", 60.0f }, { "mod1_lfo2_shape", 12.5f },
                                         { "mod2_lfo2_phase", 30.0f }, { "mod3_lfo2_level", -75.0f },
                                         { "mod1_lfo2_rate", 20.0f } })
            processor.setParameterValue (id, depth);

        processor.setParameterValue ("lfo2_shape", 5.0f);

        for (int k = 0; k < lfoPointCount; ++k)
            processor.setParameterValue ("lfo2_point" + juce::String (k), (k % 3 - 1) * 0.7f);

        processor.prepareToPlay (bench::sampleRate, bench::blockSize);
        processor.playRequested = true;
        window.setSize (editor.getWidth(), editor.getHeight());
        window.addAndMakeVisible (editor);
        editor.showTab (motionPage);
        editor.motion().selectLfo (1);
        image = juce::Image (juce::Image::ARGB, editor.getWidth(), editor.getHeight(), true);
    }

    ~MotionPage() { window.removeChildComponent (&editor); }

    // A 30 Hz frame is about three blocks of 512 at 48 kHz.
    void playOneFrame()
    {
        for (int i = 0; i < 3; ++i)
        {
            midi.clear();
            processor.processBlock (audio, midi);
        }
    }

    // What the window's peer paints: the areas the repaints asked for, each with the window and
    // every child over it.
    void paintAskedFor()
    {
        juce::Graphics g (image);
        g.reduceClipRegion (window.repaintsAsked);
        window.paintEntireComponent (g, true);
        window.repaintsAsked.clear();
    }

    ZelkProcessor processor;
    zelk::test::HeadlessWindow window;
    ZelkEditor editor { processor };
    juce::Image image;
    juce::AudioBuffer<float> audio { 2, bench::blockSize };
    juce::MidiBuffer midi;
};
} // namespace

// One 30 Hz refresh of the MOTION page: the panel's refresh and the paint it asks for.
static void BM_MotionPageRefresh (benchmark::State& state)
{
    MotionPage page;
    page.paintAskedFor();

    for (auto _ : state)
    {
        state.PauseTiming();
        page.playOneFrame();
        state.ResumeTiming();

        page.editor.motion().refresh();
        page.paintAskedFor();
    }
}
BENCHMARK (BM_MotionPageRefresh)->Unit (benchmark::kMillisecond);

// The refresh alone: knob rings, texts, shape lights and the hover easing.
static void BM_MotionPanelRefreshOnly (benchmark::State& state)
{
    MotionPage page;

    for (auto _ : state)
    {
        page.editor.motion().refresh();
        page.window.repaintsAsked.clear();
    }
}
BENCHMARK (BM_MotionPanelRefreshOnly)->Unit (benchmark::kMicrosecond);

// The whole page, as after choosing another LFO.
static void BM_MotionPageWholePaint (benchmark::State& state)
{
    MotionPage page;

    for (auto _ : state)
    {
        page.editor.motion().repaint();
        page.paintAskedFor();
    }
}
BENCHMARK (BM_MotionPageWholePaint)->Unit (benchmark::kMillisecond);
