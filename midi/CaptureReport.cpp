#include "midi/CaptureTypes.h"

namespace zelk
{
namespace
{
juce::String counted (int n, const char* one, const char* many)
{
    return juce::String (n) + " " + (n == 1 ? one : many);
}

juce::String notesText (const CaptureReport& report)
{
    if (report.notesFound > report.notesKept)
        return "Captured " + juce::String (report.notesKept) + " of " + juce::String (report.notesFound) + " notes";

    return "Captured " + counted (report.notesKept, "note", "notes");
}
} // namespace

juce::String CaptureReport::summary() const
{
    auto line = notesText (*this);
    line << " (" << (mpe ? "MPE" : "single channel") << ", bend " << bendRanges
         << "): " << counted (glidesMade, "glide", "glides") << ", " << counted (vibratosLifted, "vibrato", "vibratos")
         << ".";

    if (notesClamped > 0)
        line << " " << counted (notesClamped, "note", "notes") << " clamped.";

    if (heldToEnd > 0)
        line << " " << counted (heldToEnd, "note", "notes") << " held to the end.";

    if (eventsDropped > 0)
        line << " " << counted (eventsDropped, "event", "events") << " dropped: the input came too fast.";

    for (const auto& hint : hints)
        line << " " << hint << ".";

    return line;
}

juce::String CaptureReport::shortSummary() const
{
    auto text = notesText (*this);

    if (eventsDropped > 0)
        text << "; " << counted (eventsDropped, "event", "events") << " lost";

    return text;
}

} // namespace zelk
