// The long soak, with the figures for a note: by default two hours of music, so that the half at
// 48 kHz alone has over 300,000 blocks of 512 besides its runs of random sizes.
//   zelk_soak [--seconds S] [--seed N]
#include "tests/helpers/Soak.h"

#include <juce_events/juce_events.h>

#include <ctime>
#include <iostream>

namespace
{
juce::String figures (const zelk::test::SoakReport& r, double wallSeconds)
{
    const auto cpuSeconds = (double) std::clock() / CLOCKS_PER_SEC;
    juce::String s;
    s << juce::String (r.musicSeconds, 1) << " s of music in " << r.blocks << " blocks (" << r.blocksOf512 << " of 512, " << r.blocksOf512AtFirstRate
      << " of them at the first rate), "
      << juce::String (wallSeconds, 1) << " s: " << (juce::int64) (r.blocks / juce::jmax (wallSeconds, 1.0e-3))
      << " blocks/s, " << juce::String (r.musicSeconds / juce::jmax (wallSeconds, 1.0e-3), 1) << "x real time ("
      << juce::String (cpuSeconds, 1) << " s of processor time: " << (juce::int64) (r.blocks / juce::jmax (cpuSeconds, 1.0e-3))
      << " blocks/s)";
    return s;
}
} // namespace

int main (int argc, char** argv)
{
    const juce::ScopedJuceInitialiser_GUI juce;
    zelk::test::SoakSettings settings;
    settings.seconds = 7400.0;
    const juce::StringArray args (argv + 1, argc - 1);

    for (int i = 0; i + 1 < args.size(); ++i)
    {
        if (args[i] == "--seconds")
            settings.seconds = args[i + 1].getDoubleValue();
        else if (args[i] == "--seed")
            settings.seed = args[i + 1].getLargeIntValue();
    }

    std::cout << "soak: seed " << settings.seed << ", " << settings.seconds << " s of music, "
              << settings.firstRate << " Hz then " << settings.secondRate << " Hz" << std::endl;

    const auto started = juce::Time::getMillisecondCounterHiRes();
    const auto elapsed = [started] { return (juce::Time::getMillisecondCounterHiRes() - started) / 1000.0; };

    const auto report = zelk::test::runSoak (settings, [&] (const zelk::test::SoakReport& r)
    {
        std::cout << "  " << figures (r, elapsed()) << ", " << r.failures << " failures" << std::endl;
    });

    std::cout << "soak: " << figures (report, elapsed()) << std::endl
              << "soak: " << report.midiMessages << " MIDI messages, " << report.noteOns << " note-ons; "
              << report.automations << " automated values, " << report.jumps << " jumps, " << report.loopChanges
              << " loop changes, " << report.stops << " stops, " << report.auditions << " auditions, "
              << report.reloads << " state reloads" << std::endl
              << "soak: " << report.allocations << " allocations in processBlock, " << report.failures << " failures"
              << std::endl;

    for (const auto& failure : report.firstFailures)
        std::cout << "  " << failure << std::endl;

    return report.failures == 0 && report.allocations == 0 ? 0 : 1;
}
