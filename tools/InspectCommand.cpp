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
    const auto& parameters = inspection.instance->getParameters();

    std::cout << "name:       " << description.name << "\n"
              << "vendor:     " << description.manufacturerName << "\n"
              << "version:    " << description.version << "\n"
              << "category:   " << description.category << "\n"
              << "instrument: " << (description.isInstrument ? "yes" : "no") << "\n"
              << "parameters: " << parameters.size() << "\n";

    if (! parameters.isEmpty())
        std::cout << "first:      " << parameters.getFirst()->getName (100) << "\n"
                  << "last:       " << parameters.getLast()->getName (100) << "\n";

    std::cout << std::flush;
    return 0;
}

} // namespace zelk::cli
