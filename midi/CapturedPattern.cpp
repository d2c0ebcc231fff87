#include "midi/CapturedPattern.h"

#include "core/ZelkProcessor.h"

namespace zelk
{
CaptureOptions captureOptionsFor (const ZelkProcessor& processor)
{
    CaptureOptions options;
    options.bendDepth = processor.raw().destinations[(size_t) destination::bend]->load();
    return options;
}

juce::String writeCapture (ZelkProcessor& processor, const CaptureResult& result, CaptureSource source)
{
    jassert (result.ok());

    if (source == CaptureSource::file)
    {
        processor.stopRequested = true;
        processor.hearRequested = false;
    }

    processor.clearPattern();

    for (size_t i = 0; i < result.notes.size() && i < (size_t) slotCount; ++i)
        processor.writeNote ((int) i, result.notes[i]);

    if (source == CaptureSource::file)
    {
        processor.setParameterValue ("rangeEnabled", 0.0f);
        processor.setParameterValue ("looping", 0.0f);
        processor.setPlaybackPosition (0.0);
    }

    return result.report.summary();
}

} // namespace zelk
