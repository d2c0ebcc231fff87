// zelk capture: a played performance in a Standard MIDI File, turned into a Zelk state as CAPTURE
// would turn it into the pattern.
#include "core/ZelkProcessor.h"
#include "midi/CapturedPattern.h"
#include "midi/PerformanceCapture.h"
#include "tools/Commands.h"
#include "tools/PatternFiles.h"

#include <iostream>

namespace zelk::cli
{
namespace
{
struct Arguments
{
    juce::File in, out;
    CaptureOptions options;
};

// The options, each checked; false with the reason in `problem`.
bool parse (const juce::StringArray& args, Arguments& parsed, juce::String& problem)
{
    juce::StringArray files;

    for (int i = 0; i < args.size(); ++i)
    {
        const auto& arg = args[i];

        if (arg == "--no-dejitter")
            parsed.options.dejitter = false;
        else if (arg == "--no-glides")
            parsed.options.glides = false;
        else if (arg == "--no-vibrato")
            parsed.options.vibrato = false;
        else if (arg == "--snap-drift")
        {
            const auto value = i + 1 < args.size() ? args[i + 1] : juce::String();
            const auto cents = value.getDoubleValue();

            if (value.isEmpty() || !value.containsOnly ("0123456789.") || cents <= 0.0 || cents > 100.0)
            {
                problem = "--snap-drift takes a number of cents above 0 and at most 100";
                return false;
            }

            parsed.options.snapDriftCents = cents;
            ++i;
        }
        else if (arg.startsWith ("--"))
        {
            problem = "unknown option " + arg + " (see zelk --help)";
            return false;
        }
        else
        {
            files.add (arg);
        }
    }

    if (files.size() != 2)
    {
        problem = "capture takes a MIDI file and the state to write (see zelk --help)";
        return false;
    }

    parsed.in = argumentFile (files[0]);
    parsed.out = argumentFile (files[1]);
    return true;
}

void printReport (const CaptureReport& r)
{
    std::cout << "notes: " << r.notesKept;

    if (r.notesFound > r.notesKept)
        std::cout << " of " << r.notesFound;

    std::cout << " (" << r.layout << ")\n"
              << "bend ranges: " << r.bendRanges
              << (r.masterRange.isNotEmpty() ? ", master " + r.masterRange : juce::String()) << "\n"
              << "glides made: " << r.glidesMade << "\n"
              << "vibratos lifted: " << r.vibratosLifted << "\n"
              << "notes clamped: " << r.notesClamped << ", dropped: " << r.notesDropped
              << ", held to the end: " << r.heldToEnd << "\n";

    for (const auto& hint : r.hints)
        std::cout << hint << "\n";
}
} // namespace

int capture (const juce::StringArray& args)
{
    Arguments parsed;
    juce::String problem;

    if (!parse (args, parsed, problem))
    {
        printError (problem);
        return 2;
    }

    ZelkProcessor processor;
    auto options = parsed.options;
    options.bendDepth = captureOptionsFor (processor).bendDepth;
    const auto result = captureMidiFile (parsed.in, options);

    if (!result.ok())
    {
        printError (parsed.in.getFullPathName() + ": " + result.error);
        return 1;
    }

    writeCapture (processor, result, CaptureSource::file);
    processor.stopRequested = false; // nothing sounds in a processor of its own

    printReport (result.report);

    if (!saveStateXml (processor, parsed.out))
    {
        printError (parsed.out.getFullPathName() + ": cannot be written");
        return 1;
    }

    std::cout << "wrote " << parsed.out.getFullPathName() << "\n";
    return 0;
}

} // namespace zelk::cli
