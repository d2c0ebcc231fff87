#pragma once

#include <juce_core/juce_core.h>

namespace zelk::cli
{
// Each command takes its arguments after the command word and returns the process exit code.
// Errors are one line on stderr naming the file and the reason.
int inspect (const juce::StringArray& args);
int info (const juce::StringArray& args);
int exportMidi (const juce::StringArray& args);
int capture (const juce::StringArray& args);
int render (const juce::StringArray& args);
int demo (const juce::StringArray& args);
int smoke (const juce::StringArray& args);
int snapshot (const juce::StringArray& args);
int hostEditor (const juce::StringArray& args);
int hostCapture (const juce::StringArray& args);

void printError (const juce::String& line);

} // namespace zelk::cli
