// zelk: Zelk without a DAW.
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
    "  smoke BUNDLE     load a built Zelk as a host does, check what it shows, plays and saves\n"
    "  --help           show this text\n";
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

    const juce::ScopedJuceInitialiser_GUI juce;
    const auto command = args[0];
    args.remove (0);

    if (command == "inspect")
        return zelk::cli::inspect (args);

    if (command == "smoke")
        return zelk::cli::smoke (args);

    zelk::cli::printError ("unknown command '" + command + "' (see zelk --help)");
    return 2;
}
