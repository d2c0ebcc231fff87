#include "core/ModulationDestinations.h"
#include "core/ZelkProcessor.h"
#include "tools/Commands.h"
#include "tools/PatternFiles.h"

#include <iostream>

namespace zelk::cli
{
namespace
{
juce::String beats (double value) { return juce::String (value, 4).trimCharactersAtEnd ("0").trimCharactersAtEnd ("."); }
} // namespace

int info (const juce::StringArray& args)
{
    if (args.size() != 1)
    {
        printError ("info takes one MIDI file or Zelk state (see zelk --help)");
        return 2;
    }

    const auto file = argumentFile (args[0]);
    ZelkProcessor processor;
    const auto error = loadPattern (processor, file);

    if (error.isNotEmpty())
    {
        printError (file.getFullPathName() + ": " + error);
        return 1;
    }

    int count = 0;
    std::cout << "slot  name   start      length     velocity  next  vibrato\n";

    for (int slot = 0; slot < slotCount; ++slot)
    {
        const auto note = processor.readNote (slot);

        if (! note.on)
            continue;

        ++count;
        const auto name = juce::MidiMessage::getMidiNoteName (note.pitch, true, true, 4);
        std::cout << juce::String (slot + 1).paddedRight (' ', 6) << name.paddedRight (' ', 7)
                  << beats (note.start).paddedRight (' ', 11) << beats (note.duration).paddedRight (' ', 11)
                  << juce::String ((int) note.velocity).paddedRight (' ', 10)
                  << (note.next >= 0 ? juce::String (note.next + 1) : juce::String ("-")).paddedRight (' ', 6)
                  << (note.vibOn ? juce::String (note.vibDepth, 2) + " st x " + beats (note.vibCycles) : juce::String ("-"))
                  << "\n";
    }

    const auto looping = isSwitchOn (processor.raw().looping);
    const auto selection = isSwitchOn (processor.raw().rangeEnabled);
    std::cout << count << " notes\n"
              << "loop: " << (looping ? "on" : "off")
              << ", time selection " << beats (processor.raw().rangeStart->load()) << " to "
              << beats (processor.raw().rangeEnd->load()) << (selection ? "" : " (disabled)") << "\n"
              << "output: " << describeOutputOptions (processor.outputOptions()) << "\n";

    juce::StringArray controls;

    for (int d = 0; d < globalControlCount; ++d)
        controls.add (destinationId (d) + " " + beats (processor.raw().destinations[(size_t) d]->load()));

    std::cout << "controls: " << controls.joinIntoString (", ") << "\n";

    // Only the routes that modulate anything: a depth that rounds to 0 is no route.
    for (int lfo = 0; lfo < lfoCount; ++lfo)
        for (int d = 0; d < destinationCount; ++d)
            if (const auto depth = processor.raw().routes[(size_t) lfo][(size_t) d]->load(); std::abs (depth) >= 0.005f)
                std::cout << "route " << routeParameterId (lfo, d) << " " << beats (depth) << "\n";

    return 0;
}

} // namespace zelk::cli
