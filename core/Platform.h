#pragma once

#include <juce_core/juce_core.h>

// Everything that differs between operating systems lives here.
namespace zelk::platform
{
// Where the MIDI file choosers open.
juce::File documentsFolder();

// Where private copies of hosted modules are made.
juce::File temporaryFolder();

// Where the instrument chooser starts, and where the installer puts Zelk itself.
juce::File defaultVst3Folder();

// Why no window can be opened here, in one line (no X display, or one that cannot be reached);
// empty when windows can be opened.
juce::String windowSystemProblem();

} // namespace zelk::platform
