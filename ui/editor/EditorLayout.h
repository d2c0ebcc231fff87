#pragma once

#include "ui/editor/EditorButtons.h"

#include <juce_graphics/juce_graphics.h>

namespace zelk
{
// Where everything in the editor window sits for a window of a given size.
struct EditorLayout
{
    static constexpr int minimumWidth = 1120, minimumHeight = 800;
    static constexpr int maximumWidth = 1920, maximumHeight = 1300;
    static constexpr int openingWidth = 1280, openingHeight = 880;

    int width = openingWidth, height = openingHeight;

    juce::Rectangle<int> button (EditorButton which) const noexcept;
    // CAPTURE, in the free space of the toolbar's second row, left of IMPORT MIDI.
    juce::Rectangle<int> captureButton() const noexcept { return { width - 400, 124, 96, 27 }; }
    juce::Rectangle<int> lfoBadge (int index) const noexcept;
    juce::Rectangle<int> themeSwatch (int index) const noexcept;
    juce::Rectangle<int> sourceCard (int index) const noexcept;
    juce::Rectangle<int> canvas() const noexcept;
    // Knobs k = 1..5 of the CONTROLS page, one per card.
    juce::Rectangle<int> knob (int k) const noexcept;
    juce::Rectangle<int> motionPanel() const noexcept;
    // The INSTRUMENT page's OUTPUT section, under the page's texts, and the PIANO ROLL toolbar's
    // DRAG MIDI grip, in the second row's free space between CLEAR and IMPORT MIDI.
    juce::Rectangle<int> outputSection() const noexcept;
    juce::Rectangle<int> dragMidiGrip() const noexcept { return { 340, 124, 104, 27 }; }
    // The page area that the timer repaints every tick: hint, counter and help line.
    juce::Rectangle<int> footer() const noexcept;

    // Both pages' content spans the window less 60 pixels on each side.
    int contentWidth() const noexcept { return width - 120; }
};

} // namespace zelk
