#pragma once

#include <juce_core/juce_core.h>

// Everything that differs between operating systems lives here.
namespace zelk::platform
{
// Where the MIDI file choosers open.
juce::File documentsFolder();

// Where private copies of hosted modules are made.
juce::File temporaryFolder();

// Where the DRAG MIDI grip writes the loops it hands to other applications: a folder of Zelk's own
// in the temporary folder.
juce::File loopDragFolder();

// How a file is named in an external drag. X11's URI lists want file URIs with their characters
// escaped (JUCE would send a bare path as "file://" + path, spaces and all); Windows takes paths.
juce::String externalDragName (const juce::File& file);

// Where the instrument chooser starts, and where the installer puts Zelk itself.
juce::File defaultVst3Folder();

// The systems Zelk is built for. What is said of each holds on any of them, so it can be checked
// anywhere.
enum class System
{
    windows,
    gnuLinux, // not "linux", which GNU C++ defines as a macro
    macOS
};

System thisSystem() noexcept;

// Whether the system's own open dialog can offer files and folders to choose in one dialog, as a
// VST 3 module may be either. Windows' picks files or folders (FOS_PICKFOLDERS), and so do
// Linux's zenity and kdialog; macOS's can do both.
bool nativeDialogChoosesFilesAndFolders (System system) noexcept;

// Why no window can be opened here, in one line (no X display, or one that cannot be reached);
// empty when windows can be opened.
juce::String windowSystemProblem();

// For a process that paints without a screen (the tests, the command-line tool): where no X
// display is named, JUCE would connect to display :0 if one happens to run there (a test's Xvfb,
// say) and the process would die when it goes away. This names one that cannot be opened, so the
// process stays off every screen it was not given. Call it before JUCE starts.
void stayOffUnnamedDisplays();

// Hands window-system events that are already read but not yet handled to JUCE (a fault of the X11
// event loop; nothing elsewhere). Call it on the message thread, last in a timer callback: what the
// events do may delete the caller.
void dispatchQueuedWindowEvents();

} // namespace zelk::platform
