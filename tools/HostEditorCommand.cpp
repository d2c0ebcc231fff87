// zelk host-editor: opens a built Zelk's editor as a VST 3 host embeds it, in a real top-level
// window, and checks what a host relies on: the size the view reports, the limits it puts on the
// host's resizes, a second view while one is open, closing and opening it again, a view closed in
// the middle of a pointer gesture or of a knob's turn, and unloading the plug-in while its editor
// is open.
#include "core/Platform.h"
#include "core/ZelkProcessor.h"
#include "hosting/PluginInspection.h"
#include "tools/Checks.h"
#include "tools/Commands.h"
#include "tools/PatternFiles.h"
#include "tools/RealWindows.h"
#include "ui/canvas/ZelkCanvas.h"
#include "ui/editor/EditorLayout.h"

#include <iostream>

namespace zelk::cli
{
namespace
{
struct Options
{
    juce::File bundle, screenshot, state;
    bool stroke = false;
};

// The host's window: the plug-in's editor as its content, at the editor's own size.
class HostWindow : public juce::DocumentWindow
{
public:
    HostWindow() : juce::DocumentWindow ("Zelk (embedded)", juce::Colours::black, juce::DocumentWindow::closeButton)
    {
        setUsingNativeTitleBar (true);
        setResizable (true, false);
    }

    void closeButtonPressed() override { closeRequested = true; }

    bool closeRequested = false;
};

// The gestures the plug-in opens and closes on its parameters, as the host sees them.
class GestureCounter : private juce::AudioProcessorParameter::Listener
{
public:
    explicit GestureCounter (juce::AudioPluginInstance& instance) : parameters (instance.getParameters())
    {
        for (auto* parameter : parameters)
            parameter->addListener (this);
    }

    ~GestureCounter() override { detach(); }

    void detach()
    {
        for (auto* parameter : parameters)
            parameter->removeListener (this);

        parameters.clear();
    }

    int begun = 0, ended = 0, changes = 0;

private:
    void parameterValueChanged (int, float) override { ++changes; }
    void parameterGestureChanged (int, bool starting) override { ++(starting ? begun : ended); }

    juce::Array<juce::AudioProcessorParameter*> parameters;
};

// An unpainted view is the host's black; the editor paints all of its area.
bool editorPainted (HostWindow& window)
{
    return realwindows::isShowing (window) && realwindows::paintedShare (realwindows::capture (window)) > 0.9;
}

juce::String sizeText (juce::Component& c)
{
    return juce::String (c.getWidth()) + " x " + juce::String (c.getHeight());
}

// Where the piano roll of a freshly opened 1280 x 880 editor shows a beat and a pitch, relative to
// the editor's top left: the editor's own layout and the canvas's own mapping (a 16-beat view of
// keys 48..71), on a processor of its own. The grid starts 77 pixels right of the canvas's left
// and 31 below its top, so beat 1.1 on C4 lies at (187, 495) and beat 8.1 on G3 at (685, 625).
class PianoRollPoints
{
public:
    PianoRollPoints() : canvas (processor) { canvas.setBounds (EditorLayout {}.canvas()); }

    juce::Point<int> at (double beat, double pitch) const
    {
        return canvas.getPosition()
             + juce::Point<float> (canvas.beatToX (beat), canvas.pitchToY (pitch)).roundToInt();
    }

private:
    ZelkProcessor processor;
    ZelkCanvas canvas;
};

// The notes of a state, one "slot: key start + duration" each, for comparing and reporting.
juce::String describeNotes (const ZelkProcessor& reader)
{
    juce::StringArray notes;

    for (int slot = 0; slot < slotCount; ++slot)
        if (const auto note = reader.readNote (slot); note.on)
            notes.add (juce::String (slot + 1) + ": " + noteName (note.pitch) + " " + juce::String (note.start, 3)
                       + " + " + juce::String (note.duration, 3));

    return notes.isEmpty() ? juce::String ("no notes") : notes.joinIntoString (", ");
}

class EmbeddedEditorSession
{
public:
    EmbeddedEditorSession (Checks& c, juce::AudioPluginInstance& i) : checks (c), instance (i), gestures (i) {}

    ~EmbeddedEditorSession() { close(); }

    // createView, embedding and the first paint; returns the milliseconds from createView to the
    // first frame on the screen, or a negative number when it never came.
    double open()
    {
        const auto started = juce::Time::getMillisecondCounterHiRes();
        editor.reset (instance.createEditor());

        if (! checks.check (editor != nullptr, "the plug-in gives the host a view"))
            return -1.0;

        window = std::make_unique<HostWindow>();
        window->setContentNonOwned (editor.get(), true);
        window->setTopLeftPosition (40, 40);
        window->setVisible (true);

        if (! realwindows::dispatchUntil ([this] { return editorPainted (*window); }, 10000.0))
        {
            checks.check (false, "the embedded editor painted its window within 10 s");
            return -1.0;
        }

        return juce::Time::getMillisecondCounterHiRes() - started;
    }

