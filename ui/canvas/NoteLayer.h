#pragma once

#include "core/Note.h"
#include "ui/style/Palette.h"

#include <juce_graphics/juce_graphics.h>

#include <array>
#include <cstdint>
#include <set>

namespace zelk
{
// Everything the drawing under the playhead depends on: the size, the view, the pattern (by its
// count of changes), the controls that move notes on screen, the time selection, the theme and
// the selection.
struct NoteLayerKey
{
    int width = 0, height = 0;
    double viewStart = 0.0, viewLength = 0.0;
    int lowestKey = 0, visibleRows = 0;
    uint32_t patternChanges = 0;
    float bend = 0.0f, transpose = 0.0f;
    bool rangeEnabled = false;
    double rangeStart = 0.0, rangeLength = 0.0;
    paperstyle::Palette palette {};
    std::set<int> selection;
    int activeNote = -1;

    bool operator== (const NoteLayerKey& other) const noexcept;
    bool operator!= (const NoteLayerKey& other) const noexcept { return ! (*this == other); }
    // The same but for the notes and the selection: every pixel lies where it lay.
    bool hasLayoutOf (const NoteLayerKey& other) const noexcept;
};

// A note's line as the whole layer's paint filled it, its faint halo and the line itself: a part of
// the layer painted again across most of the note fills these instead of measuring the line anew.
struct NoteOutline
{
    juce::Path halo, line;
    bool measured = false; // for the note as the layer shows it
};

// The canvas painted up to and including its notes, without the sounding dots, kept while its
// layout stays the same: the 30 Hz repaints of a playing pattern then draw only the playhead, the
// dots and the overlays over it, and after an edit only the parts around the notes whose drawing
// changed are painted again.
struct NoteLayer
{
    bool valid = false;
    NoteLayerKey key;
    // What the previous paint showed.
    NoteLayerKey lastSeen;
    juce::Image image;
    // Where parts of the canvas are painted on their own, in the canvas's coordinates.
    juce::Image scratch;
    // Per slot, what a note's drawing may cover, so that a sounding dot drawn over the layer can be
    // told apart from one that a later note would have covered.
    std::array<bool, slotCount> on {};
    std::array<juce::Rectangle<float>, slotCount> reach {};
    // Per slot, the note as the layer shows it and whether it is drawn selected.
    std::array<Note, slotCount> notes {};
    std::array<bool, slotCount> selected {};
    std::array<NoteOutline, slotCount> outlines;
    // Pixels whose notes the last paint drew again: all of them when it drew everything, none
    // when the kept layer served as it was.
    int64_t repaintedPixels = 0;
};

} // namespace zelk
