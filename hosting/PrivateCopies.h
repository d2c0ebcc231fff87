#pragma once

#include <juce_core/juce_core.h>

#include <memory>

namespace zelk
{
// A hosted module copied into a folder of its own in the temporary folder, so that the user's file
// is never the one held open.
struct PrivateCopy
{
    juce::File folder, module;
};

// Copies `file` to a new "Tamsel-Vital-" folder as "Vital.vst3"; `ok` tells whether it worked. The
// record is returned either way, so that a half-made copy can be deleted.
std::unique_ptr<PrivateCopy> makePrivateVitalCopy (const juce::File& file, bool& ok);

// Deletes the copy's module, then its folder: only a "Tamsel-Vital-" folder in the temporary folder,
// never recursively. JUCE's VST 3 hosting keeps every module it opened loaded until JUCE shuts
// down, and Windows cannot delete a loaded module; what cannot be deleted now is tried again with
// every later deletion and, last, when JUCE shuts down, after its hosting has let go of the modules.
void deletePrivateCopy (const std::unique_ptr<PrivateCopy>& copy);

// The copies still waiting to be deleted.
juce::Array<juce::File> leftoverPrivateCopies();

// Must run before the first module is opened, so that the last try comes after JUCE's hosting has
// closed the modules.
void prepareLeftoverPrivateCopies();

} // namespace zelk
