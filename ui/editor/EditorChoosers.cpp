#include "ui/editor/ZelkEditor.h"

#include "core/Platform.h"
#include "core/ZelkProcessor.h"
#include "editing/AfterChangeRefresh.h"
#include "editing/SelectionEdits.h"
#include "midi/MidiImport.h"
#include "midi/MpeExport.h"

namespace zelk
{
namespace
{
struct ChooserSetup
{
    const char* title;
    juce::File start;
    const char* filter;
    int flags;
};

ChooserSetup setupFor (ZelkEditor::Chooser which)
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
                     F::openMode | F::canSelectFiles | F::canSelectDirectories };
    }

    return {};
}
} // namespace

void ZelkEditor::openChooser (Chooser which)
{
    const auto setup = setupFor (which);
    // A new chooser replaces, and so closes, the one still open.
    fileChooser = std::make_unique<juce::FileChooser> (setup.title, setup.start, setup.filter);

    const juce::Component::SafePointer<ZelkEditor> editor (this);
    fileChooser->launchAsync (setup.flags, [editor, which] (const juce::FileChooser& chooser)
                              { answerChooser (editor, which, chooser.getResult()); });
}

void ZelkEditor::answerChooser (juce::Component::SafePointer<ZelkEditor> editor, Chooser which, const juce::File& chosen)
{
    // The window may have closed while the dialog was open; an empty answer is a cancel.
    if (editor == nullptr || chosen == juce::File())
        return;

    switch (which)
    {
        case Chooser::importMidi: editor->importMidiFile (chosen); break;
        case Chooser::exportMidi: editor->exportMidiFile (chosen); break;
        case Chooser::loadInstrument: editor->loadInstrumentFile (chosen); break;
    }
}

bool ZelkEditor::importMidiFile (const juce::File& file)
{
    const auto result = readMidiNotes (file);

    if (! result.ok())
    {
        canvas.hint = result.error;
        canvas.repaint();
        repaint (layout().footer());
        return false;
    }

    canvas.cancelGesture();
    history.pushUndo();
    const auto hint = importIntoPattern (processor, result);
    selectAll (processor, canvas.editState());
    canvas.zoomToFit();
    canvas.hint = hint;
    afterChange();
    return true;
}

bool ZelkEditor::exportMidiFile (const juce::File& chosen)
{
    const auto written = exportMpeMidi (processor, exportTarget (chosen));
    statusText = written ? "MPE MIDI exported: one loop, 120 BPM" : "Export failed";
    repaint();
    return written;
}

void ZelkEditor::loadInstrumentFile (const juce::File& file)
{
    processor.hearRequested = false;
    processor.stopRequested = true;
    processor.hostedInstrument().loadInstrument (file, {});
    repaint();
}

} // namespace zelk
