#include "ui/editor/ZelkEditor.h"

#include "core/ZelkProcessor.h"
#include "editing/AfterChangeRefresh.h"
#include "editing/SelectionEdits.h"
#include "hosting/PluginInspection.h"
#include "midi/MidiImport.h"
#include "midi/MpeExport.h"
#include "ui/editor/ChooserSetup.h"

namespace zelk
{
void ZelkEditor::openChooser (Chooser which)
{
    const auto setup = chooserSetup (which);
    // A new chooser replaces, and so closes, the one still open. JUCE's own browser opens inside
    // the window, where no host window kept on top can hide it.
    fileChooser = std::make_unique<juce::FileChooser> (setup.title, setup.start, setup.filter, setup.native, false,
                                                       setup.native ? nullptr : this);

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
    // A file inside a bundle stands for the bundle.
    processor.hostedInstrument().loadInstrument (vst3ModuleOfChoice (file), {});
    repaint();
}

} // namespace zelk
