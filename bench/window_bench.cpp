// How long a user waits for a window: from the host's createView to the embedded editor's first
// frame on the screen, and from starting the Standalone to its first painted frame. Both need a
// display; run them under tests/real_windows/with-xvfb.sh. A frame counts as painted when the
// screen shows something other than the black of an unpainted window over most of it.
#include "core/Platform.h"
#include "hosting/PluginInspection.h"
#include "tools/RealWindows.h"

#include <benchmark/benchmark.h>

using namespace zelk;

namespace
{
bool noDisplay (benchmark::State& state)
{
    const auto problem = platform::windowSystemProblem();

    if (problem.isNotEmpty())
        state.SkipWithError ((problem + " (run under tests/real_windows/with-xvfb.sh)").toRawUTF8());

    return problem.isNotEmpty();
}

void embeddedEditorFirstPaint (benchmark::State& state)
{
    if (noDisplay (state))
        return;

    auto plugin = openVst3Plugin (juce::File (ZELK_VST3_BUNDLE));

    if (! plugin.ok())
    {
        state.SkipWithError (plugin.error.toRawUTF8());
        return;
    }

    for (auto _ : state)
    {
        const auto started = juce::Time::getMillisecondCounterHiRes();
        std::unique_ptr<juce::AudioProcessorEditor> editor (plugin.instance->createEditor());
        juce::DocumentWindow window ("Zelk (embedded)", juce::Colours::black, 0);
        window.setUsingNativeTitleBar (true);
        window.setContentNonOwned (editor.get(), true);
        window.setVisible (true);

        const auto painted = [&] { return realwindows::paintedShare (realwindows::capture (window)) > 0.9; };

        if (! realwindows::dispatchUntil (painted, 10000.0, 1))
        {
            state.SkipWithError ("the embedded editor never painted");
            break;
        }

        state.SetIterationTime ((juce::Time::getMillisecondCounterHiRes() - started) / 1000.0);
        window.clearContentComponent();
        editor.reset();
        juce::MessageManager::getInstance()->runDispatchLoopUntil (50);
    }
}
BENCHMARK (embeddedEditorFirstPaint)->UseManualTime()->Unit (benchmark::kMillisecond)->Iterations (10);

void standaloneFirstPaint (benchmark::State& state)
{
    if (noDisplay (state))
        return;

    for (auto _ : state)
    {
        juce::ChildProcess app;
        const auto started = juce::Time::getMillisecondCounterHiRes();

        if (! app.start (juce::String (ZELK_STANDALONE_APP), 0))
        {
            state.SkipWithError ("the Standalone did not start");
            break;
        }

        const auto painted = realwindows::dispatchUntil ([]
        {
            const auto area = realwindows::findShowingWindow ("Zelk");
            return ! area.isEmpty() && realwindows::paintedShare (realwindows::captureScreenArea (area)) > 0.9;
        }, 10000.0, 1);

        const auto elapsed = juce::Time::getMillisecondCounterHiRes() - started;
        app.kill();
        juce::MessageManager::getInstance()->runDispatchLoopUntil (100);

        if (! painted)
        {
            state.SkipWithError ("the Standalone's window never painted");
            break;
        }

        state.SetIterationTime (elapsed / 1000.0);
    }
}
BENCHMARK (standaloneFirstPaint)->UseManualTime()->Unit (benchmark::kMillisecond)->Iterations (5);
} // namespace
