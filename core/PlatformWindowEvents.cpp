// Xlib's declarations (on X11 systems; elsewhere this asks for nothing) are wanted in this file
// only: they define macros (None, Bool, Status) that would clash with names elsewhere.
#define JUCE_GUI_BASICS_INCLUDE_XHEADERS 1

#include "core/Platform.h"

#include <juce_gui_basics/juce_gui_basics.h>

#if JUCE_LINUX || JUCE_BSD
 #include <juce_events/native/juce_linux_EventLoopInternal.h>
#endif

namespace zelk::platform
{
void dispatchQueuedWindowEvents()
{
#if JUCE_LINUX || JUCE_BSD
    // JUCE reads X events when the connection's socket polls readable. Every round trip it makes
    // while painting (a sync, a wait for a shared-memory blit) moves the events that arrived
    // meanwhile into Xlib's own queue and leaves the socket empty, so a click or a key can wait
    // there until some later event wakes the poll: indefinitely, when painting keeps the message
    // thread busy. Queued events are handed to JUCE's own handler here.
    auto* windowSystem = juce::XWindowSystem::getInstanceWithoutCreating();
    auto* display = windowSystem != nullptr ? windowSystem->getDisplay() : nullptr;

    if (display == nullptr)
        return;

    auto* xlib = juce::X11Symbols::getInstance();
    int queued = 0;

    {
        juce::XWindowSystemUtilities::ScopedXLock lock;
        queued = xlib->xEventsQueued (display, QueuedAlready);
    }

    if (queued > 0)
        juce::LinuxEventLoopInternal::invokeEventLoopCallbackForFd (xlib->xConnectionNumber (display));
#endif
}

} // namespace zelk::platform
