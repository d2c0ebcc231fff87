#include "tests/helpers/FixtureBundles.h"

namespace zelk::test
{
FixtureBundle::FixtureBundle (const juce::String& name)
{
    const juce::File built (ZELK_FIXTURE_BUNDLE);
    folder = juce::File::getSpecialLocation (juce::File::tempDirectory)
                 .getChildFile ("zelk-fixture-" + juce::Uuid().toString());
    folder.createDirectory();
    bundle = folder.getChildFile (name + ".vst3");
    built.copyDirectoryTo (bundle);

    // Hosts find the module inside the bundle by the bundle's own name.
    const auto binary = moduleBinary (bundle);
    binary.moveFileTo (binary.getSiblingFile (name + binary.getFileExtension()));
}

FixtureBundle::~FixtureBundle()
{
    folder.deleteRecursively();
}

juce::File FixtureBundle::moduleBinary (const juce::File& bundle)
{
    for (const auto& entry : juce::RangedDirectoryIterator (bundle.getChildFile ("Contents"), true, "*.so;*.vst3",
                                                            juce::File::findFiles))
        return entry.getFile();

    return {};
}

FixtureModuleFile::FixtureModuleFile (const juce::String& fileName)
{
    folder = juce::File::getSpecialLocation (juce::File::tempDirectory)
                 .getChildFile ("zelk-fixture-" + juce::Uuid().toString());
    folder.createDirectory();
    module = folder.getChildFile (fileName);
    FixtureBundle::moduleBinary (juce::File (ZELK_FIXTURE_BUNDLE)).copyFileTo (module);
}

FixtureModuleFile::~FixtureModuleFile()
{
    folder.deleteRecursively();
}

juce::String fixtureStateText (const juce::String& base64State)
{
    juce::MemoryBlock block;
    block.fromBase64Encoding (base64State);

    // JUCE's host wraps the VST 3 component's stream, which holds the instrument's own state.
    const auto host = juce::parseXML (juce::String::fromUTF8 (static_cast<const char*> (block.getData()) + 8,
                                                              (int) block.getSize() - 8));

    if (host == nullptr || host->getChildByName ("IComponent") == nullptr)
        return {};

    juce::MemoryBlock component;
    component.fromBase64Encoding (host->getChildByName ("IComponent")->getAllSubText());
    return component.toString();
}

juce::String restoredStateText (const juce::String& fixtureState)
{
    juce::MemoryBlock restored;
    restored.fromBase64Encoding (fixtureState.upToFirstOccurrenceOf ("\n", false, false).fromFirstOccurrenceOf ("restored ", false, false));
    return restored.toString();
}

} // namespace zelk::test
