// The hosted instrument's editor in a real window on a real window system (an Xvfb server, or
// Windows under Wine): opened by OPEN SYNTH's showWindow, hidden by the window system's close
// request, reused, and torn down while open. The fixture counts its editors and paints in its
// saved state, so the outcomes are read through the host.
#include "core/Platform.h"
#include "tests/helpers/FakePlayHead.h"
#include "tests/helpers/FixtureBundles.h"
#include "tests/helpers/TestProcessor.h"
#include "tools/RealWindows.h"
#include "ui/editor/ZelkEditor.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <thread>

using namespace zelk;
using namespace zelk::test;

namespace
{
constexpr juce::uint32 fixtureEditorColour = 0xff2f7d5b;

juce::File screenshot (const juce::String& name)
{
    return juce::File (ZELK_REAL_WINDOWS_DIR).getChildFile (name);
}

// As long as the window system may take to show or hide a window, checking in steps of 10 ms
// (the repainting below counts them).
bool waitFor (const std::function<bool()>& condition)
{
    return realwindows::dispatchUntil (condition, 5000.0, 10);
}

HostedInstrument::Window* hostedWindow()
{
    for (int i = 0; i < juce::TopLevelWindow::getNumTopLevelWindows(); ++i)
        if (auto* window = dynamic_cast<HostedInstrument::Window*> (juce::TopLevelWindow::getTopLevelWindow (i)))
            return window;

    return nullptr;
}

struct EditorCounts
{
    int created = -1, painted = -1, destroyed = -1;
};

// The fixture's line "editors created N painted P destroyed D".
EditorCounts editorCounts (HostedInstrument& instrument)
{
    juce::StringArray lines;
    lines.addLines (fixtureStateText (instrument.savedStateElement().getProperty ("state").toString()));
    EditorCounts counts;

    for (const auto& line : lines)
        if (line.startsWith ("editors created "))
        {
            juce::StringArray words;
            words.addTokens (line, " ", {});
            counts = { words[2].getIntValue(), words[4].getIntValue(), words[6].getIntValue() };
        }

    return counts;
}

// The window's content area on the screen shows the fixture editor's own colour, near its corners
// (its name is written in the middle).
bool showsFixtureEditor (HostedInstrument::Window& window)
{
    const auto shot = realwindows::capture (window);
    const auto content = window.getLocalArea (window.getContentComponent(),
                                              window.getContentComponent()->getLocalBounds()).reduced (8);

    if (! shot.isValid() || ! shot.getBounds().contains (content))
        return false;

    for (const auto corner : { content.getTopLeft(), content.getTopRight(), content.getBottomLeft(), content.getBottomRight() })
        if (shot.getPixelAt (corner.x, corner.y).getARGB() != fixtureEditorColour)
            return false;

    return true;
}

// What a listener heard on the host's audio thread.
struct Listening
{
    static constexpr int length = 3 * 48000 / 512;
    std::atomic<int> silentBlocks { 0 };
    std::atomic<bool> finished { false };
};

// Three seconds of blocks of 512, in real time, with the host playing at 120 BPM. Every block of
// the pattern holds a note, so a silent block is one the lock cost.
void listen (ZelkProcessor& processor, FakePlayHead& host, Listening& heard)
{
    juce::AudioBuffer<float> buffer (2, 512);
    juce::MidiBuffer midi;
    midi.ensureSize (1 << 16);
    const auto blockTime = std::chrono::microseconds (512 * 1000000 / 48000);
    auto next = std::chrono::steady_clock::now();

    for (int block = 0; block < Listening::length; ++block)
    {
        processor.processBlock (buffer, midi);
        midi.clear();

        if (buffer.getMagnitude (0, 512) == 0.0f)
            ++heard.silentBlocks;

        *host.ppq += 512.0 * 2.0 / 48000.0;
        next += blockTime;
        std::this_thread::sleep_until (next);
    }

    heard.finished = true;
}

// The notes the instrument was given and never told to end, from its own log: channel * 128 + key.
std::vector<int> notesLeftOn (HostedInstrument& instrument)
{
    juce::StringArray lines;
    lines.addLines (fixtureStateText (instrument.savedStateElement().getProperty ("state").toString()));
    std::map<int, bool> on;

    for (const auto& line : lines)
    {
        juce::StringArray words; // "event POSITION STATUS KEY VELOCITY"
        words.addTokens (line, " ", {});
        const auto status = words[2].getIntValue();

        if (words[0] == "event" && words.size() == 5 && ((status & 0xf0) == 0x80 || (status & 0xf0) == 0x90))
            on[(status & 0x0f) * 128 + words[3].getIntValue()] = (status & 0xf0) == 0x90 && words[4].getIntValue() > 0;
    }

    std::vector<int> left;

    for (const auto& [note, isOn] : on)
        if (isOn)
            left.push_back (note);

    return left;
}

struct HostedInstrumentWindow : ::testing::Test
{
    void SetUp() override
    {
        if (const auto problem = platform::windowSystemProblem(); problem.isNotEmpty())
            GTEST_SKIP() << problem.toStdString() << " (the real-window tests run under tests/real_windows/with-xvfb.sh)";

        processor = std::make_unique<ZelkProcessor>();
        processor->prepareToPlay (48000.0, 512);
    }

