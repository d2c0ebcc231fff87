#include "editing/NoteConnections.h"

#include "core/ModulationDestinations.h"
#include "core/PatternMath.h"
#include "editing/SlotParameters.h"

#include <algorithm>
#include <cmath>

namespace zelk
{
namespace
{
// Margin under the 48-semitone member-channel bend range, so float error never reaches it.
constexpr double phraseRange = 47.9;

struct SlotNote
{
    int slot;
    Note note;
};

std::vector<SlotNote> inTimeOrder (const ZelkProcessor& processor, const std::vector<int>& slots)
{
    std::vector<SlotNote> notes;

    for (const auto slot : slots)
        notes.push_back ({ slot, processor.readNote (slot) });

    std::stable_sort (notes.begin(), notes.end(),
                      [] (const SlotNote& a, const SlotNote& b) { return a.note.start < b.note.start; });
    return notes;
}

// The phrase sounds as one note from the first note's key, so every point of a note's pitch curve
// must stay within the bend range measured from there.
bool fitsBendRange (const Note& note, int firstKey, double bendDepth)
{
    for (const auto point : note.curves[pitchCurve])
        if (std::abs (bendDepth * point + note.pitch - firstKey) > phraseRange)
            return false;

    return true;
}

// The refusal for the first faulty note in time order, each note checked against the one before
// it and then against the bend range before the next note is looked at; null when the phrase can
// be connected.
const char* phraseFault (const std::vector<SlotNote>& phrase, double bendDepth)
{
    const auto firstKey = phrase.front().note.pitch;

    for (size_t i = 0; i < phrase.size(); ++i)
    {
        if (i > 0 && ! glidesInto (phrase[i - 1].note, phrase[i].note))
            return "Connect chronological notes without overlap; move or resize overlapping notes first";

        if (! fitsBendRange (phrase[i].note, firstKey, bendDepth))
            return "This phrase exceeds the +/-48 semitone MPE range from its first note";
    }

    return nullptr;
}

void refuse (CanvasEditState& canvas, const char* message)
{
    canvas.hint = message;
    canvas.repaint();
}

// Each note of a phrase keeps exactly one predecessor: every other link into `target` goes.
void dropOtherLinksInto (ZelkProcessor& processor, int target, int keptPredecessor)
{
    for (int slot = 0; slot < slotCount; ++slot)
        if (slot != keptPredecessor && processor.readNote (slot).next == target)
            setNextSlot (processor, slot, -1);
}
} // namespace

void connectSelection (ZelkProcessor& processor, CanvasEditState& canvas)
{
    canvas.cancelGesture();
    const auto slots = canvas.selectedNotes (processor);

    if (slots.size() < 2)
        return refuse (canvas, "Select at least two notes: Ctrl-click / Ctrl-drag a box, then CONNECT");

    const auto phrase = inTimeOrder (processor, slots);
    const double bendDepth = processor.raw().destinations[(size_t) destination::bend]->load();

    if (const auto* fault = phraseFault (phrase, bendDepth))
        return refuse (canvas, fault);

    canvas.beforeEdit();

    for (size_t i = 1; i < phrase.size(); ++i)
    {
        const auto from = phrase[i - 1].slot;
        const auto to = phrase[i].slot;
        dropOtherLinksInto (processor, to, from);

        // A pair that was already connected keeps the glide the user gave it.
        if (processor.readNote (from).next != to)
        {
            setNextSlot (processor, from, to);
            setSlotParameter (processor, from, field::glide, canvas.connectGlide);
            setSlotParameter (processor, from, field::glideShape, canvas.connectGlideShape);
        }
    }

    canvas.activeNote = phrase.front().slot;
    canvas.hint = "Connected " + juce::String ((int) phrase.size())
                + " notes: one attack / GLIDE beats adjusts each transition";
    canvas.refresh();
}

void disconnectSelection (ZelkProcessor& processor, CanvasEditState& canvas)
{
    const auto slots = canvas.selectedNotes (processor);

    if (slots.empty())
        return;

    canvas.beforeEdit();
    const auto listed = [&slots] (int slot) { return std::find (slots.begin(), slots.end(), slot) != slots.end(); };

    for (int slot = 0; slot < slotCount; ++slot)
        if (listed (slot) || listed (processor.readNote (slot).next))
            setNextSlot (processor, slot, -1);

    canvas.hint = "Disconnected: notes have their own attacks again";
    canvas.refresh();
}

} // namespace zelk
