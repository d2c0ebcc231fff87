#include "ui/canvas/VibratoPanel.h"

#include "core/NoteFields.h"
#include "core/ZelkProcessor.h"

#include <algorithm>

namespace zelk
{
namespace
{
constexpr int widestPanel = 610;
// The panel floats this far above the middle of the note's line, at the note's left end.
constexpr int panelLift = 106;

// A screen coordinate as an integer, also for a note far outside the view.
int pixel (float coordinate) noexcept { return (int) std::clamp (coordinate, -1.0e6f, 1.0e6f); }
} // namespace

void ZelkCanvas::toggleVibratoPanel()
{
    if (! processor.isNoteOn (activeNote))
    {
        hint = "Select a note, then V for vibrato";
    }
    else if (processor.readNote (activeNote).vibOn)
    {
        panelOpen = ! panelOpen;
    }
    else
    {
        // The note keeps the vibrato values it had; only the switch changes.
        edit.beforeEdit();
        processor.setParameterValue (noteParameterId (activeNote, field::vibOn), 1.0f);
        panelOpen = true;
    }

    updateVibratoPanel();

    if (onChanged)
        onChanged();

    repaint();
}

void ZelkCanvas::updateVibratoPanel()
{
    const auto wanted = panelOpen && processor.isNoteOn (activeNote) && processor.readNote (activeNote).vibOn;

    if (! wanted)
    {
        if (panel != nullptr)
            panel->setVisible (false);

        return;
    }

    if (panel == nullptr)
    {
        panel = std::make_unique<VibratoPanel> (*this);
        addChildComponent (*panel);
    }

    const auto note = processor.readNote (activeNote);
    const auto grid = gridArea();
    const auto gridX = (int) grid.getX(), gridY = (int) grid.getY();
    const auto gridWidth = (int) grid.getWidth(), gridHeight = (int) grid.getHeight();
    const auto width = std::min (gridWidth - 12, widestPanel);

    // Kept inside the grid; near the top edge the panel may cover the note.
    auto x = pixel (beatToX (note.start));
    x = x < gridX + 5 ? gridX + 5 : std::min (x, gridX + gridWidth - width - 5);
    auto y = pixel (pitchToY (displayPitchAt (note, 0.5))) - panelLift;
    y = y < gridY + 4 ? gridY + 4 : std::min (y, gridY + gridHeight - 84);

    panel->setBounds (x, y, std::max (0, width), VibratoPanel::height);
    panel->showValues (note);
    panel->setVisible (true);
}

} // namespace zelk