    HostedInstrument& instrument() { return processor->hostedInstrument(); }

    // Shows the window and waits until the screen shows the instrument's editor in it.
    HostedInstrument::Window* showAndWait()
    {
        instrument().showWindow();
        auto* window = hostedWindow();

        if (window == nullptr
            || ! waitFor ([&] { return realwindows::isShowing (*window) && showsFixtureEditor (*window); }))
            return nullptr;

        return window;
    }

    std::unique_ptr<ZelkProcessor> processor;
};
} // namespace

TEST_F (HostedInstrumentWindow, OpensInARealWindowThatClosingHidesAndShowingAgainReuses)
{
    FixtureBundle stereo ("Stereo Fixture");
    ASSERT_TRUE (instrument().loadInstrument (stereo.file(), {})) << instrument().statusText();

    auto* window = showAndWait();
    ASSERT_NE (window, nullptr) << "the instrument's editor never showed on the screen";
    EXPECT_EQ (window->getName(), "Vital Fixture");
    EXPECT_TRUE (window->isUsingNativeTitleBar());
    EXPECT_EQ (window->getContentComponent()->getWidth(), 360);
    EXPECT_TRUE (instrument().isWindowVisible());
    EXPECT_GT (editorCounts (instrument()).painted, 0);
    EXPECT_TRUE (realwindows::writePng (realwindows::capture (*window), screenshot ("hosted-instrument-window.png")));

    // The window system's close request only hides it; the instrument's editor lives on.
    realwindows::requestClose (*window);
    ASSERT_TRUE (waitFor ([&] { return ! realwindows::isShowing (*window); })) << "the close request did not hide it";
    EXPECT_FALSE (instrument().isWindowVisible());
    EXPECT_EQ (hostedWindow(), window);
    EXPECT_EQ (editorCounts (instrument()).destroyed, 0);

    // Showing it again, twice, brings back the same window and the same editor.
    EXPECT_EQ (showAndWait(), window);
    EXPECT_EQ (showAndWait(), window);
    const auto counts = editorCounts (instrument());
    EXPECT_EQ (counts.created, 1);
    EXPECT_EQ (counts.destroyed, 0);
    EXPECT_TRUE (realwindows::writePng (realwindows::capture (*window), screenshot ("hosted-instrument-window-again.png")));
}

TEST_F (HostedInstrumentWindow, UnloadingOrReplacingTheInstrumentWhileItsWindowIsOpenIsSafe)
{
    FixtureBundle stereo ("Stereo Fixture"), mono ("Mono Fixture");
    ASSERT_TRUE (instrument().loadInstrument (stereo.file(), {}));
    ASSERT_NE (showAndWait(), nullptr);

    instrument().unloadInstrument();
    EXPECT_EQ (hostedWindow(), nullptr);
    EXPECT_FALSE (instrument().isWindowVisible());
    juce::MessageManager::getInstance()->runDispatchLoopUntil (300); // whatever the editor had queued

    // A new load closes the open window of the one it replaces; the next OPEN SYNTH opens a new one.
    ASSERT_TRUE (instrument().loadInstrument (stereo.file(), {}));
    ASSERT_NE (showAndWait(), nullptr);
    ASSERT_TRUE (instrument().loadInstrument (mono.file(), {}));
    EXPECT_EQ (hostedWindow(), nullptr);
    juce::MessageManager::getInstance()->runDispatchLoopUntil (300);
    ASSERT_NE (showAndWait(), nullptr);
    EXPECT_EQ (editorCounts (instrument()).created, 1);

    // The processor going away with the window open takes the window with it.
    processor.reset();
    EXPECT_EQ (hostedWindow(), nullptr);
    juce::MessageManager::getInstance()->runDispatchLoopUntil (300);
}

