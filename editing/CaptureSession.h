#pragma once

#include "editing/UndoSnapshot.h"
#include "engine/LiveCapture.h"
#include "midi/CaptureTypes.h"

#include <vector>

namespace zelk
{
class ZelkProcessor;

// A capture that the window closed in the middle of replaces the pattern as CAPTURE off does, but
// the undo history goes with the window: the pattern before it waits here for the next window's
// history, so that UNDO still brings it back.
struct CaptureBeforeClose
{
    UndoSnapshot before;
    juce::String summary;
};

// A live capture from CAPTURE on to CAPTURE off, on the message thread: what the block routine
// queued is collected as it comes, so that the queue only has to hold what arrives between two
// looks, and converted when the capture is over.
class CaptureSession
{
public:
    explicit CaptureSession (ZelkProcessor& p)
        : processor (p)
    {
    }

    void start();
    bool isRunning() const noexcept { return running; }

    // Collects what was queued; true once the block routine ended the capture (a loop wrap, a
    // jump back, the host stopping).
    bool collect();

    // Ends the capture and converts what was played; the result holds an error when no note was.
    CaptureResult finish();

    int notesPlayed() const noexcept { return noteOns; }

private:
    ZelkProcessor& processor;
    std::vector<CapturedInput> events;
    int noteOns = 0;
    bool running = false;
};

} // namespace zelk
