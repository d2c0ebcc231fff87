#include "tests/fuzz/FuzzChecks.h"
#include "tests/fuzz/FuzzWorld.h"

#include "core/PatternMath.h"
#include "midi/MidiImport.h"
#include "midi/PerformanceCapture.h"
#include "tools/PatternFiles.h"

namespace zelk::fuzz
{
namespace
{
// A float step at the magnitude of x: the stored start and length are floats split into a
// 16-beat page and a fine part on a 0.0001 grid, so they read back that close.
double closeEnough (double x)
{
    const auto f = (float) std::abs (x);
    return 1.0e-4 + 2.0 * (double) (std::nextafter (f, std::numeric_limits<float>::infinity()) - f);
}

juce::String describe (int index, const juce::String& what)
{
    return "note " + juce::String (index) + ": " + what;
}

juce::String checkImportedNotes (const MidiImportResult& result)
{
    if (result.notes.empty() || result.notes.size() > (size_t) slotCount)
        return "an accepted file gave " + juce::String ((int) result.notes.size()) + " notes";

    const Note plain;

    for (size_t i = 0; i < result.notes.size(); ++i)
    {
        const auto& n = result.notes[i];
        const auto index = (int) i;

        if (! n.on || n.pitch < 0 || n.pitch > 127 || n.velocity < 1.0f || n.velocity > 127.0f || n.next != -1)
            return describe (index, "key " + juce::String (n.pitch) + ", velocity " + juce::String (n.velocity)
                                        + " or link " + juce::String (n.next) + " out of range");

        if (! std::isfinite (n.start) || ! std::isfinite (n.duration) || n.start < 0.0f || n.duration < (float) minimumDuration
            || (double) n.start + (double) n.duration > timelineEnd + closeEnough (timelineEnd))
            return describe (index, "outside the timeline or shorter than 1/64 note");

        if (i > 0 && n.start < result.notes[i - 1].start)
            return describe (index, "not sorted by start");

        if (n.glide != plain.glide || n.glideShape != plain.glideShape || n.vibOn || n.curves[pitchCurve][0] != 0.0f
            || n.curves[pressureCurve][16] != 0.5f || n.curves[timbreCurve][32] != 0.5f)
            return describe (index, "not a plain imported note");
    }

    return {};
}

bool within (float v, double lo, double hi) { return std::isfinite (v) && v >= lo && v <= hi; }

// A capture's notes in their ranges, sorted, each link to a later note of the list, and a report
// that counts no more than it kept.
juce::String checkCaptureResult (const CaptureResult& result)
{
    if (result.notes.empty() || result.notes.size() > (size_t) slotCount)
        return "a capture gave " + juce::String ((int) result.notes.size()) + " notes";

    const auto& r = result.report;

    if (r.notesKept != (int) result.notes.size() || r.notesFound < r.notesKept || r.notesClamped > r.notesKept
        || r.glidesMade > r.notesKept || r.vibratosLifted > r.notesKept || r.notesDropped != r.notesFound - r.notesKept)
        return "the report counts " + r.summary();

    for (size_t i = 0; i < result.notes.size(); ++i)
    {
        const auto& n = result.notes[i];
        const auto fields = n.on && n.pitch >= 0 && n.pitch <= 127 && within (n.velocity, 1.0, 127.0)
                         && within (n.start, 0.0, timelineEnd) && within (n.duration, minimumDuration, timelineEnd)
                         && (double) n.start + n.duration <= timelineEnd + closeEnough (timelineEnd)
                         && (n.next == -1 || (n.next > (int) i && n.next < (int) result.notes.size()))
                         && within (n.glide, 0.0625, 256.0) && within (n.glideShape, -1.0, 1.0)
                         && within (n.vibDepth, 0.0, 12.0) && within (n.vibCycles, 0.125, 64.0)
                         && within (n.vibStart, 0.0, 0.999) && within (n.vibEnd, 0.001, 1.0) && within (n.vibFade, 0.0, 0.5)
                         && (i == 0 || n.start >= result.notes[i - 1].start);
        auto curves = true;

        for (int c = 0; c < curveCount; ++c)
            for (const auto v : n.curves[(size_t) c])
                curves = curves && within (v, c == pitchCurve ? -1.0 : 0.0, 1.0);

        if (! fields || ! curves)
            return describe ((int) i, "captured with a field out of its range, out of order or linked backwards");

        if (n.next >= 0 && ! glidesInto (n, result.notes[(size_t) n.next]))
            return describe ((int) i, "linked to a note it cannot glide into");
    }

    return {};
}

// The same bytes captured, as a drop on the piano roll or `zelk capture` takes them: a capture
// that holds, or one of the import's refusals.
juce::String checkCapturedNotes (const uint8_t* data, size_t size)
{
    juce::MemoryInputStream stream (data, size, false);
    const auto result = captureMidiFile (stream, {});

    if (! result.ok())
    {
        if (! midiImportRefusals().contains (result.error))
            return "capture refused with an unknown message: " + result.error;

        return result.notes.empty() ? juce::String() : "a refused capture still carries notes";
    }

    return checkCaptureResult (result);
}

// Four bytes an event: how far it comes after the one before, its status (a data byte there
// repeats the last status, as running status does) and two data bytes. A time byte below 0xf0
// is that many 256ths of a beat; from 0xf0 on, 16 to the power of what it is above 0xef beats,
// far past the timeline's end.
juce::MidiMessageSequence eventsOf (const uint8_t* data, size_t size)
{
    juce::MidiMessageSequence events;
    double beat = 0.0;
    uint8_t status = 0x90;

    for (size_t i = 0; i + 4 <= size; i += 4)
    {
        const auto time = data[i];
        beat += time < 0xf0 ? time / 256.0 : std::pow (16.0, time - 0xef);
        uint8_t bytes[3] = { data[i + 1], data[i + 2], data[i + 3] };

        if (bytes[0] < 0x80)
        {
            bytes[2] = bytes[1];
            bytes[1] = bytes[0];
            bytes[0] = status;
        }
        else if (bytes[0] >= 0xf0)
        {
            bytes[0] = (uint8_t) (0xb0 | (bytes[0] & 0x0f)); // system messages are no capture's
        }

        status = bytes[0];
        const auto type = status & 0xf0;
        events.addEvent (juce::MidiMessage (bytes, type == 0xc0 || type == 0xd0 ? 2 : 3, beat));
    }

    return events;
}

CaptureOptions optionsOf (uint8_t flags, uint8_t tempo, uint8_t end)
{
    CaptureOptions options;
    options.dejitter = (flags & 1) == 0;
    options.glides = (flags & 2) == 0;
    options.vibrato = (flags & 4) == 0;
    options.snapDriftCents = (flags & 8) != 0 ? 1.0 + (flags >> 4) * 6.0 : 0.0;
    options.tempo = tempo == 0 ? 0.0 : tempo == 255 ? 1.0e9 : tempo * 2.0;
    options.endBeat = end == 0 ? -1.0 : std::pow (2.0, end / 8.0) - 1.0;
    return options;
}

// The whole pattern is the import's: its notes in slots 0.., every other slot free.
juce::String patternIsTheImport (ZelkProcessor& processor, const MidiImportResult& result)
{
    for (int slot = 0; slot < slotCount; ++slot)
    {
        const auto n = processor.readNote (slot);

        if (slot >= (int) result.notes.size())
        {
            if (n.on || n.next != -1)
                return "slot " + juce::String (slot) + " was left over from the old pattern";

            continue;
        }

        const auto& expected = result.notes[(size_t) slot];

        if (! n.on || n.pitch != expected.pitch || n.velocity != expected.velocity || n.next != -1
            || std::abs ((double) n.start - expected.start) > closeEnough (expected.start)
            || std::abs ((double) n.duration - expected.duration) > closeEnough (expected.start + expected.duration))
            return "slot " + juce::String (slot) + " holds " + juce::String (n.start, 6) + " + " + juce::String (n.duration, 6)
                 + ", not the imported " + juce::String (expected.start, 6) + " + " + juce::String (expected.duration, 6);
    }

    const auto& raw = processor.raw();

    if (raw.rangeEnabled->load() != 0.0f || raw.looping->load() != 0.0f)
        return "the import left the time selection or looping on";

    return parametersOutOfRange (processor);
}

// A full pattern with a value in every field that an import would have to replace.
void writeFullPattern (ZelkProcessor& processor)
{
    for (int slot = 0; slot < slotCount; ++slot)
    {
        Note note;
        note.on = true;
        note.pitch = 20 + slot % 90;
        note.next = slot % 3 == 0 ? (slot + 1) % slotCount : -1;
        note.start = 2.5f + 7.25f * (float) slot;
        note.duration = 1.5f + (float) (slot % 9);
        note.velocity = (float) (10 + slot % 110);
        note.glide = 0.5f;
        note.vibOn = true;

        for (auto& curve : note.curves)
            curve.fill (0.25f);

        processor.writeNote (slot, note);
    }

    processor.setParameterValue ("looping", 1.0f);
    processor.setParameterValue ("rangeEnabled", 1.0f);
}

bool patternIsFull = false;

juce::String checkImportInto (ZelkProcessor& processor, const MidiImportResult& result)
{
    if (! patternIsFull)
        writeFullPattern (processor);

    patternIsFull = false;
    const auto before = parameterValues (processor);
    const auto hint = importIntoPattern (processor, result);

    juce::String expectedHint;
    expectedHint << "Imported " << (int) result.notes.size() << " notes. DAW tempo."
                 << (result.omitted ? " Bends/controllers omitted." : "");

    if (hint != expectedHint)
        return "the import reported \"" + hint + "\"";

    if (! processor.stopRequested.exchange (false) || processor.seekRequest.exchange (-1.0) != 0.0
        || processor.startPosition.load() != 0.0)
        return "the import did not stop what sounds and move playback to beat 0";

    // Nothing but the pattern and the two switches may change.
    const auto after = parameterValues (processor);
    auto i = 0;

    for (auto* p : processor.getParameters())
    {
        const auto& id = dynamic_cast<juce::RangedAudioParameter*> (p)->paramID;

        if (! id.startsWith ("note") && id != "looping" && id != "rangeEnabled" && before[(size_t) i] != after[(size_t) i])
            return "the import changed " + id;

        ++i;
    }

    return patternIsTheImport (processor, result);
}
} // namespace

const juce::StringArray& midiImportRefusals()
{
    static const juce::StringArray refusals { "Cannot read MIDI file",
                                              "Import supports MIDI type 0/1, not independent type 2 patterns",
                                              "Import requires beat-based MIDI (PPQ), not SMPTE",
                                              "MIDI contains a note without a note-off",
                                              "Note outside timeline or shorter than 1/64 note",
                                              "MIDI exceeds 128 notes; import a smaller selection",
                                              "MIDI file contains no notes" };
    return refusals;
}

juce::String checkCaptureStream (const uint8_t* data, size_t size)
{
    if (size < 3)
        return {};

    const auto result = capturePerformance (eventsOf (data + 3, size - 3), optionsOf (data[0], data[1], data[2]));

    if (! result.ok())
        return result.error == "Nothing captured: no notes were played" && result.notes.empty()
                 ? juce::String()
                 : "capture refused with " + result.error;

    return checkCaptureResult (result);
}

juce::String checkMidiImport (const uint8_t* data, size_t size)
{
    if (const auto wrong = checkCapturedNotes (data, size); wrong.isNotEmpty())
        return wrong;

    juce::MemoryInputStream stream (data, size, false);
    const auto result = readMidiNotes (stream);

    if (! result.ok())
    {
        if (! midiImportRefusals().contains (result.error))
            return "refused with an unknown message: " + result.error;

        return result.notes.empty() ? juce::String() : "a refused file still carries notes";
    }

    if (const auto wrong = checkImportedNotes (result); wrong.isNotEmpty())
        return wrong;

    return checkImportInto (world().target, result);
}

juce::String checkPatternLoader (const uint8_t* data, size_t size)
{
    auto& processor = world().target;
    forgetInstrument (processor);
    dispatchPendingMessages();

    const juce::MemoryBlock bytes (data, size);
    const auto before = parameterValues (processor);
    const auto instrumentBefore = processor.hostedInstrument().savedStateElement();
    processor.stateReloaded = false;
    patternIsFull = false;
    const auto error = cli::loadPatternData (processor, bytes);

    if (size >= 4 && std::memcmp (data, "MThd", 4) == 0)
    {
        juce::MemoryInputStream stream (data, size, false);
        const auto result = readMidiNotes (stream);

        if (error.isNotEmpty() || ! result.ok())
        {
            if (error != result.error)
                return "the loader said \"" + error + "\" where the import says \"" + result.error + "\"";

            const auto changed = changedParameters (processor, before, parameterValues (processor));
            return changed.isEmpty() ? juce::String() : "a refused MIDI file changed parameters: " + changed;
        }

        return patternIsTheImport (processor, result);
    }

    const auto accepted = processor.stateReloaded.exchange (false);

    if (accepted != error.isEmpty())
        return "the loader said \"" + error + "\" of a state that was " + (accepted ? "loaded" : "not loaded");

    std::unique_ptr<juce::XmlElement> xml;

    if (accepted)
        xml = size >= 8 && juce::ByteOrder::littleEndianInt (data) == 0x21324356
                ? juce::AudioProcessor::getXmlFromBinary (data, (int) size)
                : juce::parseXML (bytes.toString());

    return checkLoadedState (processor, accepted, before, instrumentBefore, xml.get());
}

} // namespace zelk::fuzz
