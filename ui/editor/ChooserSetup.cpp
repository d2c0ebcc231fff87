#include "ui/editor/ChooserSetup.h"

namespace zelk
{
ChooserSetup chooserSetup (ZelkEditor::Chooser which, platform::System system)
{
    using F = juce::FileBrowserComponent;

    switch (which)
    {
        case ZelkEditor::Chooser::importMidi:
            return { "Import MIDI notes (replace pattern)", platform::documentsFolder(), "*.mid;*.midi",
                     F::openMode | F::canSelectFiles };
        case ZelkEditor::Chooser::exportMidi:
            return { "Export MPE MIDI", platform::documentsFolder().getChildFile ("Zelk.mid"), "*.mid",
                     F::saveMode | F::canSelectFiles | F::warnAboutOverwriting };
        case ZelkEditor::Chooser::loadInstrument:
            return { "Load VST3 instrument", platform::defaultVst3Folder(), "*.vst3",
                     F::openMode | F::canSelectFiles | F::canSelectDirectories,
                     platform::nativeDialogChoosesFilesAndFolders (system) };
    }

    return {};
}

} // namespace zelk
