// zelk host-capture: CAPTURE in a built Zelk hosted as a VST 3 host hosts it. Its editor opens in
// a real window and CAPTURE is clicked with the window system's pointer; an MPE performance is fed
// into the plug-in's MIDI input in blocks of varied size while the host's transport plays, the
// host stops, and the state the host saves must hold what was played. A second performance,
// longer than the plug-in's queue and played without the message loop getting a turn, loses
// events: what fits is kept and the status line says how many were lost.
//
// VST 3 carries notes and each key's pressure as events; bends, channel pressure and controllers
// reach a plug-in only as the parameters of its MIDI controller mapping, which this build does not
// make (JUCE_VST3_EMULATE_MIDI_CC_WITH_PARAMETERS), so a host drops them on the way.
#include "core/Platform.h"
#include "core/ZelkProcessor.h"
#include "hosting/PluginInspection.h"
#include "tools/Checks.h"
#include "tools/Commands.h"
#include "tools/HostTransport.h"
#include "tools/PatternFiles.h"
#include "tools/RealWindows.h"
#include "ui/editor/EditorLayout.h"

#include <iostream>

namespace zelk::cli
{
namespace
{
class HostWindow : public juce::DocumentWindow
{
public:
    HostWindow()
        : juce::DocumentWindow ("Zelk (capture)", juce::Colours::black, juce::DocumentWindow::closeButton)
    {
        setUsingNativeTitleBar (true);
    }

    void closeButtonPressed() override {}
};

juce::MidiMessage at (juce::MidiMessage m, double beat)
{
    m.setTimeStamp (beat);
    return m;
}

// C4 on channel 2 from `from` + 1, sliding up to E4 over a quarter beat after a beat and held to
// + 3, its key's pressure rising and, as a controller sends both, its channel's; G4 on channel 3
// from + 1.5 to + 2.5 with controller 74 at 100. 250 Hz.
std::vector<juce::MidiMessage> performance (double from)
{
    std::vector<juce::MidiMessage> m{at (juce::MidiMessage::controllerEvent (1, 101, 0), from),
                                     at (juce::MidiMessage::controllerEvent (1, 100, 6), from),
                                     at (juce::MidiMessage::controllerEvent (1, 6, 15), from),
                                     at (juce::MidiMessage::pitchWheel (2, 8192), from + 1.0),
                                     at (juce::MidiMessage::noteOn (2, 60, (juce::uint8) 100), from + 1.0),
                                     at (juce::MidiMessage::controllerEvent (3, 74, 100), from + 1.5),
                                     at (juce::MidiMessage::noteOn (3, 67, (juce::uint8) 80), from + 1.5)};

    for (int i = 0; i < 250; ++i)
    {
        const auto t = 1.0 + i * 0.008;
        const auto slide = t < 2.0 ? 0.0 : std::min (1.0, (t - 2.0) / 0.25) * 4.0;
        m.push_back (
            at (juce::MidiMessage::pitchWheel (2, 8192 + (int) std::lround (slide / 48.0 * 8192.0)), from + t));
        const auto pressure = (int) std::lround ((t - 1.0) / 2.0 * 127.0);
        m.push_back (at (juce::MidiMessage::channelPressureChange (2, pressure), from + t));
        m.push_back (at (juce::MidiMessage::aftertouchChange (2, 60, pressure), from + t));
    }

    m.push_back (at (juce::MidiMessage::noteOff (3, 67), from + 2.5));
    m.push_back (at (juce::MidiMessage::noteOff (2, 60), from + 3.0));
    std::stable_sort (m.begin(), m.end(),
                      [] (const auto& a, const auto& b) { return a.getTimeStamp() < b.getTimeStamp(); });
    return m;
}

class CaptureSession
{
public:
    CaptureSession (Checks& c, juce::AudioPluginInstance& i)
        : checks (c)
        , instance (i)
    {
        instance.setPlayHead (&transport);
        instance.prepareToPlay (48000.0, 1024);
    }

    ~CaptureSession()
    {
        if (window != nullptr)
            window->clearContentComponent();

        editor.reset();
        window.reset();
        instance.releaseResources();
    }

    bool open()
    {
        editor.reset (instance.createEditor());

        if (!checks.check (editor != nullptr, "the plug-in gives the host a view"))
            return false;

        window = std::make_unique<HostWindow>();
        window->setContentNonOwned (editor.get(), true);
        window->setTopLeftPosition (40, 40);
        window->setVisible (true);

        return checks.check (realwindows::dispatchUntil ([this] { return painted(); }, 10000.0),
                             "the embedded editor painted its window");
    }

    bool clickCapture()
    {
        juce::String error;
        const auto centre = editor->getScreenPosition() + EditorLayout{}.captureButton().getCentre();
        const auto clicked = realwindows::pointerPress (centre, error) && realwindows::pointerRelease (centre, error);
        realwindows::dispatchFor (200);
        return checks.check (clicked, "CAPTURE clicked with the real pointer" + (error.isEmpty() ? "" : ": " + error));
    }

