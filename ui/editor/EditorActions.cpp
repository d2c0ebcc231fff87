#include "ui/editor/ZelkEditor.h"

#include "core/ZelkProcessor.h"
#include "editing/AfterChangeRefresh.h"
#include "editing/CurveSmoothing.h"
#include "editing/NoteConnections.h"
#include "editing/PatternClearing.h"

namespace zelk
{
namespace
{
void invert (std::atomic<bool>& flag)
{
    auto value = flag.load();

    while (! flag.compare_exchange_weak (value, ! value))
    {
    }
}
} // namespace

void ZelkEditor::onButtonClicked (EditorButton which)
{
    switch (which)
    {
        case EditorButton::pianoRollTab: showTab (pianoRollPage); break;
        case EditorButton::controlsTab: showTab (controlsPage); break;
        case EditorButton::motionTab: showTab (motionPage); break;
        case EditorButton::instrumentTab: showTab (instrumentPage); break;
        case EditorButton::play: invert (processor.playRequested); break;
        case EditorButton::listen:
        case EditorButton::hearEdits: break; // their attachments do the work
        case EditorButton::panic: panic(); break;
        case EditorButton::exportMidi: openChooser (Chooser::exportMidi); break;
        case EditorButton::importMidi: openChooser (Chooser::importMidi); break;
        case EditorButton::loadVst3: openChooser (Chooser::loadInstrument); break;
        case EditorButton::openSynth: processor.hostedInstrument().showWindow(); break;
        case EditorButton::externalMidi: useExternalMidi(); break;
        case EditorButton::draw: selectTool (ZelkCanvas::Tool::draw); break;
        case EditorButton::edit: selectTool (ZelkCanvas::Tool::edit); break;
        case EditorButton::clear: clearPattern(); break;
        case EditorButton::undo: history.undo (canvas.editState()); break;
        case EditorButton::redo: history.redo (canvas.editState()); break;
        case EditorButton::vibrato: canvas.toggleVibratoPanel(); break;
        case EditorButton::smooth: smoothOnce(); break;
        case EditorButton::connect: connectSelection (processor, canvas.editState()); break;
        case EditorButton::unlink: disconnectSelection (processor, canvas.editState()); break;
        case EditorButton::loop: toggleLooping(); break;
        case EditorButton::timeSnap: canvas.timeSnap = button (which).getToggleState(); break;
        case EditorButton::pitchSnap:
            canvas.pitchSnap = button (which).getToggleState();
            button (which).setButtonText (canvas.pitchSnap ? "SEMITONES" : "FREE PITCH");
            break;
    }
}

void ZelkEditor::selectTool (ZelkCanvas::Tool tool)
{
    canvas.setTool (tool);
    button (EditorButton::draw).setToggleState (tool == ZelkCanvas::Tool::draw, juce::dontSendNotification);
    button (EditorButton::edit).setToggleState (tool == ZelkCanvas::Tool::edit, juce::dontSendNotification);
}

void ZelkEditor::clearPattern()
{
    clearAllNotes (processor, canvas.editState(), history);
    afterChange();
    canvas.repaint();
}

void ZelkEditor::smoothOnce() { zelk::smoothOnce (processor, canvas.editState()); }

void ZelkEditor::panic()
{
    canvas.cancelGesture();
    processor.stopRequested = true;
    processor.hearRequested = false;
}

void ZelkEditor::toggleLooping()
{
    processor.setParameterValue ("looping", isSwitchOn (processor.raw().looping) ? 0.0f : 1.0f);
}

void ZelkEditor::useExternalMidi()
{
    processor.stopRequested = true;
    processor.hearRequested = false;
    processor.hostedInstrument().unloadInstrument();
    repaint();
}

void ZelkEditor::chooseTheme (int index)
{
    processor.setParameterValue ("uiTheme", (float) index);
    applyTheme();
}

void ZelkEditor::selectLfo (int index)
{
    motionPanel.selectLfo (index);

    for (int i = 0; i < lfoCount; ++i)
    {
        lfoBadges[(size_t) i]->setToggleState (i == index, juce::dontSendNotification);
        lfoCards[(size_t) i]->setToggleState (i == index, juce::dontSendNotification);
    }

    showTab (motionPage);
}

// After every change to the pattern: what the canvas shows and the footer's hint and counter are
// all that a change can alter, so only they are repainted.
void ZelkEditor::afterChange()
{
    afterChangeRefresh (processor, canvas.editState());
    repaint (layout().footer());
}

} // namespace zelk