    void close()
    {
        if (window != nullptr)
            window->clearContentComponent();

        editor.reset();
        window.reset();
    }

    void checkReportedSize()
    {
        checks.equal ("the view reports its size", sizeText (*editor), "1280 x 880");
    }

    // The host asks for sizes; the view constrains them, and its own window follows.
    void checkResizes()
    {
        struct Request
        {
            int width, height, expectedWidth, expectedHeight;
        };

        for (const auto& r : { Request { 800, 600, 1120, 800 }, Request { 4000, 3000, 1920, 1300 },
                               Request { 1500, 1000, 1500, 1000 }, Request { 1000, 1400, 1120, 1300 },
                               Request { 0, 0, 1120, 800 }, Request { 1280, 880, 1280, 880 } })
        {
            editor->setSize (r.width, r.height);
            const auto expected = juce::String (r.expectedWidth) + " x " + juce::String (r.expectedHeight);
            const auto fits = [&] { return sizeText (*editor) == expected && editorPainted (*window); };
            const auto settled = realwindows::dispatchUntil (fits, 3000.0);
            checks.check (settled, "a host resize to " + juce::String (r.width) + " x " + juce::String (r.height)
                                       + " becomes " + sizeText (*editor) + " (expected " + expected
                                       + "), painted to its edges");
        }
    }

    void checkSecondView()
    {
        std::unique_ptr<juce::AudioProcessorEditor> second (instance.createEditor());
        checks.check (second == nullptr, "a second view while one is open is refused");
        second.reset();
        realwindows::dispatchFor (50);
        checks.check (editorPainted (*window), "the open view is untouched by the request");
    }

    // A stroke across the piano roll through the window system's own pointer, pressed at beat 1.1
    // on C4 and rising to D4 at beat 2.9: with the editor's snapping, a note on C4 from beat 1 to
    // beat 3 whose pitch line rises. The curve's change gestures stay open while the button is down.
    void checkStroke()
    {
        juce::String error;
        const auto origin = editor->getScreenPosition();
        const auto before = gestures.begun;
        auto drawn = realwindows::pointerPress (origin + grid.at (1.1, 60.0), error);

        for (int i = 1; i <= 24 && drawn; ++i)
            drawn = realwindows::pointerMove (origin + grid.at (1.1 + 1.8 * i / 24.0, 60.0 + 2.0 * i / 24.0), error);

        realwindows::dispatchFor (100);
        const auto openDuringStroke = openGestures();
        drawn = drawn && realwindows::pointerRelease (origin + grid.at (2.9, 62.0), error);

        if (! checks.check (drawn, "a pointer stroke through the embedded view" + (error.isEmpty() ? "" : ": " + error)))
        {
            realwindows::pointerRelease (origin + grid.at (2.9, 62.0), error);
            return;
        }

        realwindows::dispatchFor (200);
        checks.check (gestures.begun > before && openDuringStroke > 0,
                      "the stroke held " + juce::String (openDuringStroke) + " parameter gestures open while the button was down");
        checks.check (openGestures() == 0, "the release closed them (" + juce::String (gestures.begun) + " begun, "
                                               + juce::String (gestures.ended) + " ended)");

        ZelkProcessor reader;
        const auto saved = readHostState (reader);
        const auto note = reader.readNote (0);
        const auto pitchLine = note.curves[pitchCurve];
        checks.equal ("the stroke drew its note into the saved state", saved ? describeNotes (reader) : "nothing",
                      "1: C4 1.000 + 2.000");
        checks.check (note.on && pitchLine[32] > pitchLine[0] + 0.01f,
                      "its pitch line rises with the pointer (" + juce::String (pitchLine[0], 3) + " to "
                          + juce::String (pitchLine[32], 3) + ")");
    }

    // The host takes the view away while the button is still down in the middle of a stroke at
    // beat 8.1 on G3: the stroke's gestures close with the view, and what it drew stays.
    void closeDuringGesture()
    {
        juce::String error;
        const auto origin = editor->getScreenPosition();
        const auto pressed = realwindows::pointerPress (origin + grid.at (8.1, 55.0), error)
                          && realwindows::pointerMove (origin + grid.at (8.8, 55.0), error)
                          && realwindows::pointerMove (origin + grid.at (9.4, 55.0), error);
        realwindows::dispatchFor (100);
        checks.check (pressed && openGestures() > 0, "pressed and dragged in the view, " + juce::String (openGestures())
                                                         + " gestures open" + (error.isEmpty() ? "" : ": " + error));

        close();
        realwindows::dispatchFor (100);
        realwindows::pointerRelease (origin + grid.at (9.9, 55.0), error);
        realwindows::dispatchFor (200);
        checks.check (gestures.begun == gestures.ended,
                      "closing the view during a drag leaves no gesture open (" + juce::String (gestures.begun)
                          + " begun, " + juce::String (gestures.ended) + " ended)");

        const auto notes = savedNotes();
        checks.check (notes.contains ("G3 8.000 + 1.500"), "what the interrupted stroke drew is in the saved state: " + notes);
    }

