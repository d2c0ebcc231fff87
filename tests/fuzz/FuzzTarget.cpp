// The libFuzzer entry points of one check, chosen by ZELK_FUZZ_CHECK when the target is built.
#include "tests/fuzz/FuzzChecks.h"

#include <juce_events/juce_events.h>

#include <cstdio>
#include <cstdlib>
#include <unistd.h>

extern "C" int LLVMFuzzerInitialize (int* argc, char*** argv);
extern "C" int LLVMFuzzerTestOneInput (const uint8_t* data, size_t size);

namespace
{
const zelk::fuzz::Check* check = nullptr;
}

extern "C" int LLVMFuzzerInitialize (int*, char***)
{
    // Fuzzing processes side by side each get a temporary folder of their own, so that one's
    // private module copies never count as another's leftovers.
    if (std::getenv ("ZELK_FUZZ_OWN_TMPDIR") != nullptr)
    {
        const auto* parent = std::getenv ("TMPDIR");
        const auto own = juce::String (parent != nullptr ? parent : "/tmp") + "/zelk-fuzz-" + juce::String (getpid());
        juce::File (own).createDirectory();
        setenv ("TMPDIR", own.toRawUTF8(), 1);
    }

    // Parameters, asynchronous updates and the message thread need JUCE set up; it stays so.
    static auto* juceInitialiser = new juce::ScopedJuceInitialiser_GUI();
    juce::ignoreUnused (juceInitialiser);
    check = zelk::fuzz::findCheck (ZELK_FUZZ_CHECK);

    if (check == nullptr)
    {
        std::fprintf (stderr, "no check named %s\n", ZELK_FUZZ_CHECK);
        std::abort();
    }

    return 0;
}

extern "C" int LLVMFuzzerTestOneInput (const uint8_t* data, size_t size)
{
    const auto problem = check->run (data, size);

    if (problem.isNotEmpty())
    {
        std::fprintf (stderr, "\n%s: %s\n", check->name, problem.toRawUTF8());
        std::abort();
    }

    return 0;
}
