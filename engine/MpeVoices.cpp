#include "engine/MpeVoices.h"

#include "engine/MidiValues.h"
#include "engine/PortableMath.h"

#include <algorithm>

namespace zelk
{
namespace
{
void writeRegisteredParameter (MidiSender& out, int channel, int parameter, int value, int offset) noexcept
{
    out.controller (channel, 101, 0, offset);
    out.controller (channel, 100, parameter, offset);
    out.controller (channel, 6, value, offset);
    // The null parameter, so that a stray data entry cannot change it later.
    out.controller (channel, 101, 127, offset);
    out.controller (channel, 100, 127, offset);
}
} // namespace

namespace
{
int32_t keyShift (float transpose) noexcept { return midivalue::nearestClamped (transpose, -1000, 1000); }
int keyOf (const Note& head, int32_t shift) noexcept { return std::clamp (head.pitch + shift, 0, 127); }
} // namespace

int MpeVoices::attackKey (const Note& head, float transpose) noexcept { return keyOf (head, keyShift (transpose)); }

void MpeVoices::releaseAll (MidiSender& out, int offset) noexcept
{
    const auto poly = channels.layout().polyPressure();

    for (int c = 0; c < channels.usableCount(); ++c)
    {
        const auto channel = channels.midiChannelOf (c);
        const auto& r = channels[c];

        if (r.holding())
            out.noteOff (channel, r.note, offset);

        out.pitchBend (channel, midivalue::bendCentre, offset);

        // Aftertouch belongs to a key: only a key that sounded has any to reset.
        if (! poly)
            out.pressure (channel, 0, offset);
        else if (r.holding())
            out.polyPressure (channel, r.note, 0, offset);

        out.controller (channel, midivalue::timbreController, 64, offset);
        channels.free (c);
    }
}

void MpeVoices::sendMpeConfiguration (MidiSender& out, int offset, const OutputOptions& output) noexcept
{
    constexpr int mpeConfiguration = 6, pitchBendRange = 0;
    const auto master = output.masterChannel();

    if (output.configurationMessage)
        writeRegisteredParameter (out, master, mpeConfiguration, output.memberChannels, offset);

    writeRegisteredParameter (out, master, pitchBendRange, OutputOptions::masterBendRange, offset);

    for (int c = 0; c < output.memberChannels; ++c)
        writeRegisteredParameter (out, output.memberChannel (c), pitchBendRange, output.bendRange, offset);
}

bool MpeVoices::continues (const MemberChannel& r, const NoteTable& table, double v, double iteration,
                           double loopEnd, int32_t shift) const noexcept
{
    const auto h = (size_t) r.slot;
    const auto& head = table.notes[h];
    return head.on && r.iteration == iteration && (double) head.start <= v && v < std::min (table.chainEnd[h], loopEnd)
        && table.prevOf[h] < 0 && r.note == keyOf (head, shift);
}

void MpeVoices::releaseEnded (const NoteTable& table, double v, double iteration, double loopEnd, int32_t shift,
                              int offset, MidiSender& out) noexcept
{
    if (shift == quietShift)
        return;

    auto quiet = true;

    for (int c = 0; c < memberChannelCount; ++c)
    {
        const auto& r = channels[c];

        if (! r.holding())
            continue;

        // Held through the whole run: only the key, which follows the transpose, can end it here.
        if (heldThrough[(size_t) c] && r.note == keyOf (table.notes[(size_t) r.slot], shift))
            continue;

        quiet = false;

        if (continues (r, table, v, iteration, loopEnd, shift))
            continue;

        const auto channel = channels.midiChannelOf (c);
        out.noteOff (channel, r.note, offset);

        if (channels.layout().polyPressure())
            out.polyPressure (channel, r.note, 0, offset);
        else
            out.pressure (channel, 0, offset);

        channels.free (c);
        heldThrough[(size_t) c] = false;
    }

    quietShift = quiet ? shift : noShift;
}

bool MpeVoices::heldThroughRun (const MemberChannel& r, const NoteTable& table) const noexcept
{
    const auto h = (size_t) r.slot;
    const auto& head = table.notes[h];
    return run.known && run.onePass && r.iteration == run.iteration && head.on && table.prevOf[h] < 0
        && (double) head.start <= run.vMin && run.vMax < std::min (table.chainEnd[h], run.loopEnd);
}

void MpeVoices::attack (int record, int head, const NoteTable& table, double v, double iteration,
                        const GlobalControls& controls, int offset, MidiSender& out) noexcept
{
    const auto& h = table.notes[(size_t) head];
    channels.occupy (record, head);
    auto& r = channels[record];
    r.iteration = iteration;
    r.note = attackKey (h, controls.transpose);
    heldThrough[(size_t) record] = heldThroughRun (r, table);
    quietShift = noShift;

    const auto t = expressionTargets (table, channels, record, v, controls);
    auto& lanes = channels.lanes;
    const auto i = (size_t) record;
    lanes.bend[i] = (float) t.bend;
    lanes.pressure[i] = (float) t.pressure;
    lanes.timbre[i] = (float) t.timbre;

    const auto channel = channels.midiChannelOf (record);
    const auto velocity = midivalue::nearestClamped ((double) h.velocity * controls.velocity / 100.0, 1, 127);
    const auto poly = channels.layout().polyPressure();
    out.pitchBend (channel, midivalue::pitchBend (lanes.bend[i], channels.bendRange()), offset);

    if (midivalue::bendsPastRange (lanes.bend[i], channels.bendRange()))
        channels.clamped.mark (head);

    if (! poly)
        out.pressure (channel, midivalue::sevenBit (lanes.pressure[i]), offset);

    out.controller (channel, midivalue::timbreController, midivalue::sevenBit (lanes.timbre[i]), offset);
    out.noteOn (channel, r.note, velocity, offset);

    // A key's aftertouch means nothing to a synth before the key is down.
    if (poly)
        out.polyPressure (channel, r.note, midivalue::sevenBit (lanes.pressure[i]), offset);

    // The bend before the note-on still used the channel's previous key.
    out.auditionSynth().setFrequency (channel, (float) (AuditionSynth::keyFrequency (r.note) * portable::pow2 (lanes.bend[i] / 12.0)));
}

void MpeVoices::prepareRun (const NoteTable& table, double vMin, double vMax, double loopEnd, bool known,
                            bool onePass, double iteration) noexcept
{
    run = { known, onePass, iteration, vMin, vMax, loopEnd };
    quietShift = noShift;
    candidateCount = 0;

    for (int i = 0; i < table.headCount; ++i)
    {
        const auto h = table.heads[(size_t) i];

        if (! known || ((double) table.notes[(size_t) h].start <= vMax && vMin < std::min (table.chainEnd[(size_t) h], loopEnd)))
            candidates[(size_t) candidateCount++] = h;
    }

    for (int c = 0; c < memberChannelCount; ++c)
        heldThrough[(size_t) c] = channels[c].holding() && heldThroughRun (channels[c], table);
}

void MpeVoices::attackStarted (const NoteTable& table, double v, double iteration, double loopEnd,
                               const GlobalControls& controls, int offset, MidiSender& out) noexcept
{
    // With every channel busy no head can attack: they try again on the next sample.
    if (channels.holdingCount() >= channels.usableCount())
        return;

    // The other heads would fail the position test below in every sample of this run.
    for (int i = 0; i < candidateCount; ++i)
    {
        const auto h = candidates[(size_t) i];
        const auto& note = table.notes[(size_t) h];

        if ((double) note.start > v || v >= std::min (table.chainEnd[(size_t) h], loopEnd) || channels.holderOf (h) >= 0)
            continue;

        const auto record = channels.lowestFree();

        // Every member channel busy: the remaining heads try again on the next sample.
        if (record < 0)
            return;

        attack (record, h, table, v, iteration, controls, offset, out);
    }
}

void MpeVoices::step (const NoteTable& table, double v, double iteration, double loopEnd,
                      const GlobalControls& controls, int offset, MidiSender& out) noexcept
{
    // The transpose is the same for every channel in one sample: rounded once.
    if (channels.holdingCount() > 0)
        releaseEnded (table, v, iteration, loopEnd, keyShift (controls.transpose), offset, out);

    attackStarted (table, v, iteration, loopEnd, controls, offset, out);
}

void MpeVoices::publish (std::array<std::atomic<float>, slotCount>& soundingPitch, float silent) const noexcept
{
    std::array<float, slotCount> pitches;
    pitches.fill (silent);
    const auto range = (float) channels.layout().bendRange;

    for (int c = 0; c < memberChannelCount; ++c)
    {
        const auto& r = channels[c];

        if (r.holding())
            pitches[(size_t) r.slot] = r.lastBend >= 0 ? (float) r.note + (float) (r.lastBend - 8192) * range / 8192.0f
                                                       : (float) r.note + channels.lanes.bend[(size_t) c];
    }

    for (size_t s = 0; s < pitches.size(); ++s)
        soundingPitch[s].store (pitches[s], std::memory_order_relaxed);
}

} // namespace zelk
