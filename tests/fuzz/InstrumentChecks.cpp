#include "tests/fuzz/FuzzChecks.h"
#include "tests/fuzz/FuzzWorld.h"
#include "tests/fuzz/StubInstrument.h"

#include "core/Platform.h"
#include "core/Utf8.h"

#include <cstring>

namespace zelk::fuzz
{
namespace
{
juce::StringArray privateFolders()
{
    juce::StringArray names;

    for (const auto& folder : platform::temporaryFolder().findChildFiles (juce::File::findDirectories, false, "Tamsel-Vital-*"))
        names.add (folder.getFileName());

    return names;
}

// Private folders made since `before` that are still there. The temporary folder is shared with
// every other test process, and one of those may hold a copy of its own for a moment: a folder
// only counts as left behind if it is still there five seconds later.
bool privateFolderLeftBehind (const juce::StringArray& before)
{
    for (int attempt = 0;; ++attempt)
    {
        auto left = false;

        for (const auto& name : privateFolders())
            left = left || ! before.contains (name);

        if (! left)
            return false;

        if (attempt == 100)
            return true;

        juce::Thread::sleep (50);
    }
}

// JUCE's own comparison hands an empty block's null pointer to memcmp, which UBSan reports.
bool sameBytes (const juce::MemoryBlock& a, const juce::MemoryBlock& b)
{
    return a.getSize() == b.getSize() && (a.getSize() == 0 || std::memcmp (a.getData(), b.getData(), a.getSize()) == 0);
}

juce::ValueTree elementFrom (const uint8_t* data, size_t size)
{
    const auto text = juce::String::fromUTF8 (reinterpret_cast<const char*> (data), (int) size);
    auto path = text.upToFirstOccurrenceOf ("\n", false, false);
    const auto state = text.fromFirstOccurrenceOf ("\n", false, false);

    if (path.startsWith ("~T/"))
        path = standInFolder().getFullPathName() + path.substring (2);

    juce::ValueTree element (HostedInstrument::elementType);
    element.setProperty (HostedInstrument::pathProperty, path, nullptr);
    element.setProperty (HostedInstrument::stateProperty, state, nullptr);
    return element;
}

juce::String checkLoaded (HostedInstrument& instrument, const juce::ValueTree& element)
{
    const auto path = element.getProperty (HostedInstrument::pathProperty).toString();
    const auto stateText = element.getProperty (HostedInstrument::stateProperty).toString();

    if (instrument.instrumentPath() != juce::File (path).getFullPathName())
        return "loaded, but the path it keeps is " + instrument.instrumentPath();

    // It loaded, so the text was fit to decode.
    juce::MemoryBlock expected;
    expected.fromBase64Encoding (stateText);
    const auto standIn = latestStandIn();

    if (standIn.stateGiven != (expected.getSize() > 0) || (standIn.stateGiven && ! sameBytes (standIn.state, expected)))
        return "loaded, but the instance was not given the element's state";

    if (! standIn.stateGiven && instrument.instrumentName().contains ("Vital") && ! standIn.vitalDefaultsApplied)
        return "a fresh Vital was loaded without its MPE set-up";

    // The next save carries what the instance now holds, and that loads back to the same bytes.
    const auto saved = instrument.savedStateElement();
    juce::MemoryBlock savedState;

    if (! saved.isValid() || saved.getProperty (HostedInstrument::pathProperty).toString() != instrument.instrumentPath()
        || ! savedState.fromBase64Encoding (saved.getProperty (HostedInstrument::stateProperty).toString())
        || ! sameBytes (savedState, standIn.state))
        return "the saved element does not carry the loaded instrument's path and state";

    const auto copy = instrument.privateModule();

    if (copy != juce::File() && (! copy.existsAsFile() || ! copy.isAChildOf (platform::temporaryFolder())))
        return "the private copy of the module is missing or outside the temporary folder";

    return {};
}
} // namespace

juce::String checkInstrumentElement (const uint8_t* data, size_t size)
{
    // An element's texts come from a state's XML, which is well-formed UTF-8 once it unwraps.
    if (! isWellFormedUtf8 (data, size))
        return {};

    auto& processor = world().target;
    auto& instrument = processor.hostedInstrument();
    forgetInstrument (processor);
    forgetStandIns();
    dispatchPendingMessages();

    const auto foldersBefore = privateFolders();
    const auto element = elementFrom (data, size);
    instrument.restoreFromState (element);

    if (! instrument.instrumentLoading.load() || ! element.isEquivalentTo (instrument.savedStateElement()))
        return "a restored element is not waiting to load, or would not be saved unchanged";

    dispatchPendingMessages();
    juce::String problem;

    if (instrument.instrumentLoading.load())
    {
        if (instrument.instrumentActive.load() || ! element.isEquivalentTo (instrument.savedStateElement()))
            problem = "an element that failed to load changed, or left an instrument playing";
        else if (instrument.statusText().isEmpty())
            problem = "an element that failed to load left no message";
    }
    else if (! instrument.instrumentActive.load())
    {
        problem = "an element was neither loaded nor kept waiting";
    }
    else
    {
        problem = checkLoaded (instrument, element);
    }

    const auto copy = instrument.privateModule();
    forgetInstrument (processor);

    if (problem.isEmpty() && (copy.exists() || privateFolderLeftBehind (foldersBefore)))
        problem = "unloading left a private copy of the module behind";

    if (problem.isEmpty() && (instrument.hasInstance() || instrument.savedStateElement().isValid()))
        problem = "unloading left an instrument or an element behind";

    return problem;
}

} // namespace zelk::fuzz
