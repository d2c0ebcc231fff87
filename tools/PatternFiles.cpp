#include "tools/PatternFiles.h"

#include "core/Utf8.h"
#include "core/ZelkProcessor.h"
#include "midi/MidiImport.h"

namespace zelk::cli
{
namespace
{
constexpr juce::uint32 stateMagic = 0x21324356;

juce::String loadState (ZelkProcessor& processor, const juce::MemoryBlock& bytes)
{
    juce::MemoryBlock block;
    const auto* data = static_cast<const char*> (bytes.getData());

    if (bytes.getSize() >= 8 && juce::ByteOrder::littleEndianInt (data) == stateMagic)
    {
        block = bytes;
    }
    else
    {
        // The same text the plug-in would take: well-formed, checked before JUCE walks it (a
        // damaged character takes its string functions past the end), and no processing
        // instruction after the declaration, which sends JUCE's XML reader into a loop without end.
        if (! isWellFormedUtf8 (bytes.getData(), bytes.getSize())
            || ! holdsOnlyCharacterReferences (static_cast<const char*> (bytes.getData()), bytes.getSize()))
            return "not a MIDI file or a Zelk state";

        const auto text = bytes.toString();
        const auto afterDeclaration = text.startsWith ("<?xml") ? text.fromFirstOccurrenceOf ("?>", false, false) : text;
        const auto xml = afterDeclaration.contains ("<?") ? nullptr : juce::parseXML (text);

        if (xml == nullptr)
            return "not a MIDI file or a Zelk state";

        // The Standalone application's settings file keeps the state block in Base64.
        if (xml->hasTagName ("PROPERTIES"))
        {
            for (auto* value : xml->getChildWithTagNameIterator ("VALUE"))
                if (value->getStringAttribute ("name") == "filterState")
                    if (block.fromBase64Encoding (value->getStringAttribute ("val")))
                        return loadState (processor, block);

            return "a settings file without a Zelk state";
        }

        if (! xml->hasTagName ("TamselState"))
            return "not a Zelk state (root element " + xml->getTagName() + ")";

        juce::AudioProcessor::copyXmlToBinary (*xml, block);
    }

    processor.stateReloaded = false;
    processor.setStateInformation (block.getData(), (int) block.getSize());
    return processor.stateReloaded.load() ? juce::String() : "not a readable Zelk state";
}
} // namespace

juce::File argumentFile (const juce::String& argument)
{
    return juce::File::getCurrentWorkingDirectory().getChildFile (argument);
}

juce::String loadPattern (ZelkProcessor& processor, const juce::File& file)
{
    if (file.isDirectory())
        return "is a folder";

    juce::MemoryBlock bytes;

    if (! file.existsAsFile() || ! file.loadFileAsData (bytes))
        return "cannot be read";

    return loadPatternData (processor, bytes);
}

juce::String loadPatternData (ZelkProcessor& processor, const juce::MemoryBlock& bytes)
{
    if (bytes.getSize() >= 4 && std::memcmp (bytes.getData(), "MThd", 4) == 0)
    {
        juce::MemoryInputStream stream (bytes, false);
        const auto result = readMidiNotes (stream);

        if (! result.ok())
            return result.error;

        importIntoPattern (processor, result);
        processor.stopRequested = false; // nothing sounds yet in a fresh processor
        return {};
    }

    return loadState (processor, bytes);
}

bool saveStateXml (ZelkProcessor& processor, const juce::File& file)
{
    juce::MemoryBlock block;
    processor.getStateInformation (block);
    const auto xml = juce::AudioProcessor::getXmlFromBinary (block.getData(), (int) block.getSize());

    if (xml == nullptr)
        return false;

    juce::MemoryBlock text;
    {
        juce::MemoryOutputStream out (text, false);
        xml->writeTo (out);
    }

    // Write beside the target first so a failed write never leaves half a file.
    juce::TemporaryFile temporary (file);
    return temporary.getFile().replaceWithData (text.getData(), text.getSize()) && temporary.overwriteTargetFileWithTemporary();
}

} // namespace zelk::cli