    // The host's transport plays from `from` while the performance goes into the MIDI input in
    // blocks of 512, 37, 1024, 300 and 64 samples; the message loop gets a turn every few blocks
    // unless `starved`. Then the host stops.
    void play (const std::vector<juce::MidiMessage>& events, double from, double until, bool starved)
    {
        const int sizes[] = {512, 37, 1024, 300, 64};
        const auto beatsPerSample = 120.0 / (60.0 * 48000.0);
        transport.playing = true;
        transport.ppq = from;
        size_t next = 0;

        for (int block = 0; transport.ppq < until; ++block)
        {
            const auto size = sizes[block % 5];
            const auto end = transport.ppq + size * beatsPerSample;
            juce::MidiBuffer midi;

            for (; next < events.size() && events[next].getTimeStamp() < end; ++next)
                midi.addEvent (
                    events[next],
                    juce::jlimit (0, size - 1, (int) ((events[next].getTimeStamp() - transport.ppq) / beatsPerSample)));

            juce::AudioBuffer<float> buffer (2, size);
            instance.processBlock (buffer, midi);
            transport.ppq = end;

            if (!starved && block % 8 == 0)
                realwindows::dispatchFor (1);
        }

        transport.playing = false;
        juce::AudioBuffer<float> buffer (2, 512);
        juce::MidiBuffer none;
        instance.processBlock (buffer, none);
        realwindows::dispatchFor (600);
    }

    juce::String savedNotes()
    {
        juce::MemoryBlock block;

        if (!savedComponentState (instance, block))
            return "no state";

        ZelkProcessor reader;
        reader.setStateInformation (block.getData(), (int) block.getSize());
        juce::StringArray notes;

        for (int slot = 0; slot < slotCount; ++slot)
            if (const auto n = reader.readNote (slot); n.on)
                notes.add (juce::MidiMessage::getMidiNoteName (n.pitch, true, true, 4) + " " +
                           juce::String (n.start, 2) + "+" + juce::String (n.duration, 2) + " v" +
                           juce::String ((int) n.velocity) + " p" + juce::String (n.curves[pressureCurve][8], 2) +
                           (n.next >= 0 ? " -> " + juce::String (n.next + 1) : juce::String()));

        return notes.joinIntoString (", ");
    }

    void screenshot (const juce::File& folder, const juce::String& name)
    {
        if (folder == juce::File())
            return;

        realwindows::repaintNow (*window);
        realwindows::dispatchFor (150);
        const auto file = folder.getChildFile ("host-capture-" + name + ".png");
        checks.check (realwindows::writePng (realwindows::capture (*window), file),
                      "screenshot " + file.getFullPathName());
    }

private:
    bool painted()
    {
        return realwindows::isShowing (*window) && realwindows::paintedShare (realwindows::capture (*window)) > 0.9;
    }

    Checks& checks;
    juce::AudioPluginInstance& instance;
    HostTransport transport;
    std::unique_ptr<juce::AudioProcessorEditor> editor;
    std::unique_ptr<HostWindow> window;
};
} // namespace

int hostCapture (const juce::StringArray& args)
{
    if (args.size() != 1 && !(args.size() == 3 && args[1] == "--screenshots"))
    {
        printError ("host-capture takes one VST 3 bundle, then --screenshots DIR (see zelk --help)");
        return 2;
    }

    if (const auto problem = platform::windowSystemProblem(); problem.isNotEmpty())
    {
        printError ("host-capture needs a window: " + problem);
        return 1;
    }

    auto plugin = openVst3Plugin (argumentFile (args[0]));

    if (!plugin.ok())
    {
        printError (plugin.error);
        return 1;
    }

    const auto shots = args.size() == 3 ? argumentFile (args[2]) : juce::File();
    Checks checks ("host-capture");

    {
        CaptureSession session (checks, *plugin.instance);

        if (session.open())
        {
            session.clickCapture();
            session.screenshot (shots, "1-armed");
            session.play (performance (0.0), 0.0, 4.0, false);
            checks.equal (
                "the host stopping ended the capture: the saved state holds the notes and key pressure played",
                session.savedNotes(), "C4 1.00+2.00 v100 p0.25, G4 1.50+1.00 v80 p0.50");
            session.screenshot (shots, "2-captured");

            // Far more than the queue holds, with no turn for the message loop.
            auto flood = performance (8.0);

            for (int i = 0; i < 80000; ++i)
                flood.push_back (at (juce::MidiMessage::aftertouchChange (4, 72, i % 128), 12.0 + i * 2.5e-5));

            std::stable_sort (flood.begin(), flood.end(),
                              [] (const auto& a, const auto& b) { return a.getTimeStamp() < b.getTimeStamp(); });
            session.clickCapture();
            session.play (flood, 8.0, 14.5, true);
            checks.equal ("a performance longer than the queue keeps what fitted", session.savedNotes(),
                          "C4 9.00+2.00 v100 p0.25, G4 9.50+1.00 v80 p0.50");
            session.screenshot (shots, "3-events-lost");
        }
    }

    plugin.instance.reset();
    realwindows::dispatchFor (300);
    return checks.finish();
}

} // namespace zelk::cli
