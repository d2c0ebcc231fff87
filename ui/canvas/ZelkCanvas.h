#pragma once

#include "core/Note.h"
#include "editing/CanvasEditState.h"
#include "ui/canvas/CanvasGesture.h"

#include <juce_gui_basics/juce_gui_basics.h>

#include <functional>
#include <memory>
#include <optional>
#include <set>
#include <vector>

namespace zelk
{
class ZelkProcessor;
struct NoteLayer;
struct NoteLayerKey;

// Where a press lands and what it starts, decided before anything changes.
enum class PressTarget
{
    nothing,
    pan,
    keyAudition,
    rulerClear,
    rulerSelect,
    rulerCursor,
    zoomToSelection,
    glideLength,
    glideShape,
    selectionClick,
    deleteNote,
    editNote,
    curveRedraw,
    newStroke
};

struct PressRoute
{
    PressTarget target = PressTarget::nothing;
    int note = -1; // the note under the pointer in the grid, or the glide's note
};

// The piano roll: the pattern on a grid of semitone rows against a beat timeline, a keyboard on the
// left, a ruler on top. It keeps no note data; every paint and every pointer event reads the slots.
class ZelkCanvas : public juce::Component, public juce::FileDragAndDropTarget
{
public:
    // Files dragged from the desktop: only the piano roll takes a drop, so the pointer shows where
    // one lands. The window says what a drop does; positions are in the window's coordinates.
    struct FileDrops
    {
        std::function<bool (const juce::StringArray&)> wanted;
        std::function<void (const juce::StringArray&, int, int)> entered, moved, dropped;
        std::function<void (const juce::StringArray&)> left;
    };
    FileDrops fileDrops;

    bool isInterestedInFileDrag (const juce::StringArray& files) override { return fileDrops.wanted && fileDrops.wanted (files); }
    void fileDragEnter (const juce::StringArray& files, int x, int y) override { forward (fileDrops.entered, files, x, y); }
    void fileDragMove (const juce::StringArray& files, int x, int y) override { forward (fileDrops.moved, files, x, y); }
    void filesDropped (const juce::StringArray& files, int x, int y) override { forward (fileDrops.dropped, files, x, y); }
    void fileDragExit (const juce::StringArray& files) override
    {
        if (fileDrops.left)
            fileDrops.left (files);
    }

    enum class Tool
    {
        draw = 0,
        edit = 1
    };

    // The inline vibrato controls that float above the active note.
    class VibratoPanel;

    static constexpr int keyboardWidth = 76;
    static constexpr int rulerHeight = 30;
    static constexpr int minimumRows = 6;
    static constexpr int maximumRows = 96;

    explicit ZelkCanvas (ZelkProcessor& processor);
    ~ZelkCanvas() override;

    // Coordinates. The grid is where notes live; the view maps it onto beats S..S+L and onto
    // `visibleRows` semitone rows from `lowestKey` up.
    juce::Rectangle<float> gridArea() const noexcept;
    double effectiveViewLength() const noexcept;
    double effectiveViewStart() const noexcept;
    double xToBeat (float x) const noexcept;
    float beatToX (double beat) const noexcept;
    float rowHeight() const noexcept;
    float pitchToY (double pitch) const noexcept;
    double yToPitch (float y) const noexcept;

    // Notes are shown transposed by the "transpose" control.
    int displayKey (const Note& note) const noexcept;
    double displayPitchAt (const Note& note, double fraction) const noexcept;
    // The "bend" control: the semitones a pitch-curve value of 1 stands for.
    double bendDepth() const noexcept;
    // The screen point of a note's glide into `next` at u = 0 (the glide start) .. 1 (next's start).
    juce::Point<float> glidePoint (const Note& note, const Note& next, double u) const noexcept;

    // The slot under a point, or -1: the active note first, then the topmost drawn note.
    int hitTestNote (juce::Point<float> point) const;
    // The note whose glide line passes near a point (its two ends excluded), or -1.
    int hitTestGlide (juce::Point<float> point) const;
    // The first selected note whose glide handle lies under a point, or -1.
    int glideHandleAt (juce::Point<float> point) const;

    // Beats of the grid lines inside the grid: about 64 over the view, a power of two apart, at
    // least a sixteenth.
    std::vector<double> gridBeats() const;

    // The view.
    void zoomTime (double factor, double anchor);
    void zoomToFit();
    void zoomToSelection();

    // Asks the engine to sound a pitch while the transport is stopped.
    void audition (float pitch, float pressure, float timbre);
    // Ends the current gesture without undoing anything, closing every open parameter gesture.
    void cancelGesture();
    void refresh();

    // Drawing. The pitch-curve value that puts a note's drawn line at pitch p, limited by the bend
    // depth (the hint says when it limits).
    double toCurveValue (const Note& note, double pitch);
    // The lowest slot that is not on, or -1 when all are in use.
    int firstFreeSlot() const;
    // The beat a press at x starts a note on, and the pitch a pointer at y draws, after snapping.
    double snappedPressBeat (float x) const noexcept;
    double snappedPitch (float y) const noexcept;

    // The vibrato of the active note: V and the VIBRATO button switch it on and show or hide the
    // panel; every refresh and paint keeps the panel over the note.
    void toggleVibratoPanel();
    void updateVibratoPanel();
    // The panel once it has been shown, else null.
    VibratoPanel* vibratoPanel() const noexcept { return panel.get(); }

    std::vector<int> selectedNotes() const;
    bool isSelected (int slot) const;
    CanvasEditState& editState() noexcept { return edit; }
    const CanvasGesture& currentGesture() const noexcept { return gesture; }

    PressRoute routePress (juce::Point<float> position, juce::ModifierKeys mods, int clicks) const;

