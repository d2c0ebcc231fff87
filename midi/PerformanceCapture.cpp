#include "midi/PerformanceCapture.h"

#include "midi/MidiImport.h"
#include "midi/NoteConversion.h"
#include "midi/PlayedStream.h"

#include <algorithm>
#include <cmath>
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
    bool clamped;
};

// Past the timeline: a note that starts too late to hold its shortest length is dropped, one that
// ends too late is cut at the end.
bool fitTimeline (Note& note, bool& clamped)
{
    if ((double) note.start > timelineEnd - minimumDuration)
        return false;

    if ((double) note.start + note.duration > timelineEnd)
    {
        note.duration = (float) (timelineEnd - note.start);
        clamped = true;
    }

    return true;
}

// Whether 128 notes already placed start no later than any note of a chain yet to come from a
// note played at `start`: that chain cannot be among the first 128 by start.
bool slotsFilledBefore (const std::vector<Placed>& placed, double start)
{
    // Below any start the chain's notes can be stored with.
    const auto earliest = (float) (start - 0.001);
    const auto before = [earliest] (const Placed& p) { return p.note.start <= earliest; };
    return std::count_if (placed.begin(), placed.end(), before) >= slotCount;
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

CaptureResult capturePerformance (const juce::MidiMessageSequence& events, const CaptureOptions& given)
{
    // Rates and timings are read in seconds: a host's tempo that is no tempo is taken for 120.
    auto options = given;
    options.tempo = std::isfinite (given.tempo) && given.tempo > 0.0 ? std::clamp (given.tempo, 10.0, 1000.0) : 120.0;

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
    auto pastTimeline = stream.pastTimeline;
    // Notes that cannot be among the first 128 count once each, as played: only converting them
    // would tell whether they slide into more.
    report.notesFound = stream.pastTimeline + stream.beyondLimit;
    report.heldToEnd = stream.heldToEnd;

    for (size_t n = 0; n < stream.notes.size(); ++n)
    {
        auto& played = stream.notes[n];

        if (slotsFilledBefore (placed, played.start))
        {
            report.notesFound += (int) (stream.notes.size() - n);
            break;
        }

        auto converted = convertPlayedNote (played, options);

        for (size_t i = 0; i < converted.chain.size(); ++i)
        {
            auto note = converted.chain[i];
            auto clamped = converted.clamped || (played.clipped && i + 1 == converted.chain.size());
            ++report.notesFound;

            if (!fitTimeline (note, clamped))
            {
                ++pastTimeline;
                continue;
            }

            placed.push_back ({note, (int) n, (int) i, clamped});
        }
    }

    if (pastTimeline > 0)
        report.hints.add (juce::String (pastTimeline) + " notes past the timeline's end were dropped");

    result.notes = keepFirst (placed);
    report.notesKept = (int) result.notes.size();
    report.notesClamped =
        (int) std::count_if (placed.begin(), placed.end(), [] (const Placed& p) { return p.clamped; });
    report.glidesMade =
        (int) std::count_if (result.notes.begin(), result.notes.end(), [] (const Note& n) { return n.next >= 0; });
    report.vibratosLifted =
        (int) std::count_if (result.notes.begin(), result.notes.end(), [] (const Note& n) { return n.vibOn; });
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
