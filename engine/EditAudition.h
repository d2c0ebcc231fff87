#pragma once

#include "engine/MidiSender.h"

namespace zelk
{
// Sounds the pitch under the pen (or a piano key) on channel 16 while nothing plays.
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

    static constexpr int channel = 16;

    // Once per block, at offset 0. The messages are resent every block while hearing continues.
    void update (const Request& request, MidiSender& out) noexcept;

    // A stop request: the audition note ends at once.
    void silence (MidiSender& out) noexcept;

    void reset() noexcept { hearNote = -1; }
    int sounding() const noexcept { return hearNote; }

private:
    int hearNote = -1;
};

} // namespace zelk
