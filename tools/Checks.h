#pragma once

#include <juce_core/juce_core.h>

#include <iostream>

namespace zelk::cli
{
// A command's checks, one line each, ending with the line "NAME: N passed, M failed" that the test
// scripts read.
class Checks
{
public:
    explicit Checks (juce::String nameToUse) : name (std::move (nameToUse)) {}

    bool check (bool passed, const juce::String& what)
    {
        std::cout << (passed ? "ok    " : "FAIL  ") << what << "\n" << std::flush;
        ++(passed ? passedCount : failedCount);
        return passed;
    }

    bool equal (const juce::String& what, const juce::String& seen, const juce::String& expected)
    {
        return check (seen == expected,
                      what + " \"" + seen + "\"" + (seen == expected ? "" : ", expected \"" + expected + "\""));
    }

    int finish() const
    {
        std::cout << name << ": " << passedCount << " passed, " << failedCount << " failed" << std::endl;
        return failedCount == 0 ? 0 : 1;
    }

private:
    juce::String name;
    int passedCount = 0;
    int failedCount = 0;
};

} // namespace zelk::cli
