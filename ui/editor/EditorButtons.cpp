#include "ui/editor/EditorButtons.h"

#include <array>

namespace zelk
{
namespace
{
constexpr int always = -1;

// clang-format off
const std::array<EditorButtonSpec, editorButtonCount> specs { {
    { "PIANO ROLL", "draw-tab", "", false, always },
    { "CONTROLS", "controls-tab", "", false, always },
    { "MOTION", "motion-tab", "", false, always },
    { "INSTRUMENT", "instrument-tab", "", false, always },
    { "PLAY", "", "Play the clip at 120 BPM while the host is stopped. During DAW playback, the host controls playback and tempo.", false, always },
    { "LISTEN", "", "Hear the built-in audition synth. Turn off when routing to an external instrument.", true, always },
    { "HEAR EDITS", "", "Hear the pitch under your pen or piano key while transport is stopped. Also sends MPE MIDI to your routed synth.", true, pianoRollPage },
    { "PANIC", "", "", false, always },
    { "EXPORT MIDI", "", "", false, pianoRollPage },
    { "IMPORT MIDI", "import-midi", "Import MIDI notes, timing and velocity, replacing this pattern. Undo restores it. Controllers and bends are not imported; maximum 128 notes.", false, pianoRollPage },
    { "LOAD VST3", "load-synth", "Load your VST3 instrument directly inside Zelk. MIDI stays internal; FL receives audio. Vital defaults to MPE and bend range 48.", false, instrumentPage },
    { "OPEN SYNTH", "open-synth", "", false, instrumentPage },
    { "EXTERNAL MIDI", "external-midi", "Unload the internal instrument and return to external MIDI routing.", false, instrumentPage },
    { "DRAW", "pencil", "Draw a new curved note on empty space, or redraw an existing pitch line. Shift locks a new stroke's pitch; Shift refines an existing curve.", false, pianoRollPage },
    { "EDIT", "edit-tool", "Select and move notes. Ctrl-drag an empty area selects a group. Ctrl+Shift-click adds notes. Shift-drag copies; Alt bypasses snap.", false, pianoRollPage },
    { "CLEAR", "", "", false, pianoRollPage },
    { "UNDO", "undo", "", false, pianoRollPage },
    { "VIBRATO", "vibrato-apply", "V: open vibrato controls directly on the selected note. Start/end, depth, cycles and fade are saved per note.", false, pianoRollPage },
    { "SMOOTH", "smooth-curve", "Smooth the selected pitch, pressure or timbre once, keeping endpoints. Undo is available.", false, pianoRollPage },
    { "CONNECT", "connect-notes", "Select existing notes using Ctrl-click / Ctrl+Shift-click / Ctrl-drag a box, then CONNECT (Ctrl+G). They share one attack; notes remain editable.", false, pianoRollPage },
    { "UNLINK", "disconnect-notes", "Remove selected notes' connections (Ctrl+Shift+G), restoring separate attacks.", false, pianoRollPage },
    { "REDO", "redo", "", false, pianoRollPage },
    { "LOOP", "loop-toggle", "Off: follow song time. On: repeat the highlighted time selection, or all notes from the beginning through the final note-off if no range. Ctrl-drag the ruler to select; right-click the ruler to clear. ", false, pianoRollPage },
    { "TIME 1/16", "time-snap", "", true, pianoRollPage },
    { "SEMITONES", "pitch-snap", "F: switch Semitones / Free Pitch", true, pianoRollPage },
} };
// clang-format on
} // namespace

const EditorButtonSpec& buttonSpec (EditorButton button) noexcept { return specs[(size_t) button]; }

} // namespace zelk
