#include "midi/LoopDragFile.h"

#include "core/ZelkProcessor.h"
#include "midi/MpeExport.h"
#include "midi/OfflineRender.h"

namespace zelk
{
namespace
{
juce::String counted (double value, const char* one, const char* many)
{
    const auto text = juce::String (value, 4).trimCharactersAtEnd ("0").trimCharactersAtEnd (".");
    return text + " " + (text == "1" ? one : many);
}

bool anyNoteOn (const ZelkProcessor& processor) noexcept
{
    for (int slot = 0; slot < slotCount; ++slot)
        if (processor.isNoteOn (slot))
            return true;

    return false;
}
} // namespace

juce::String loopDragFileName (double loopBeats)
{
    constexpr double beatsPerBar = 4.0;
    const auto bars = loopBeats / beatsPerBar;
    const auto whole = bars >= 1.0 && bars == std::floor (bars);
    return "Zelk loop " + (whole ? counted (bars, "bar", "bars") : counted (loopBeats, "beat", "beats")) + ".mid";
}

LoopDragFile writeLoopDragFile (ZelkProcessor& processor, const juce::File& folder)
{
    LoopDragFile result;
    result.file = folder.getChildFile (loopDragFileName (loopBeatsOf (processor)));

    // An empty clip in the DAW is no use to anyone; saying so is.
    if (! anyNoteOn (processor))
        result.error = "Nothing to drag: the pattern has no notes";
    else if (! folder.createDirectory().wasOk())
        result.error = "Drag failed: cannot create the folder " + folder.getFullPathName();
    else if (! exportMpeMidi (processor, result.file))
        result.error = "Drag failed: cannot write " + result.file.getFullPathName();

    return result;
}

int removeStaleLoopDragFiles (const juce::File& folder, juce::Time now, juce::RelativeTime age)
{
    int removed = 0;

    for (const auto& entry : juce::RangedDirectoryIterator (folder, false, "*.mid", juce::File::findFiles))
        if (entry.getModificationTime() < now - age && entry.getFile().deleteFile())
            ++removed;

    return removed;
}

} // namespace zelk
