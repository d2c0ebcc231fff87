#include "hosting/PluginInspection.h"
#include "tools/Commands.h"

#include <iostream>

namespace zelk::cli
{
int inspect (const juce::StringArray& args)
{
    if (args.size() != 1)
    {
        printError ("inspect takes one VST 3 bundle (see zelk --help)");
        return 2;
    }

    auto inspection = openVst3Plugin (juce::File::getCurrentWorkingDirectory().getChildFile (args[0]));

    if (! inspection.ok())
    {
        printError (inspection.error);
        return 1;
    }

    const auto& description = inspection.description;
    auto parameters = inspection.instance->getParameters();
    const auto total = parameters.size();

    // VST 3 hosts expect a bypass parameter; JUCE's wrapper appends one when a plug-in has none.
    auto* bypass = inspection.instance->getBypassParameter();
    parameters.removeFirstMatchingValue (bypass);

    std::cout << "name:       " << description.name << "\n"
              << "vendor:     " << description.manufacturerName << "\n"
              << "version:    " << description.version << "\n"
              << "category:   " << description.category << "\n"
              << "instrument: " << (description.isInstrument ? "yes" : "no") << "\n"
              << "parameters: " << total;

    if (bypass != nullptr && parameters.size() != total)
        std::cout << " (" << parameters.size() << " of its own, then the wrapper's \"" << bypass->getName (100) << "\")";

    std::cout << "\n";

    if (! parameters.isEmpty())
        std::cout << "first:      " << parameters.getFirst()->getName (100) << "\n"
                  << "last:       " << parameters.getLast()->getName (100) << "\n";

    std::cout << std::flush;
    return 0;
}

} // namespace zelk::cli
