#include "engine/EditAudition.h"

#include "engine/MemberChannels.h"
#include "engine/MidiValues.h"
#include "engine/MpeVoices.h"
#include "engine/PortableMath.h"

#include <algorithm>
#include <cmath>

namespace zelk
{
void EditAudition::silence (MidiSender& out) noexcept
{
    if (hearNote >= 0)
        out.noteOff (channel, hearNote, 0);

    hearNote = -1;
}

void EditAudition::endNote (MidiSender& out) noexcept
{
    out.noteOff (channel, hearNote, 0);
    out.pitchBend (channel, midivalue::bendCentre, 0);

    if (heard.polyPressure())
        out.polyPressure (channel, hearNote, 0, 0);
    else
        out.pressure (channel, 0, 0);

    hearNote = -1;
}

void EditAudition::update (const Request& request, const OutputOptions& output, MidiSender& out) noexcept
{
    // One note can follow the pen up to 0.1 semitone short of the bend range from its key (47.9
    // by default); further needs a new note.
    if (hearNote >= 0 && (! request.hear || std::abs (request.pitch - (float) hearNote) > (float) (heard.bendRange - 0.1)))
        endNote (out);

    if (! request.hear)
        return;

    const auto p = std::isnan (request.pitch) ? 0.0f : std::clamp (request.pitch, 0.0f, 127.0f);
    const auto started = hearNote < 0;

    if (started)
    {
        heard = output.limited();
        channel = heard.lastMemberChannel();
        MpeVoices::sendMpeConfiguration (out, 0, heard);
        hearNote = midivalue::nearestClamped (p, 0, 127);
    }

    const auto range = (double) heard.bendRange;
    const auto bend = midivalue::nearestClamped (((double) p - hearNote) / range * 8192.0 + 8192.0, 0, 16383);
    out.pitchBend (channel, bend, 0);

    if (started)
        out.noteOn (channel, hearNote, 96, 0);

    const auto pressure = midivalue::sevenBit (request.pressure);

    if (heard.polyPressure())
        out.polyPressure (channel, hearNote, pressure, 0);
    else
        out.pressure (channel, pressure, 0);

    out.controller (channel, midivalue::timbreController, midivalue::sevenBit (request.timbre), 0);

    const auto hertz = AuditionSynth::keyFrequency (hearNote) * portable::pow2 ((bend - 8192) / 8192.0 * (range / 12.0));
    out.auditionSynth().setFrequency (channel, (float) hertz);
}

} // namespace zelk
