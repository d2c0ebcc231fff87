// zelk: Zelk without a DAW.
#include "core/Platform.h"
#include "tools/Commands.h"

#include <juce_events/juce_events.h>

#include <iostream>

namespace
{
const char* usage =
    "usage: zelk COMMAND ARGS...\n"
    "\n"
    "commands:\n"
    "  inspect BUNDLE   load a VST 3 plug-in as a host does and print what the host sees\n"
    "  info IN          list the notes, the loop, the output options, the controls and the modulation\n"
    "                   routes of a MIDI file or a saved Zelk state\n"
    "  export IN OUT [--bend-range N] [--channels N] [--zone lower|upper] [--no-configuration]\n"
    "           [--poly-pressure]\n"
    "                   write one loop of IN as an MPE MIDI file (120 BPM), as EXPORT MIDI does, with\n"
    "                   the output options of IN, changed by those given: the member channels' bend\n"
    "                   range (1 to 96), how many member channels (1 to 15), the zone, no MPE\n"
    "                   configuration message, pressure as polyphonic aftertouch\n"
    "  capture IN.mid OUT.xml [--no-dejitter] [--no-glides] [--no-vibrato] [--snap-drift CENTS]\n"
    "                   turn a played performance (MPE or one channel) into a Zelk state, as CAPTURE\n"
    "                   does: bends, pressure and timbre as curves, slides as connected notes with\n"
    "                   glides, swings as vibrato; --snap-drift sets held pitches within CENTS of\n"
    "                   their key to the key; prints what it found\n"
    "  render IN OUT    render one loop of IN through the listen synth to a 48 kHz 24-bit WAV file\n"
    "  demo DIR         write a demonstration pattern as DIR/demo-state.xml, demo.mid and demo.wav\n"
    "  smoke BUNDLE     load a built Zelk as a host does, check what it shows, plays and saves\n"
    "  snapshot IN OUT.png [--theme light|dark|vintage] [--show glide|box|vibrato]...\n"
    "           [--editor] [--page PAGE]\n"
    "                   draw the piano roll of IN, as the editor shows it, to a 1216 x 658 PNG file;\n"
    "                   --show selects the first glide, drags a box or opens the first vibrato panel;\n"
    "                   --editor draws the whole 1280 x 880 window instead, on PAGE: piano-roll (the\n"
    "                   default), controls, motion or instrument\n"
    "  host-editor BUNDLE [--screenshot PNG] [--state XML] [--stroke]\n"
    "                   open a built Zelk's editor in a window as a VST 3 host embeds it, and check\n"
    "                   its size, resizes, closing, opening again and unloading with it open;\n"
    "                   --stroke draws a note through it with the real pointer and checks the state\n"
    "  host-capture BUNDLE [--screenshots DIR]\n"
    "                   open a built Zelk's editor as a VST 3 host embeds it, click CAPTURE with the\n"
    "                   real pointer, play an MPE performance into it and check the saved state\n"
    "  --help           show this text\n"
    "\n"
    "IN is a Standard MIDI File or a saved Zelk state (the XML document the plug-in saves).\n";
}

namespace zelk::cli
{
void printError (const juce::String& line)
{
    std::cerr << "zelk: " << line << std::endl;
}
} // namespace zelk::cli

int main (int argc, char* argv[])
{
    juce::StringArray args;

    for (int i = 1; i < argc; ++i)
        args.add (juce::CharPointer_UTF8 (argv[i]));

    if (args.isEmpty() || args[0] == "--help" || args[0] == "-h" || args[0] == "help")
    {
        std::cout << usage;
        return args.isEmpty() ? 2 : 0;
    }

    const auto command = args[0];

    // Only host-editor and host-capture open windows; every other command paints, if at all,
    // without a screen.
    if (command != "host-editor" && command != "host-capture")
        zelk::platform::stayOffUnnamedDisplays();

    const juce::ScopedJuceInitialiser_GUI juce;
    args.remove (0);

    if (command == "inspect")
        return zelk::cli::inspect (args);

    if (command == "info")
        return zelk::cli::info (args);

    if (command == "export")
        return zelk::cli::exportMidi (args);

    if (command == "capture")
        return zelk::cli::capture (args);

    if (command == "render")
        return zelk::cli::render (args);

    if (command == "demo")
        return zelk::cli::demo (args);

    if (command == "smoke")
        return zelk::cli::smoke (args);

    if (command == "snapshot")
        return zelk::cli::snapshot (args);

    if (command == "host-editor")
        return zelk::cli::hostEditor (args);

    if (command == "host-capture")
        return zelk::cli::hostCapture (args);

    zelk::cli::printError ("unknown command '" + command + "' (see zelk --help)");
    return 2;
}
