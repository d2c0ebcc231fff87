#pragma once

#include <juce_core/juce_core.h>

namespace zelk
{
// The editor's 25 text buttons, in the order they are built.
enum class EditorButton
{
    pianoRollTab,
    controlsTab,
    motionTab,
    instrumentTab,
    play,
    listen,
    hearEdits,
    panic,
    exportMidi,
    importMidi,
    loadVst3,
    openSynth,
    externalMidi,
    draw,
    edit,
    clear,
    undo,
    vibrato,
    smooth,
    connect,
    unlink,
    redo,
    loop,
    timeSnap,
    pitchSnap
};

constexpr int editorButtonCount = 25;

enum EditorPage
{
    pianoRollPage = 0,
    controlsPage = 1,
    motionPage = 2,
    instrumentPage = 3
};

struct EditorButtonSpec
{
    const char* text;
    const char* componentId; // empty when the button has none
    const char* tooltip;     // empty when the button has none
    bool clickingToggles;    // only these change their own toggle state
    int page;                // the page it is shown on, or -1 for the header's buttons
};

const EditorButtonSpec& buttonSpec (EditorButton button) noexcept;

} // namespace zelk
