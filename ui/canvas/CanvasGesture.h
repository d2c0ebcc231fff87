#pragma once

#include "core/Note.h"

#include <juce_audio_processors/juce_audio_processors.h>

#include <array>
#include <set>
#include <utility>
#include <vector>

namespace zelk
{
// What the pointer is doing on the piano roll. One gesture at a time, from a press to its release.
enum class GestureKind
{
    idle,
    newStroke,
    curveRedraw,
    keyAudition,
    moveNotes,
    resizeNotes,
    boxSelect,
    rulerSelect,
    pan,
    glideLengthDrag,
    glideShapeDrag
};

// The state a gesture carries from its press through its drag steps.
struct CanvasGesture
{
    GestureKind kind = GestureKind::idle;
    juce::Point<float> pressPosition;
    // Where the press or the last drag step took the gesture.
    juce::Point<float> lastDragPosition;
    double viewStartAtPress = 0.0;

    // A pan moves the view relative to where it was at the press.
    double panViewStart = 0.0;
    int panLowestKey = 0;

    // The note the gesture was pressed on, or drew, or whose glide it edits; -1 for none. Steps
    // act on this slot, whatever becomes of the active note meanwhile.
    int slot = -1;

    // Moves and resizes work from copies taken at the press, so each step sets absolute values.
    Note pressedNote;
    std::vector<std::pair<int, Note>> pressedSelection;

    // A drawn stroke as (beat, pitch) points sorted by beat.
    std::vector<juce::Point<float>> strokePoints;
    juce::Point<float> lastStrokePoint;
    float initialPitch = 0.0f;

    // The slot and curve whose 33 point parameters have a change gesture open, or -1, and those
    // parameters, looked up once at the press.
    int curveGestureSlot = -1;
    int curveGestureCurve = 0;
    std::array<juce::RangedAudioParameter*, curvePointCount> curveParameters {};
    // The slot whose "glideShape" parameter has a change gesture open, or -1, and the parameter.
    int glideShapeSlot = -1;
    juce::RangedAudioParameter* glideShapeParameter = nullptr;

    int lastPaintedIndex = -1;
    float lastPaintedValue = 0.0f;

    double rulerAnchor = 0.0;
    std::set<int> boxBase;

    bool isActive() const noexcept { return kind != GestureKind::idle; }
};

} // namespace zelk
