#include "midi/PerformanceCapture.h"

#include "midi/MidiImport.h"
#include "midi/NoteConversion.h"
#include "midi/PlayedStream.h"

#include <algorithm>
#include <map>

namespace zelk
{
namespace
{
const char* const nothingPlayed = "Nothing captured: no notes were played";

struct Placed
{
    Note note;
    int chain, position;
};

// Past the timeline: a note that starts too late to hold its shortest length is dropped, one that
// ends too late is cut at the end.
bool fitTimeline (Note& note, CaptureReport& report)
{
    if ((double) note.start > timelineEnd - minimumDuration)
        return false;

    if ((double) note.start + note.duration > timelineEnd)
    {
        note.duration = (float) (timelineEnd - note.start);
        ++report.notesClamped;
    }

    return true;
}

// The first 128 by start, with each chain's links renumbered to the notes' new places; a link to
// a note that was not kept is cut.
std::vector<Note> keepFirst (std::vector<Placed>& placed)
{
    std::stable_sort (placed.begin(), placed.end(),
                      [] (const Placed& a, const Placed& b) { return a.note.start < b.note.start; });

    if (placed.size() > (size_t) slotCount)
        placed.resize ((size_t) slotCount);

    std::map<std::pair<int, int>, int> indexOf;

    for (size_t i = 0; i < placed.size(); ++i)
        indexOf[{placed[i].chain, placed[i].position}] = (int) i;

    std::vector<Note> notes;

    for (const auto& p : placed)
    {
        auto note = p.note;

        if (note.next >= 0)
        {
            const auto found = indexOf.find ({p.chain, note.next});
            note.next = found != indexOf.end() ? found->second : -1;
        }

        notes.push_back (note);
    }

    return notes;
}
} // namespace

CaptureResult capturePerformance (const juce::MidiMessageSequence& events, const CaptureOptions& options)
{
    CaptureResult result;
    auto& report = result.report;
    auto stream = readPlayedStream (events, options.endBeat);
    report.mpe = stream.mpe;
    report.layout = stream.layout;
    report.bendRanges = stream.bendRanges;
    report.masterRange = stream.masterRange;
    report.hints = stream.hints;

    if (options.bendDepth <= 0.001)
        report.hints.add ("Bend depth is 0: bends were not captured");

    std::vector<Placed> placed;
    auto pastTimeline = 0;

    for (size_t n = 0; n < stream.notes.size(); ++n)
    {
        auto& played = stream.notes[n];
        report.heldToEnd += played.heldToEnd ? 1 : 0;
        auto converted = convertPlayedNote (played, options);
        report.vibratosLifted += converted.vibratos;
        report.notesClamped += converted.clamped ? (int) converted.chain.size() : 0;

        for (size_t i = 0; i < converted.chain.size(); ++i)
        {
            auto note = converted.chain[i];
            ++report.notesFound;

            if (!fitTimeline (note, report))
            {
                ++pastTimeline;
                continue;
            }

            placed.push_back ({note, (int) n, (int) i});
        }
    }

    if (pastTimeline > 0)
        report.hints.add (juce::String (pastTimeline) + " notes past the timeline's end were dropped");

    result.notes = keepFirst (placed);
    report.notesKept = (int) result.notes.size();
    report.glidesMade =
        (int) std::count_if (result.notes.begin(), result.notes.end(), [] (const Note& n) { return n.next >= 0; });
    report.notesDropped = report.notesFound - report.notesKept;

    if (result.notes.empty())
        result.error = nothingPlayed;

    return result;
}

CaptureResult captureMidiFile (juce::InputStream& stream, CaptureOptions options)
{
    CaptureResult refused;
    juce::MidiFile file;

    if (refused.error = readMidiFile (stream, file); refused.error.isNotEmpty())
        return refused;

    const auto ppq = (double) file.getTimeFormat();
    juce::MidiMessageSequence events;
    auto end = 0.0;

    for (int t = 0; t < file.getNumTracks(); ++t)
        events.addSequence (*file.getTrack (t), 0.0);

    juce::MidiMessageSequence tempi;
    file.findAllTempoEvents (tempi);
    options.tempo =
        tempi.getNumEvents() > 0 ? 60.0 / tempi.getEventPointer (0)->message.getTempoSecondsPerQuarterNote() : 120.0;
    options.tempo =
        std::isfinite (options.tempo) && options.tempo > 0.0 ? std::clamp (options.tempo, 20.0, 400.0) : 120.0;

    for (auto* holder : events)
    {
        auto& message = holder->message;
        const auto* data = message.getRawData();

        // JUCE's reader keeps the file's data bytes as they are; one above 127 is not MIDI.
        if (data[0] >= 0x80 && data[0] < 0xf0)
            for (int i = 1; i < message.getRawDataSize(); ++i)
                if (data[i] > 127)
                {
                    refused.error = "Cannot read MIDI file";
                    return refused;
                }

        message.setTimeStamp (message.getTimeStamp() / ppq);
        end = std::max (end, message.getTimeStamp());
    }

    if (options.endBeat < 0.0)
        options.endBeat = end;

    auto result = capturePerformance (events, options);

    if (result.error == nothingPlayed)
        result.error = "MIDI file contains no notes";

    return result;
}

CaptureResult captureMidiFile (const juce::File& file, CaptureOptions options)
{
    CaptureResult refused;
    refused.error = "Cannot read MIDI file";

    if (file.isDirectory())
        return refused;

    juce::FileInputStream stream (file);

    if (!stream.openedOk())
        return refused;

    return captureMidiFile (stream, options);
}

} // namespace zelk