    // The host takes the view away while the real pointer is turning the Pressure knob of the
    // CONTROLS page down: the turn's gesture closes with the view, and the value stays what the
    // last move made it.
    void closeDuringKnobTurn()
    {
        juce::String error;
        const auto origin = editor->getScreenPosition();
        const EditorLayout layout;
        const auto tab = origin + layout.button (EditorButton::controlsTab).getCentre();
        const auto press = origin + layout.knob (1).getPosition() + juce::Point<int> (110, 82);
        auto* pressure = parameterNamed ("Pressure");
        const auto blank = origin + juce::Point<int> (900, 15);
        auto turned = pressure != nullptr;

        // The view before this one was closed under a held button, whose release reached no window:
        // JUCE still counts it as down and so takes the next click for no press. That one goes on
        // blank paper.
        for (const auto at : { blank, tab })
        {
            turned = turned && realwindows::pointerPress (at, error);
            realwindows::dispatchFor (100);
            turned = turned && realwindows::pointerRelease (at, error);
            realwindows::dispatchFor (200);
        }

        turned = turned && realwindows::pointerPress (press, error);

        for (int i = 1; i <= 8 && turned; ++i)
            turned = realwindows::pointerMove (press + juce::Point<int> (0, 5 * i), error);

        realwindows::dispatchFor (200);
        const auto held = pressure != nullptr ? pressure->getValue() : -1.0f;
        checks.check (turned && held < 0.95f && openGestures() == 1,
                      "turned Pressure down to " + juce::String (held, 3) + " with the button held, "
                          + juce::String (openGestures()) + " gesture open" + (error.isEmpty() ? "" : ": " + error));

        close();
        realwindows::dispatchFor (100);
        realwindows::pointerRelease (press + juce::Point<int> (0, 40), error);
        realwindows::dispatchFor (200);
        checks.check (openGestures() == 0, "closing the view mid-turn closed its gesture");
        checks.equal ("closing the view mid-turn keeps the value of the last move",
                      juce::String (pressure != nullptr ? pressure->getValue() : -1.0f, 3), juce::String (held, 3));
    }

    juce::AudioProcessorParameter* parameterNamed (const juce::String& name)
    {
        for (auto* parameter : instance.getParameters())
            if (parameter->getName (100) == name)
                return parameter;

        return nullptr;
    }

    void closeThroughTheWindow()
    {
        realwindows::requestClose (*window);
        const auto asked = realwindows::dispatchUntil ([this] { return window->closeRequested; }, 10000.0);
        checks.check (asked, "the window's close request reaches the host");
        close();
        realwindows::dispatchFor (100);
    }

    // The notes of the plug-in's state as the host saves it.
    juce::String savedNotes()
    {
        ZelkProcessor reader;
        return readHostState (reader) ? describeNotes (reader) : juce::String ("no state");
    }

    bool readHostState (ZelkProcessor& reader)
    {
        juce::MemoryBlock block;

        if (! savedComponentState (instance, block))
            return false;

        reader.setStateInformation (block.getData(), (int) block.getSize());
        return true;
    }

    // What the screen shows of the view, brought up to date first (see repaintNow).
    juce::Image screen()
    {
        realwindows::repaintNow (*window);
        realwindows::dispatchFor (100);
        return realwindows::capture (*window);
    }

    // The drawn note's line is the accent blue, which nothing else in that part of the grid is.
    void checkStrokeOnScreen (const juce::Image& shot)
    {
        const auto topLeft = editor->getScreenPosition() - window->getScreenPosition();
        const auto area = juce::Rectangle<int>::leftTopRightBottom (grid.at (0.9, 63.0).x, grid.at (0.9, 63.0).y,
                                                                    grid.at (3.1, 59.0).x, grid.at (3.1, 59.0).y)
                              + topLeft;
        int blue = 0;

        if (shot.isValid())
        {
            const juce::Image::BitmapData pixels (shot, juce::Image::BitmapData::readOnly);

            for (int y = juce::jmax (0, area.getY()); y < juce::jmin (shot.getHeight(), area.getBottom()); ++y)
                for (int x = juce::jmax (0, area.getX()); x < juce::jmin (shot.getWidth(), area.getRight()); ++x)
                {
                    const auto c = pixels.getPixelColour (x, y);
                    blue += c.getBlue() > 150 && c.getBlue() - c.getRed() > 80 ? 1 : 0;
                }
        }

        checks.check (blue > 200, "the screen shows the drawn note (" + juce::String (blue) + " of its blue pixels)");
    }

