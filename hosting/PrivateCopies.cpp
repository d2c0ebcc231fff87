#include "hosting/PrivateCopies.h"

#include "core/Platform.h"

#include <juce_events/juce_events.h>

#include <algorithm>
#include <vector>

namespace zelk
{
namespace
{
const char* const privateFolderPrefix = "Tamsel-Vital-";

bool mayDelete (const PrivateCopy& copy)
{
    return copy.folder.getFullPathName().isNotEmpty() && copy.folder.isAChildOf (platform::temporaryFolder())
        && copy.folder.getFileName().startsWith (privateFolderPrefix);
}

// Returns true when nothing of the copy is left.
bool deleteNow (const PrivateCopy& copy)
{
    if (copy.module.getParentDirectory() == copy.folder)
        copy.module.deleteFile();

    copy.folder.deleteFile();
    return ! copy.folder.exists();
}

// JUCE deletes these objects in the reverse order of their making, so one made before JUCE's
// hosting keeps its modules is deleted after the hosting has closed them.
class LeftoverCopies : public juce::DeletedAtShutdown
{
public:
    ~LeftoverCopies() override
    {
        retry();
        clearSingletonInstance();
    }

    void add (const PrivateCopy& copy) { copies.push_back (copy); }

    void retry()
    {
        copies.erase (std::remove_if (copies.begin(), copies.end(), deleteNow), copies.end());
    }

    juce::Array<juce::File> folders() const
    {
        juce::Array<juce::File> result;

        for (const auto& copy : copies)
            result.add (copy.folder);

        return result;
    }

    JUCE_DECLARE_SINGLETON_SINGLETHREADED_MINIMAL (LeftoverCopies)

private:
    std::vector<PrivateCopy> copies;
};

JUCE_IMPLEMENT_SINGLETON (LeftoverCopies)
} // namespace

std::unique_ptr<PrivateCopy> makePrivateVitalCopy (const juce::File& file, bool& ok)
{
    auto copy = std::make_unique<PrivateCopy>();
    const auto id = juce::Uuid().toString().toLowerCase().retainCharacters ("0123456789abcdef");
    copy->folder = platform::temporaryFolder().getChildFile (privateFolderPrefix + id);
    copy->module = copy->folder.getChildFile ("Vital.vst3");
    ok = copy->folder.createDirectory().wasOk() && file.copyFileTo (copy->module);
    return copy;
}

void deletePrivateCopy (const std::unique_ptr<PrivateCopy>& copy)
{
    auto* leftovers = LeftoverCopies::getInstance();
    leftovers->retry();

    if (copy == nullptr || ! mayDelete (*copy))
        return;

    if (! deleteNow (*copy))
        leftovers->add (*copy);
}

juce::Array<juce::File> leftoverPrivateCopies()
{
    return LeftoverCopies::getInstance()->folders();
}

void prepareLeftoverPrivateCopies()
{
    LeftoverCopies::getInstance();
}

} // namespace zelk
