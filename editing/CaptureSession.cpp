#include "editing/CaptureSession.h"

#include "core/ZelkProcessor.h"
#include "midi/CapturedPattern.h"
#include "midi/PerformanceCapture.h"

#include <algorithm>

namespace zelk
{
namespace
{
// Bends, channel pressure and controllers: what a VST 3 host hands a plug-in only as parameters.
bool isChannelExpression (const CapturedInput& e)
{
    const auto type = e.bytes[0] & 0xf0;
    return type == 0xe0 || type == 0xd0 || type == 0xb0;
}
} // namespace

void CaptureSession::start()
{
    events.clear();
    noteOns = 0;
    running = true;
    processor.liveCapture().arm();
}

bool CaptureSession::collect()
{
    if (!running)
        return false;

    auto& capture = processor.liveCapture();
    const auto ended = capture.hasEnded();
    const auto first = events.size();
    capture.drain (events);

    for (auto i = first; i < events.size(); ++i)
        noteOns += (events[i].bytes[0] & 0xf0) == 0x90 && events[i].size == 3 && events[i].bytes[2] > 0 ? 1 : 0;

    return ended;
}

CaptureResult CaptureSession::finish()
{
    auto& capture = processor.liveCapture();
    capture.disarm();
    collect();
    running = false;

    juce::MidiMessageSequence sequence;

    for (const auto& e : events)
        sequence.addEvent (juce::MidiMessage (e.bytes, e.size, e.beat));

    auto options = captureOptionsFor (processor);
    options.tempo = capture.tempo();
    options.endBeat = capture.lastPosition();
    auto result = capturePerformance (sequence, options);
    result.report.eventsDropped = capture.droppedEvents();

    if (result.ok() && processor.wrapperType == juce::AudioProcessor::wrapperType_VST3
        && std::none_of (events.begin(), events.end(), isChannelExpression))
        result.report.hints.add ("A VST 3 host sends notes only: drop a .mid file for bends and timbre");

    events.clear();
    events.shrink_to_fit();
    return result;
}

} // namespace zelk