    void detachGestures() { gestures.detach(); }

    int openGestures() const { return gestures.begun - gestures.ended; }

private:
    Checks& checks;
    juce::AudioPluginInstance& instance;
    GestureCounter gestures;
    PianoRollPoints grid;
    std::unique_ptr<juce::AudioProcessorEditor> editor;
    std::unique_ptr<HostWindow> window;
};

bool parseOptions (const juce::StringArray& args, Options& options)
{
    for (int i = 0; i < args.size(); ++i)
    {
        const auto& arg = args[i];

        if ((arg == "--screenshot" || arg == "--state") && i + 1 < args.size())
            (arg == "--screenshot" ? options.screenshot : options.state) = argumentFile (args[++i]);
        else if (arg == "--stroke")
            options.stroke = true;
        else if (! arg.startsWith ("--") && options.bundle == juce::File())
            options.bundle = argumentFile (arg);
        else
            return false;
    }

    return options.bundle != juce::File();
}

juce::String milliseconds (double value)
{
    return juce::String (value, 1) + " ms";
}
} // namespace

int hostEditor (const juce::StringArray& args)
{
    Options options;

    if (! parseOptions (args, options))
    {
        printError ("host-editor takes one VST 3 bundle, then --screenshot PNG, --state XML, --stroke (see zelk --help)");
        return 2;
    }

    if (const auto problem = platform::windowSystemProblem(); problem.isNotEmpty())
    {
        printError ("host-editor needs a window: " + problem);
        return 1;
    }

    auto plugin = openVst3Plugin (options.bundle);

    if (! plugin.ok())
    {
        printError (plugin.error);
        return 1;
    }

    Checks checks ("host-editor");
    juce::Array<double> firstPaints;
    juce::String notesBeforeReopening;
    plugin.instance->prepareToPlay (48000.0, 512);

    {
        EmbeddedEditorSession session (checks, *plugin.instance);

        // First opening: the size, the resizes, a second view, the stroke, a close mid-gesture.
        if (const auto ms = session.open(); ms >= 0.0)
        {
            firstPaints.add (ms);
            session.checkReportedSize();
            session.checkResizes();
            session.checkSecondView();

            if (options.stroke)
                session.checkStroke();

            if (options.stroke || options.screenshot != juce::File())
            {
                const auto shot = session.screen();

                if (options.stroke)
                    session.checkStrokeOnScreen (shot);

                if (options.screenshot != juce::File())
                    checks.check (realwindows::writePng (shot, options.screenshot),
                                  "screenshot " + options.screenshot.getFullPathName());
            }

            session.closeDuringGesture();
            notesBeforeReopening = session.savedNotes();
        }

        // Opened again three times: closed in the middle of a knob's turn, then through the
        // window; the third time the host unloads the plug-in with the editor still open.
        for (int reopen = 1; reopen <= 3; ++reopen)
        {
            const auto ms = session.open();

            if (ms < 0.0)
                break;

            firstPaints.add (ms);
            session.checkReportedSize();

            if (reopen == 1)
            {
                session.closeDuringKnobTurn();
                continue;
            }

            if (reopen == 2)
            {
                session.closeThroughTheWindow();
                continue;
            }

            checks.equal ("the drawn notes are still in the saved state after closing and opening the view again",
                          session.savedNotes(), notesBeforeReopening);

            if (options.state != juce::File())
            {
                ZelkProcessor reader;
                checks.check (session.readHostState (reader) && saveStateXml (reader, options.state),
                              "saved state " + options.state.getFullPathName());
            }

            // A host removing the plug-in: its window, then the instance, before the message loop runs.
            session.detachGestures();
            session.close();
            plugin.instance->releaseResources();
            plugin.instance.reset();
            realwindows::dispatchFor (500);
            checks.check (true, "the plug-in unloaded with its editor open, and its queued messages ran");
        }

        checks.check (session.openGestures() == 0, "no gesture was left open");
    }

    juce::StringArray times;

    for (const auto ms : firstPaints)
        times.add (milliseconds (ms));

    checks.check (firstPaints.size() == 4, "opened four times");
    std::cout << "createView to first paint: " << times.joinIntoString (", ") << "\n";
    return checks.finish();
}

} // namespace zelk::cli
