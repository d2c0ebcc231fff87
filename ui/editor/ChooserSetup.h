#pragma once

#include "core/Platform.h"
#include "ui/editor/ZelkEditor.h"

namespace zelk
{
// How one of the editor's file choosers opens: its title, where it starts, what it lists, the
// browser's flags, and whether it is the system's own dialog or JUCE's file browser.
struct ChooserSetup
{
    juce::String title;
    juce::File start;
    juce::String filter;
    int flags = 0;
    bool native = true;
};

// The instrument chooser offers files and folders at once (a VST 3 module is a bundle folder or a
// single file); where the system's dialog cannot, it is JUCE's own browser.
ChooserSetup chooserSetup (ZelkEditor::Chooser which, platform::System system = platform::thisSystem());

} // namespace zelk
