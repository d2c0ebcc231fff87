#pragma once

#include "midi/CaptureTypes.h"

namespace zelk
{
class ZelkProcessor;

// Where a capture came from: played live into the running transport, or read from a file.
enum class CaptureSource
{
    live,
    file
};

// The options a capture into this processor starts from: its "bend" control.
CaptureOptions captureOptionsFor (const ZelkProcessor& processor);

// Replaces the pattern with a capture that holds notes: note i into slot i, connected as captured.
// A file's capture stops what sounds and starts at beat 0 with looping and the time selection
// off, as an import does; a live one leaves the transport and the loop alone, since it was
// played into them. Returns the line that reports it.
juce::String writeCapture (ZelkProcessor& processor, const CaptureResult& result, CaptureSource source);

} // namespace zelk
