#include "ui/editor/ZelkEditor.h"

#include "core/Platform.h"
#include "core/ZelkProcessor.h"
#include "editing/SelectionEdits.h"
#include "midi/PerformanceCapture.h"

namespace zelk
{
namespace
{
// A loop that DRAG MIDI is handing out, carried back over the window, is not captured into the
// pattern it was rendered from.
bool isMidiFile (const juce::String& path)
{
    return (path.endsWithIgnoreCase (".mid") || path.endsWithIgnoreCase (".midi"))
        && ! juce::File (path).isAChildOf (platform::loopDragFolder());
}

juce::String firstMidiFile (const juce::StringArray& files)
{
    for (const auto& f : files)
        if (isMidiFile (f))
            return f;

    return {};
}
} // namespace

void ZelkEditor::addCaptureButton()
{
    captureButton.setComponentID ("capture");
    juce::String tip ("Capture what you play on an MPE controller into this pattern: bends, pressure and timbre "
                      "become curves, slides glides, wobbles vibrato. Click again to stop; UNDO restores the pattern. "
                      "Drop a .mid file on the piano roll to capture it.");

    if (processor.wrapperType == juce::AudioProcessor::wrapperType_VST3)
        tip << " In a VST 3 host only the notes and their poly pressure arrive: for bends, pressure and timbre, "
               "drop the recorded clip's .mid file.";

    captureButton.setTooltip (tip);
    captureButton.onClick = [this] { toggleCapture(); };
    addAndMakeVisible (captureButton);

    auto& drops = canvas.fileDrops;
    drops.wanted = [this] (const juce::StringArray& files) { return isInterestedInFileDrag (files); };
    drops.entered = [this] (const juce::StringArray& files, int x, int y) { fileDragEnter (files, x, y); };
    drops.moved = [this] (const juce::StringArray& files, int x, int y) { fileDragMove (files, x, y); };
    drops.dropped = [this] (const juce::StringArray& files, int x, int y) { filesDropped (files, x, y); };
    drops.left = [this] (const juce::StringArray& files) { fileDragExit (files); };
}

void ZelkEditor::toggleCapture()
{
    if (isCapturing())
    {
        finishCapture();
        return;
    }

    captureSession.start();
    captureButton.setToggleState (true, juce::dontSendNotification);
    statusText = "Capturing: play now";
    repaint();
}

// While capturing: what the block routine queued is collected; it ends the capture itself at a
// loop wrap or when the host stops.
void ZelkEditor::tickCapture()
{
    captureButton.setToggleState (isCapturing(), juce::dontSendNotification);

    if (!isCapturing())
        return;

    if (captureSession.collect())
    {
        finishCapture();
        return;
    }

    const auto played = captureSession.notesPlayed();
    const auto text = played == 0
                          ? juce::String ("Capturing: play now")
                          : "Capturing: " + juce::String (played) + (played == 1 ? " note played" : " notes played");

    if (text != statusText)
    {
        statusText = text;
        repaint (getWidth() - 500, 56, 200, 18);
    }
}

void ZelkEditor::finishCapture()
{
    const auto result = captureSession.finish();
    captureButton.setToggleState (false, juce::dontSendNotification);

    if (!result.ok())
    {
        statusText = result.error;
        canvas.hint = result.error;
        repaint();
        return;
    }

    showCaptured (result, CaptureSource::live);
}

// The result replaces the pattern as one undo step, as IMPORT MIDI does.
void ZelkEditor::showCaptured (const CaptureResult& result, CaptureSource source)
{
    canvas.cancelGesture();
    history.pushUndo();
    const auto line = writeCapture (processor, result, source);
    selectAll (processor, canvas.editState());
    canvas.zoomToFit();
    canvas.hint = line;
    statusText = result.report.shortSummary();
    afterChange();
    repaint();
}

// What was played is kept: the window closing ends a capture as CAPTURE off does. Its undo step
// outlives the window in the processor.
void ZelkEditor::keepCaptureOnClose()
{
    if (!isCapturing())
        return;

    auto before = history.takeSnapshot();
    const auto result = captureSession.finish();

    if (!result.ok())
        return;

    const auto summary = writeCapture (processor, result, CaptureSource::live);
    processor.captureBeforeClose.reset (new CaptureBeforeClose { std::move (before), summary });
}

void ZelkEditor::takeCaptureBeforeClose()
{
    const auto carried = std::move (processor.captureBeforeClose);

    if (carried == nullptr)
        return;

    history.pushUndo (carried->before);
    canvas.hint = carried->summary + " UNDO restores the pattern from before it.";
}

bool ZelkEditor::captureMidiFile (const juce::File& file)
{
    // A capture still running ends first and keeps what was played.
    if (isCapturing())
        finishCapture();

    const auto result = zelk::captureMidiFile (file, captureOptionsFor (processor));

    if (!result.ok())
    {
        canvas.hint = result.error;
        canvas.repaint();
        repaint (layout().footer());
        return false;
    }

    showCaptured (result, CaptureSource::file);
    return true;
}

bool ZelkEditor::isInterestedInFileDrag (const juce::StringArray& files)
{
    return currentTab == pianoRollPage && firstMidiFile (files).isNotEmpty();
}

void ZelkEditor::fileDragEnter (const juce::StringArray& files, int x, int y)
{
    hintBeforeDrop = canvas.hint;
    fileDragMove (files, x, y);
}

// Only the piano roll takes the drop; the hint says what letting go there does.
void ZelkEditor::fileDragMove (const juce::StringArray& files, int x, int y)
{
    const auto hint = canvas.getBounds().contains (x, y)
                          ? "Drop to capture " + juce::File (firstMidiFile (files)).getFileName() + " into this pattern"
                          : hintBeforeDrop;

    if (hint != canvas.hint)
    {
        canvas.hint = hint;
        repaint (layout().footer());
    }
}

void ZelkEditor::fileDragExit (const juce::StringArray&)
{
    canvas.hint = hintBeforeDrop;
    repaint (layout().footer());
}

void ZelkEditor::filesDropped (const juce::StringArray& files, int x, int y)
{
    canvas.hint = hintBeforeDrop;

    if (canvas.getBounds().contains (x, y))
        captureMidiFile (juce::File (firstMidiFile (files)));
    else
        repaint (layout().footer());
}

} // namespace zelk
