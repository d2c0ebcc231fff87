// Input that the window system has delivered but JUCE's event loop has not yet looked at. On X11,
// any round trip JUCE makes (a sync while painting, say) moves the events that arrived meanwhile
// into Xlib's queue, where the loop, which waits on the socket, no longer sees them.
#include <gtest/gtest.h> // before Xlib, whose None is one of its names

#define JUCE_GUI_BASICS_INCLUDE_XHEADERS 1

#include "core/Platform.h"
#include "tools/RealWindows.h"

#include <juce_gui_basics/juce_gui_basics.h>

using namespace zelk;

namespace
{
struct KeyCounter : juce::Component
{
    bool keyPressed (const juce::KeyPress& key) override
    {
        characters += juce::String::charToString (key.getTextCharacter());
        return true;
    }

    juce::String characters;
};
} // namespace

#if JUCE_LINUX || JUCE_BSD
TEST (WindowEvents, AKeyAlreadyReadFromTheServerReachesTheWindowOnTheNextDispatch)
{
    if (const auto problem = platform::windowSystemProblem(); problem.isNotEmpty())
        GTEST_SKIP() << problem.toStdString() << " (the real-window tests run under tests/real_windows/with-xvfb.sh)";

    KeyCounter window;
    window.setSize (240, 120);
    window.addToDesktop (0);
    window.setVisible (true);

    const auto deadline = juce::Time::getMillisecondCounter() + 5000;

    while (! realwindows::isShowing (window) && juce::Time::getMillisecondCounter() < deadline)
        juce::MessageManager::getInstance()->runDispatchLoopUntil (10);

    ASSERT_TRUE (realwindows::isShowing (window));

    auto* display = juce::XWindowSystem::getInstance()->getDisplay();
    auto* xlib = juce::X11Symbols::getInstance();
    ASSERT_NE (display, nullptr);

    // The key as the server sends it; the sync returns once the server has answered, so the key,
    // sent before the answer, is read with it and waits in Xlib's queue.
    {
        juce::XWindowSystemUtilities::ScopedXLock lock;
        XEvent event {};
        event.xkey.type = 2; // KeyPress, a name JUCE takes back from Xlib
        event.xkey.display = display;
        event.xkey.window = (::Window) window.getPeer()->getNativeHandle();
        event.xkey.root = xlib->xDefaultRootWindow (display);
        event.xkey.keycode = xlib->xKeysymToKeycode (display, XK_a);
        event.xkey.same_screen = True;
        xlib->xSendEvent (display, event.xkey.window, False, NoEventMask, &event);
        xlib->xSync (display, False);
        ASSERT_GT (xlib->xEventsQueued (display, QueuedAlready), 0);
    }

    EXPECT_EQ (window.characters, "");
    platform::dispatchQueuedWindowEvents();
    EXPECT_EQ (window.characters, "a");

    // With nothing queued it does nothing.
    platform::dispatchQueuedWindowEvents();
    EXPECT_EQ (window.characters, "a");
}
#endif
