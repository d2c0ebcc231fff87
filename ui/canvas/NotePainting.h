#pragma once

#include "ui/canvas/PaintFrame.h"
#include "ui/canvas/StripSpans.h"

namespace zelk
{
struct NoteOutline;

// Draws one note as the frame's pattern and the canvas's selection have it; `reach` grows by
// everything the drawing may cover. The line's outline is measured for the clip and handed to
// `learnt` when given; or, in a part of the kept layer, the `kept` outline may be filled instead.
void paintNote (PaintFrame& f, int slot, juce::Rectangle<int> clip, juce::Rectangle<float>& reach,
                NoteOutline* learnt = nullptr, const NoteOutline* kept = nullptr);

// Everything in the grid that a note's drawing may shade, as paintNote would draw it with `next`
// as its next note (may be null) and with or without the selection's highlight: added to `spans`
// piece by piece, and returned as one rectangle. Empty for a note that is not on.
juce::Rectangle<float> noteFootprint (PaintFrame& f, const Note& note, const Note* next, int slot, bool selected,
                                      StripSpans& spans);

} // namespace zelk
