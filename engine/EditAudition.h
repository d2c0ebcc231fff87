#pragma once

#include "core/OutputOptions.h"
#include "engine/MidiSender.h"

namespace zelk
{
// Sounds the pitch under the pen (or a piano key) on the zone's last member channel (16 by
// default) while nothing plays.
class EditAudition
{
public:
    struct Request
    {
        bool hear = false;
        float pitch = 60.0f;
        float pressure = 0.5f;
        float timbre = 0.5f;
    };

    // Once per block, at offset 0. The messages are resent every block while hearing continues.
    // A new note takes the output options given; a sounding one keeps those it started with.
    void update (const Request& request, const OutputOptions& output, MidiSender& out) noexcept;

    // A stop request: the audition note ends at once.
    void silence (MidiSender& out) noexcept;

    void reset() noexcept { hearNote = -1; }
    int sounding() const noexcept { return hearNote; }

private:
    void endNote (MidiSender& out) noexcept;

    int hearNote = -1;
    OutputOptions heard;
    int channel = 16;
};

} // namespace zelk
