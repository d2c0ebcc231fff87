#pragma once

#include "core/ZelkProcessor.h"

#include <vector>

namespace zelk::fuzz
{
// The processors the checks work on, made once per process: making one builds 14844 parameters.
// Their hosted instruments never load code (see StubInstrument.h).
struct FuzzWorld
{
    FuzzWorld();

    ZelkProcessor target;  // takes the inputs
    ZelkProcessor scratch; // loads what the target saves
};

FuzzWorld& world();

// Every parameter's raw value, in host order.
std::vector<float> parameterValues (ZelkProcessor& processor);

// Which parameters differ between two sets of values, by identifier (the first few).
juce::String changedParameters (ZelkProcessor& processor, const std::vector<float>& before,
                                const std::vector<float>& after);

// The first parameters that are not finite or lie outside their range, or an empty string.
juce::String parametersOutOfRange (ZelkProcessor& processor);

// Sets every parameter to a value other than its default, so that a load that changed some
// value back to its default shows.
void setDistinctiveValues (ZelkProcessor& processor);

// Saves the processor's state, loads it into another and compares every value: an empty string
// when the state loads to the same values.
juce::String savesAndLoadsTheSameValues (ZelkProcessor& processor, ZelkProcessor& other);

// Leaves the processor's hosted instrument with nothing loaded or pending.
void forgetInstrument (ZelkProcessor& processor);

// After a state was given to the processor: a refused one changed nothing; an accepted one left
// every value in range, its "HostedInstrument" element pending or loaded, and saves into a state
// that loads to the same values. `stateXml` is the accepted state's document.
juce::String checkLoadedState (ZelkProcessor& processor, bool accepted, const std::vector<float>& before,
                               const juce::ValueTree& instrumentBefore, const juce::XmlElement* stateXml);

} // namespace zelk::fuzz
