#pragma once

#include <juce_core/juce_core.h>

#include <functional>
#include <set>
#include <vector>

namespace zelk
{
class ZelkProcessor;

// What the piano roll knows about the user's edit beyond the pattern itself: which notes the
// operations act on, the one-line hint, the glide that connecting gives, and the hooks through
// which the editor records undo steps and follows changes. The canvas owns one and exposes its
// members; the edit operations work on it without any component.
struct CanvasEditState
{
    static inline const juce::String initialHint { "Draw a melody directly on the keys. One row = one semitone." };

    // The slot last clicked, drawn or selected, or -1. Stands for the selection while `selection` is empty.
    int activeNote = -1;
    // Selected slots, ascending.
    std::set<int> selection;
    juce::String hint = initialHint;
    // Glide length and shape that connecting gives to each new transition.
    float connectGlide = 0.25f;
    float connectGlideShape = 0.0f;

    // Records one undo step; every edit calls it once, before its first change.
    std::function<void()> onBeforeEdit;
    // The editor's after-change refresh; called after every operation that changes something.
    std::function<void()> onChanged;
    // Set by the canvas: ends its pointer gesture, closing any open parameter gesture.
    std::function<void()> onCancelGesture;
    // Set by the canvas: brings the vibrato panel in line and repaints.
    std::function<void()> onRepaint;

    // The notes the operations act on: the `on` slots of `selection` in ascending order, or else
    // `activeNote` alone when it is an `on` slot.
    std::vector<int> selectedNotes (const ZelkProcessor& processor) const;
    bool isSelected (int slot) const;

    void beforeEdit() const;
    void cancelGesture() const;
    void repaint() const;
    // onChanged, then repaint: how every operation that changed something ends.
    void refresh() const;
};

} // namespace zelk
