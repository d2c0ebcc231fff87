#pragma once

#include "hosting/HostedInstrument.h"

namespace zelk::fuzz
{
// A folder in the temporary folder with stand-in module files: "Vital.vst3" (a single file, so
// it is copied privately), "Vital Bundle.vst3" (a folder), "Stereo.vst3", "Mono.vst3" and
// "Six.vst3" (5.1 outputs, refused).
juce::File standInFolder();

// An instance factory that never loads code: a module that exists inside the temporary folder
// and has the extension "vst3" becomes an in-memory instrument whose kind its name tells, as
// the test instrument's does; anything else is refused. The instruments keep the last state
// given to them and save it back unchanged.
HostedInstrument::InstanceFactory standInFactory();

// What the latest stand-in was given: the state block, and whether its Vital parameters were set.
struct StandInRecord
{
    bool created = false;
    bool stateGiven = false;
    juce::MemoryBlock state;
    bool vitalDefaultsApplied = false;
};

StandInRecord latestStandIn();
void forgetStandIns();

} // namespace zelk::fuzz