TEST_F (HostedInstrumentWindow, ClosingZelksEditorLeavesTheInstrumentWindowWorking)
{
    FixtureBundle stereo ("Stereo Fixture");
    ASSERT_TRUE (instrument().loadInstrument (stereo.file(), {}));

    // Zelk's own editor in a window of its own, as a host shows it.
    auto host = std::make_unique<juce::DocumentWindow> ("Zelk", juce::Colours::black, 0);
    host->setContentOwned (processor->createEditorIfNeeded(), true);
    host->setVisible (true);
    ASSERT_TRUE (waitFor ([&] { return realwindows::isShowing (*host); }));

    auto* window = showAndWait();
    ASSERT_NE (window, nullptr);

    host.reset();
    EXPECT_EQ (processor->getActiveEditor(), nullptr);
    juce::MessageManager::getInstance()->runDispatchLoopUntil (300);

    // The instrument's window is untouched: still showing, closing and painting again when shown.
    EXPECT_EQ (hostedWindow(), window);
    EXPECT_TRUE (showsFixtureEditor (*window));
    const auto paintedBefore = editorCounts (instrument()).painted;
    realwindows::requestClose (*window);
    EXPECT_TRUE (waitFor ([&] { return ! realwindows::isShowing (*window); }));
    EXPECT_EQ (showAndWait(), window);
    EXPECT_TRUE (waitFor ([&] { return editorCounts (instrument()).painted > paintedBefore; }));
}

TEST_F (HostedInstrumentWindow, PlayingThroughPaintsOfThePageAndOpeningsOfTheWindowLosesNoBlock)
{
    // An instrument whose editor takes 300 ms to make, as a large synthesizer's does.
    FixtureBundle slow ("Slow Editor Fixture");
    FakePlayHead host;
    processor->setPlayHead (&host);

    // Overlapping notes from the first beat over twenty: one sounds in every block.
    for (int slot = 0; slot < 40; ++slot)
        writePlainNote (*processor, slot, 0.5f * (float) slot, 1.0f, 48 + slot % 12);

    // Zelk's window on its INSTRUMENT page, as a host shows it; the page repaints with every tick.
    auto* editor = dynamic_cast<ZelkEditor*> (processor->createEditorIfNeeded());
    auto zelkWindow = std::make_unique<juce::DocumentWindow> ("Zelk", juce::Colours::black, 0);
    zelkWindow->setContentOwned (editor, true);
    zelkWindow->setVisible (true);
    ASSERT_TRUE (waitFor ([&] { return realwindows::isShowing (*zelkWindow); }));
    editor->loadInstrumentFile (slow.file());
    ASSERT_TRUE (instrument().instrumentActive.load()) << instrument().statusText();
    editor->showTab (instrumentPage);

    // LOAD VST3 stops Zelk's playback until the host next starts its own.
    juce::AudioBuffer<float> buffer (2, 512);
    juce::MidiBuffer midi;
    processor->processBlock (buffer, midi);
    host.playing = true;

    Listening heard;
    std::thread audioThread (listen, std::ref (*processor), std::ref (host), std::ref (heard));

    // OPEN SYNTH opens the window (making the editor the first time) and the close request hides
    // it, over and over, while the whole page also repaints at 30 Hz, until the music ends.
    auto ticks = 0;
    const auto repaintingUntil = [&] (const std::function<bool()>& condition)
    {
        const auto repaintingAndTesting = [&]
        {
            if (++ticks % 3 == 0)
                editor->repaint();

            return condition();
        };

        return waitFor (repaintingAndTesting);
    };
    auto opened = 0;

    for (int cycle = 0; cycle < 4; ++cycle)
    {
        editor->button (EditorButton::openSynth).triggerClick();
        HostedInstrument::Window* window = nullptr;
        const auto showsTheEditor = [&]
        {
            window = hostedWindow();
            return window != nullptr && realwindows::isShowing (*window) && showsFixtureEditor (*window);
        };

        if (! repaintingUntil (showsTheEditor))
            break;

        ++opened;
        realwindows::requestClose (*window);

        if (! repaintingUntil ([&] { return ! realwindows::isShowing (*window); }))
            break;
    }

    repaintingUntil ([&] { return heard.finished.load(); });
    audioThread.join();
    EXPECT_EQ (opened, 4) << "OPEN SYNTH did not show the instrument's editor, or closing did not hide it";
    EXPECT_EQ (editorCounts (instrument()).created, 1);
    EXPECT_EQ (heard.silentBlocks.load(), 0) << "of " << Listening::length << " blocks lost to the lock";

    // The host stops: every note the instrument was given has been ended.
    host.playing = false;

    for (int block = 0; block < 4; ++block)
        processor->processBlock (buffer, midi);

    EXPECT_EQ (notesLeftOn (instrument()), std::vector<int>());
    processor->setPlayHead (nullptr);
}
