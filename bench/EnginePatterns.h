#pragma once

#include "core/ZelkProcessor.h"

// The patterns the block benchmarks play, shared with the fixed-count driver used under callgrind.
namespace zelk::bench
{
inline constexpr int blockSize = 512;
inline constexpr double sampleRate = 48000.0;

inline Note noteAt (float start, float duration, int pitch)
{
    Note note;
    note.on = true;
    note.start = start;
    note.duration = duration;
    note.pitch = pitch;
    return note;
}

// 16 notes in four groups of four: four sound at any time, on a 4-beat loop.
inline void typicalPattern (ZelkProcessor& processor)
{
    for (int slot = 0; slot < 16; ++slot)
    {
        auto note = noteAt ((float) (slot / 4), 1.0f, 48 + slot);

        for (int i = 0; i < curvePointCount; ++i)
            note.curves[pitchCurve][(size_t) i] = 0.01f * (float) (i % 5);

        processor.writeNote (slot, note);
    }

    processor.setParameterValue ("looping", 1.0f);
}

// Nothing plays, but the three LFOs run differently: other rates, a morph between shapes, an
// offset phase and sync; no routes.
inline void shapedLfosPattern (ZelkProcessor& processor)
{
    processor.setParameterValue (destinationId (destination::ofLfo (0, destination::rate)), 0.5f);
    processor.setParameterValue (destinationId (destination::ofLfo (1, destination::shape)), 2.5f);
    processor.setParameterValue (destinationId (destination::ofLfo (1, destination::rate)), 3.0f);
    processor.setParameterValue (destinationId (destination::ofLfo (2, destination::shape)), 0.3f);
    processor.setParameterValue (destinationId (destination::ofLfo (2, destination::phase)), 90.0f);
    processor.setParameterValue ("lfo3_sync", 1.0f);
}

// 15 chains of eight notes with glides and vibrato keep every member channel busy; eight more
// notes wait for a channel in every sample; every route is non-zero.
inline void fullPattern (ZelkProcessor& processor)
{
    for (int chain = 0; chain < 15; ++chain)
        for (int j = 0; j < 8; ++j)
        {
            const auto slot = chain * 8 + j;
            auto note = noteAt (0.5f * (float) j, 0.5f, 40 + chain + (j % 3) * 2);
            note.next = j < 7 ? slot + 1 : -1;
            note.glide = 0.25f;
            note.glideShape = 0.5f;
            note.vibOn = true;

            for (int i = 0; i < curvePointCount; ++i)
            {
                note.curves[pitchCurve][(size_t) i] = 0.02f * (float) (i % 7) - 0.06f;
                note.curves[pressureCurve][(size_t) i] = (float) i / 32.0f;
                note.curves[timbreCurve][(size_t) i] = 1.0f - (float) i / 32.0f;
            }

            processor.writeNote (slot, note);
        }

    for (int slot = 120; slot < slotCount; ++slot)
        processor.writeNote (slot, noteAt (0.0f, 4.0f, slot - 60));

    for (int lfo = 0; lfo < lfoCount; ++lfo)
        for (int d = 0; d < destinationCount; ++d)
            processor.setParameterValue (routeParameterId (lfo, d), d % 2 == 0 ? 3.0f : -2.0f);

    processor.setParameterValue ("looping", 1.0f);
}

} // namespace zelk::bench
