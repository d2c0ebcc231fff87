#include "ui/editor/EditorLayout.h"

#include "ui/editor/OutputSection.h"

namespace zelk
{
juce::Rectangle<int> EditorLayout::button (EditorButton which) const noexcept
{
    const auto w = width;

    switch (which)
    {
        case EditorButton::pianoRollTab: return { 225, 27, 88, 31 };
        case EditorButton::controlsTab: return { 317, 27, 92, 31 };
        case EditorButton::motionTab: return { 413, 27, 82, 31 };
        case EditorButton::instrumentTab: return { 499, 27, 100, 31 };
        case EditorButton::play: return { w - 286, 39, 80, 31 };
        case EditorButton::listen: return { w - 201, 39, 80, 31 };
        case EditorButton::panic: return { w - 116, 39, 84, 31 };
        case EditorButton::draw: return { 32, 86, 76, 31 };
        case EditorButton::edit: return { 112, 86, 69, 31 };
        case EditorButton::timeSnap: return { 197, 86, 102, 31 };
        case EditorButton::pitchSnap: return { 303, 86, 116, 31 };
        case EditorButton::vibrato: return { 435, 86, 90, 31 };
        case EditorButton::smooth: return { 529, 86, 80, 31 };
        case EditorButton::connect: return { 625, 86, 90, 31 };
        case EditorButton::unlink: return { 719, 86, 76, 31 };
        case EditorButton::hearEdits: return { w - 146, 86, 114, 31 };
        case EditorButton::loop: return { 32, 124, 64, 27 };
        case EditorButton::undo: return { 112, 124, 64, 27 };
        case EditorButton::redo: return { 180, 124, 64, 27 };
        case EditorButton::clear: return { 260, 124, 64, 27 };
        case EditorButton::importMidi: return { w - 296, 124, 128, 27 };
        case EditorButton::exportMidi: return { w - 162, 124, 130, 27 };
        case EditorButton::loadVst3: return { 60, 260, 120, 32 };
        case EditorButton::openSynth: return { 190, 260, 120, 32 };
        case EditorButton::externalMidi: return { 320, 260, 140, 32 };
    }

    return {};
}

juce::Rectangle<int> EditorLayout::lfoBadge (int index) const noexcept { return { 610 + 65 * index, 28, 61, 28 }; }

juce::Rectangle<int> EditorLayout::themeSwatch (int index) const noexcept
{
    return { width - 286 + 84 * index, 4, 84, 26 };
}

juce::Rectangle<int> EditorLayout::sourceCard (int index) const noexcept
{
    const auto third = contentWidth() / 3;
    return { 60 + third * index, height - 144, third - 12, 96 };
}

juce::Rectangle<int> EditorLayout::canvas() const noexcept { return { 32, 164, width - 64, height - 222 }; }

juce::Rectangle<int> EditorLayout::knob (int k) const noexcept
{
    const auto fifth = contentWidth() / 5;
    return { 60 + fifth * (k - 1), 300, fifth - 12, 190 };
}

juce::Rectangle<int> EditorLayout::motionPanel() const noexcept { return { (width - 920) / 2, 177, 920, 440 }; }

juce::Rectangle<int> EditorLayout::outputSection() const noexcept { return { 60, 404, contentWidth(), OutputSection::height }; }

juce::Rectangle<int> EditorLayout::footer() const noexcept { return { 32, height - 56, width - 64, 56 }; }

} // namespace zelk
