#include "tools/DemoPattern.h"

#include "core/ZelkProcessor.h"

#include <cmath>

namespace zelk::cli
{
namespace
{
Note phraseNote (int pitch, float start, float duration, float velocity)
{
    Note note;
    note.on = true;
    note.pitch = pitch;
    note.start = start;
    note.duration = duration;
    note.velocity = velocity;
    return note;
}

// Pressure swells and fades over the note; timbre opens towards its end.
void shapeExpression (Note& note, float peak)
{
    for (int i = 0; i < curvePointCount; ++i)
    {
        const auto x = (float) i / 32.0f;
        note.curves[pressureCurve][(size_t) i] = 0.2f + peak * std::sin (juce::MathConstants<float>::pi * x);
        note.curves[timbreCurve][(size_t) i] = 0.3f + 0.6f * x * x;
    }
}
} // namespace

void writeDemoPattern (ZelkProcessor& processor)
{
    processor.clearPattern();

    // Scoops up a whole tone into the first note (bend depth 48: 2 semitones is 2/48).
    auto scoop = phraseNote (62, 0.0f, 1.5f, 96.0f);
    for (int i = 0; i < 8; ++i)
        scoop.curves[pitchCurve][(size_t) i] = -2.0f / 48.0f * (1.0f - (float) i / 8.0f);
    shapeExpression (scoop, 0.6f);

    // Glides into a held note that sings with vibrato.
    scoop.next = 1;
    scoop.glide = 0.5f;
    scoop.glideShape = 0.4f;
    auto held = phraseNote (67, 1.5f, 2.5f, 90.0f);
    held.vibOn = true;
    held.vibDepth = 0.4f;
    held.vibCycles = 9.0f;
    held.vibStart = 0.3f;
    held.vibFade = 0.25f;
    shapeExpression (held, 0.7f);

    // Two short notes, the second bending down, then a low note with a slow swell.
    auto step = phraseNote (65, 4.0f, 0.5f, 80.0f);
    shapeExpression (step, 0.4f);
    auto fall = phraseNote (64, 4.5f, 1.0f, 84.0f);
    for (int i = 16; i < curvePointCount; ++i)
        fall.curves[pitchCurve][(size_t) i] = -1.0f / 48.0f * (float) (i - 16) / 16.0f;
    shapeExpression (fall, 0.5f);
    auto low = phraseNote (55, 5.75f, 2.25f, 100.0f);
    low.vibOn = true;
    low.vibDepth = 0.2f;
    low.vibCycles = 6.0f;
    low.vibStart = 0.5f;
    shapeExpression (low, 0.8f);

    const Note phrase[] = { scoop, held, step, fall, low };

    for (int slot = 0; slot < (int) std::size (phrase); ++slot)
        processor.writeNote (slot, phrase[slot]);

    processor.setParameterValue ("looping", 0.0f);
    processor.setParameterValue ("rangeEnabled", 0.0f);
}

} // namespace zelk::cli