    void paint (juce::Graphics& g) override;
    void mouseDown (const juce::MouseEvent& e) override;
    void mouseDrag (const juce::MouseEvent& e) override;
    void mouseUp (const juce::MouseEvent& e) override;
    void mouseDoubleClick (const juce::MouseEvent& e) override;
    void mouseMove (const juce::MouseEvent& e) override;
    void mouseExit (const juce::MouseEvent& e) override;
    void mouseWheelMove (const juce::MouseEvent& e, const juce::MouseWheelDetails& wheel) override;
    void focusLost (FocusChangeType cause) override;

    // The piano roll's keys: Escape ends the gesture, the rest is the shortcut table. False for a
    // key that is not a shortcut, so that the host may have it.
    bool keyPressed (const juce::KeyPress& key) override;
    void setTool (Tool newTool);
    void toggleTimeSnap();
    void togglePitchSnap();

    ZelkProcessor& processor;

private:
    template <typename Handler>
    void forward (const Handler& handler, const juce::StringArray& files, int x, int y)
    {
        if (handler)
            handler (files, x + getX(), y + getY());
    }

    // The operations in editing/ act on this; the canvas shows its fields under their own names.
    CanvasEditState edit;

public:
    int& activeNote = edit.activeNote;
    std::set<int>& selection = edit.selection;
    juce::String& hint = edit.hint;
    float& connectGlide = edit.connectGlide;
    float& connectGlideShape = edit.connectGlideShape;
    std::function<void()>& onBeforeEdit = edit.onBeforeEdit;
    std::function<void()>& onChanged = edit.onChanged;
    std::function<void (bool redo)> onUndoRedo;

    int lowestKey = 48;
    int visibleRows = 24;
    bool timeSnap = true;
    bool pitchSnap = true;
    Tool tool = Tool::draw;
    double viewStart = 0.0;
    double viewLength = 0.0;
    float defaultLength = 0.25f;
    bool panelOpen = false;
    juce::Point<float> lastPointer;
    bool hovering = false;
    // Paints keep the drawing up to the notes while nothing it shows changes; off, every paint
    // draws everything.
    bool keepsNoteLayer = true;
    // Of the canvas's pixels, those whose notes the last paint drew again: all of them when it
    // drew everything, only the parts around the changed notes after an edit.
    int64_t lastRepaintedPixels() const noexcept;

private:
    // The drag step again every 35 ms while a gesture lasts (the edge scrolling, Shift's creep),
    // from the last pointer event. JUCE's own repeat asks the window system for the buttons' state,
    // which on a late message thread ends a drag before its last moves have been handled.
    struct DragRepeat : juce::Timer
    {
        explicit DragRepeat (ZelkCanvas& owner) : canvas (owner) {}
        void start() { startTimer (35); }
        void timerCallback() override;

        ZelkCanvas& canvas;
        std::optional<juce::MouseEvent> lastEvent;
    };

    DragRepeat dragRepeat { *this };

    // What the first click of a multiple click did, so that its double click builds on it instead
    // of doing it again: the note it drew or drew on, and the glide whose press recorded the undo
    // step, with the pattern's count of changes once that press was over.
    struct FirstClick
    {
        int note = -1;
        int glide = -1;
        uint32_t changesAfterGlide = 0;
    };

    FirstClick firstClick;

    void beginPan (juce::Point<float> position);
    void dragPan (juce::Point<int> position);
    void scrollAtEdges (float x);
    void finishEditPress (const Note& pressed, double fraction);
    double fractionAlong (const Note& note, float x) const noexcept;
    void updateHover (juce::Point<float> position);
    void restoreToolCursor();
    bool handleCommandKey (const juce::KeyPress& key);
    bool handleEditingKey (const juce::KeyPress& key);
    bool handleToolKey (const juce::KeyPress& key);

    // The draw tool.
    void beginNewStroke (juce::Point<float> position);
    void dragNewStroke (juce::Point<float> position, bool flat);
    void beginCurveRedraw (int slot, juce::Point<float> position, bool fine);
    void paintCurvePoint (juce::Point<float> position, bool fine);
    void addDefaultNote (juce::Point<float> position);
    Note newNoteAt (juce::Point<float> position);
    void auditionKey (float y);
    void openCurveGesture (int slot);
    void setCurvePoint (int point, double value);

    // The edit tool.
    void beginSelectionClick (int slot, juce::Point<float> position, bool adding);
    void dragBox (juce::Point<float> position);
    void beginNotePress (int slot, juce::Point<float> position, bool copying);
    double dragBeats (float x, bool exact) const noexcept;
    void dragMove (juce::Point<float> position, bool exact);
    void dragResize (juce::Point<float> position, bool exact);
    void deleteFromGrid (int slot);
    void clearTimeSelection();
    void beginRulerSelect (float x, bool exact);
    void dragRulerSelect (float x, bool exact);
    void setPlaybackCursor (float x, bool exact);

    // Glides.
    void beginGlideLength (int slot);
    void dragGlideLength (float x, bool exact);
    void beginGlideShape (int slot, juce::Point<float> position);
    void dragGlideShape (float y, bool fine);
    void resetGlideShape (int slot);

    NoteLayerKey noteLayerKey() const;

    CanvasGesture gesture;
    std::unique_ptr<VibratoPanel> panel;
    std::unique_ptr<NoteLayer> noteLayer;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (ZelkCanvas)
};

// "C4" for key 60: sharps, octave = key / 12 - 1.
juce::String noteName (int key);

// The ruler's label of a grid line: the bar number on a bar ("1", "2", ...), bar and beat on the
// other beats ("1.2", "1.3", ...), nothing between beats. Bars are four beats.
juce::String rulerLabel (double beat);

} // namespace zelk
