#pragma once

#include "engine/ExpressionRenderer.h"
#include "engine/MemberChannels.h"
#include "engine/MidiSender.h"
#include "engine/NoteTable.h"

#include <atomic>
#include <limits>

namespace zelk
{
// The pattern as MPE notes: each chain owns one member channel of the zone (by default the lower
// zone's 2..16) from its attack to its release.
class MpeVoices
{
public:
    // Note-offs for every held chain and neutral expression on every member channel in use.
    void releaseAll (MidiSender& out, int offset) noexcept;

    // The zone's configuration (unless left out), master bend range 2 and the members' bend
    // range; with the default options lower zone, 15 members, range 48: 85 messages.
    static void sendMpeConfiguration (MidiSender& out, int offset, const OutputOptions& output) noexcept;

    // One sample of playback at pattern position v in loop pass `iteration`: releases, then attacks.
    void step (const NoteTable& table, double v, double iteration, double loopEnd, const GlobalControls& controls,
               int offset, MidiSender& out) noexcept;

    // soundingPitch for every slot (silent ones at `silent`) and the number of held channels.
    void publish (std::array<std::atomic<float>, slotCount>& soundingPitch, float silent) const noexcept;

    static int attackKey (const Note& head, float transpose) noexcept;

    // Before a run of samples whose positions all lie in vMin..vMax, all in loop pass `iteration`
    // when `onePass`: only the heads whose span meets that range can attack in them (all heads
    // when the range is unknown), and the chains held through the whole range can only be
    // released in them by a change of key.
    void prepareRun (const NoteTable& table, double vMin, double vMax, double loopEnd, bool known, bool onePass,
                     double iteration) noexcept;

    MemberChannels channels;

private:
    bool continues (const MemberChannel& r, const NoteTable& table, double v, double iteration, double loopEnd,
                    int32_t shift) const noexcept;
    void releaseEnded (const NoteTable& table, double v, double iteration, double loopEnd, int32_t shift,
                       int offset, MidiSender& out) noexcept;
    void attackStarted (const NoteTable& table, double v, double iteration, double loopEnd,
                        const GlobalControls& controls, int offset, MidiSender& out) noexcept;
    bool heldThroughRun (const MemberChannel& r, const NoteTable& table) const noexcept;

    std::array<int, slotCount> candidates {};
    int candidateCount = 0;

    // The current run's range of positions, and which records hold their chain through all of it.
    struct Run
    {
        bool known = false;
        bool onePass = false;
        double iteration = 0.0;
        double vMin = 0.0;
        double vMax = 0.0;
        double loopEnd = 0.0;
    };

    Run run;
    std::array<bool, memberChannelCount> heldThrough {};
    // The key shift at which, earlier in this run, every held chain was found held through the run
    // with its key: while the shift stays, nothing can be released.
    static constexpr int32_t noShift = std::numeric_limits<int32_t>::min();
    int32_t quietShift = noShift;

    void attack (int record, int head, const NoteTable& table, double v, double iteration,
                 const GlobalControls& controls, int offset, MidiSender& out) noexcept;
};

} // namespace zelk
