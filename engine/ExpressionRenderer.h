#pragma once

#include "engine/MemberChannels.h"
#include "engine/MidiSender.h"
#include "engine/NoteTable.h"

namespace zelk
{
// The effective values of the global controls in one sample, after LFO modulation.
struct GlobalControls
{
    float bend = 48.0f;
    float pressure = 100.0f;
    float timbre = 100.0f;
    float transpose = 0.0f;
    float velocity = 100.0f;
    float smooth = 5.0f;
};

// Where a sounding chain's expression wants to be at one position.
struct ExpressionTargets
{
    double bend = 0.0; // semitones from the head's key, before transpose
    double pressure = 0.0;
    double timbre = 0.5;
};

// The targets of the chain that record c holds, at position v. The record remembers the chain's
// note sounding at v, where the next call starts looking.
ExpressionTargets expressionTargets (const NoteTable& table, MemberChannels& channels, int c, double v,
                                     const GlobalControls& controls) noexcept;

// Smooths every member channel toward its targets once per sample and sends pitch bend,
// pressure and controller 74 on the send tick (sample rate / 250), only when a value changed.
class ExpressionRenderer
{
public:
    void prepare (double sampleRate) noexcept;

    // The next sample is a send tick: playback started, stopped or was reset.
    void restartTicks() noexcept { expressionCounter = 0; }

    void update (MemberChannels& channels, const NoteTable& table, double v, const GlobalControls& controls,
                 int offset, MidiSender& out) noexcept;

private:
    bool nextSampleIsTick() noexcept;
    double smoothingCoefficient (float smoothMilliseconds) noexcept;

    double sampleRate = 48000.0;
    int32_t tickInterval = 192;
    int32_t expressionCounter = 0;
    float cachedSmooth = -1.0f;
    double cachedCoefficient = 0.0;
};

} // namespace zelk
