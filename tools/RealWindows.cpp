#if defined(__linux__) || defined(__FreeBSD__)
 // JUCE's Xlib entry points, which it loads at run time.
 #define JUCE_GUI_BASICS_INCLUDE_XHEADERS 1
#endif

#include "tools/RealWindows.h"

#include <juce_events/juce_events.h>

#if JUCE_WINDOWS
 #ifndef NOMINMAX
  #define NOMINMAX
 #endif
 #include <windows.h>
#endif

namespace zelk::realwindows
{
namespace
{
#if JUCE_LINUX || JUCE_BSD
// Runs a helper program while the message loop goes on, so that the events it causes are handled
// as they arrive.
bool runWhileDispatching (const juce::StringArray& command, juce::String& error)
{
    juce::ChildProcess process;

    if (! process.start (command, juce::ChildProcess::wantStdErr))
    {
        error = command[0] + " could not be started (scripts/setup.sh installs it)";
        return false;
    }

    const auto deadline = juce::Time::getMillisecondCounter() + 20000;

    while (process.isRunning() && juce::Time::getMillisecondCounter() < deadline)
    {
        wakeWindows();
        juce::MessageManager::getInstance()->runDispatchLoopUntil (5);
    }

    if (process.isRunning())
    {
        process.kill();
        error = command[0] + " did not finish within 20 s";
        return false;
    }

    if (process.getExitCode() != 0)
    {
        error = command.joinIntoString (" ") + ": " + process.readAllProcessOutput().trim();
        return false;
    }

    wakeWindows();
    juce::MessageManager::getInstance()->runDispatchLoopUntil (20);
    return true;
}

// A connection of our own, as another program on the desktop has: round trips on JUCE's would
// queue its events where its event loop does not look for them.
::Display* ownDisplay();

XErrorHandler previousErrorHandler = nullptr;

// Other programs' windows come and go between two requests about them: errors on our own
// connection mean only that; JUCE's keep their handling.
int ignoreOwnErrors (::Display* display, XErrorEvent* event)
{
    if (display == ownDisplay())
        return 0;

    return previousErrorHandler != nullptr ? previousErrorHandler (display, event) : 0;
}

::Display* ownDisplay()
{
    static auto* const display = []() -> ::Display*
    {
        if (! juce::XWindowSystem::getInstance()->isX11Available())
            return nullptr;

        auto* x = juce::X11Symbols::getInstance();
        previousErrorHandler = x->xSetErrorHandler (ignoreOwnErrors);
        return x->xOpenDisplay (nullptr);
    }();

    return display;
}

::Window windowOf (juce::Component& topLevel)
{
    auto* peer = topLevel.getPeer();
    return peer != nullptr ? (::Window) peer->getNativeHandle() : 0;
}

juce::StringArray xdotool (std::initializer_list<juce::String> words)
{
    juce::StringArray command ("xdotool");

    for (const auto& word : words)
        command.add (word);

    return command;
}

juce::String coordinate (int value)
{
    return juce::String (value);
}
#elif JUCE_WINDOWS
HWND windowOf (juce::Component& topLevel)
{
    auto* peer = topLevel.getPeer();
    return peer != nullptr ? (HWND) peer->getNativeHandle() : nullptr;
}

void sendMouse (juce::Point<int> screen, DWORD flags)
{
    SetCursorPos (screen.x, screen.y);
    INPUT input {};
    input.type = INPUT_MOUSE;
    input.mi.dwFlags = flags;
    SendInput (1, &input, sizeof (input));
    juce::MessageManager::getInstance()->runDispatchLoopUntil (15);
}
#endif
} // namespace

#if JUCE_LINUX || JUCE_BSD
bool isShowing (juce::Component& topLevel)
{
    const auto window = windowOf (topLevel);
    auto* display = ownDisplay();

    if (window == 0 || display == nullptr)
        return false;

    XWindowAttributes attributes {};
    juce::X11Symbols::getInstance()->xSync (display, False);
    return juce::X11Symbols::getInstance()->xGetWindowAttributes (display, window, &attributes) != 0
        && attributes.map_state == IsViewable;
}

juce::Image capture (juce::Component& topLevel)
{
    const auto window = windowOf (topLevel);
    auto* display = ownDisplay();

    if (window == 0 || display == nullptr)
        return {};

    auto* x = juce::X11Symbols::getInstance();
    x->xSync (display, False);

    XWindowAttributes attributes {};

    if (x->xGetWindowAttributes (display, window, &attributes) == 0 || attributes.width <= 0 || attributes.height <= 0)
        return {};

    // The screen's pixels where the window is: what a screenshot shows, embedded windows included.
    int left = 0, top = 0;
    ::Window child = 0;
    x->xTranslateCoordinates (display, window, x->xDefaultRootWindow (display), 0, 0, &left, &top, &child);
    return captureScreenArea ({ left, top, attributes.width, attributes.height });
}

juce::Image captureScreenArea (juce::Rectangle<int> area)
{
    auto* display = ownDisplay();

    if (display == nullptr || area.isEmpty())
        return {};

    auto* x = juce::X11Symbols::getInstance();
    auto* image = x->xGetImage (display, x->xDefaultRootWindow (display), area.getX(), area.getY(),
                                (unsigned int) area.getWidth(), (unsigned int) area.getHeight(), AllPlanes, ZPixmap);

    if (image == nullptr)
        return {};

    juce::Image result (juce::Image::RGB, area.getWidth(), area.getHeight(), false);
    const juce::Image::BitmapData pixels (result, juce::Image::BitmapData::writeOnly);

    for (int y = 0; y < area.getHeight(); ++y)
        for (int x0 = 0; x0 < area.getWidth(); ++x0)
        {
            const auto value = XGetPixel (image, x0, y);
            pixels.setPixelColour (x0, y, juce::Colour ((juce::uint8) ((value & image->red_mask) >> 16),
                                                        (juce::uint8) ((value & image->green_mask) >> 8),
                                                        (juce::uint8) (value & image->blue_mask)));
        }

    x->xDestroyImage (image);
    return result;
}

juce::Rectangle<int> findShowingWindow (const juce::String& title)
{
    auto* display = ownDisplay();

    if (display == nullptr)
        return {};

    auto* x = juce::X11Symbols::getInstance();
    const auto root = x->xDefaultRootWindow (display);
    const auto nameAtom = x->xInternAtom (display, "WM_NAME", False);
    ::Window rootReturn = 0, parent = 0, *children = nullptr;
    unsigned int count = 0;
    juce::Rectangle<int> found;

    if (x->xQueryTree (display, root, &rootReturn, &parent, &children, &count) == 0)
        return {};

    for (unsigned int i = 0; i < count && found.isEmpty(); ++i)
    {
        XWindowAttributes attributes {};

        if (x->xGetWindowAttributes (display, children[i], &attributes) == 0 || attributes.map_state != IsViewable)
            continue;

        Atom type = 0;
        int format = 0;
        unsigned long items = 0, after = 0;
        unsigned char* data = nullptr;

        if (x->xGetWindowProperty (display, children[i], nameAtom, 0, 256, False, AnyPropertyType, &type, &format,
                                   &items, &after, &data) == Success && data != nullptr)
        {
            if (format == 8 && juce::String::fromUTF8 ((const char*) data, (int) items) == title)
                found = { attributes.x, attributes.y, attributes.width, attributes.height };

            x->xFree (data);
        }
    }

    if (children != nullptr)
        x->xFree (children);

    return found;
}

void requestClose (juce::Component& topLevel)
{
    const auto window = windowOf (topLevel);
    auto* display = ownDisplay();

    if (window == 0 || display == nullptr)
        return;

    auto* x = juce::X11Symbols::getInstance();
    XEvent event {};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = x->xInternAtom (display, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = (long) x->xInternAtom (display, "WM_DELETE_WINDOW", False);
    event.xclient.data.l[1] = CurrentTime;
    x->xSendEvent (display, window, False, NoEventMask, &event);
    x->xFlush (display);
}

void repaintNow (juce::Component&) {}

void wakeWindows()
{
    // Often enough to wake a waiting loop, rarely enough to cost nothing.
    static auto lastWake = 0.0;
    const auto now = juce::Time::getMillisecondCounterHiRes();
    auto* display = ownDisplay();

    if (display == nullptr || now - lastWake < 20.0)
        return;

    lastWake = now;

    auto* x = juce::X11Symbols::getInstance();
    static const auto property = x->xInternAtom (display, "ZELK_WAKE", False);
    const long value = 0;

    for (int i = 0; i < juce::Desktop::getInstance().getNumComponents(); ++i)
        if (auto* component = juce::Desktop::getInstance().getComponent (i))
            if (const auto window = windowOf (*component))
                x->xChangeProperty (display, window, property, XA_CARDINAL, 32, PropModeReplace,
                                    reinterpret_cast<const unsigned char*> (&value), 1);

    x->xFlush (display);
}

bool pointerMove (juce::Point<int> screen, juce::String& error)
{
    return runWhileDispatching (xdotool ({ "mousemove", "--sync", coordinate (screen.x), coordinate (screen.y) }), error);
}

bool pointerPress (juce::Point<int> screen, juce::String& error)
{
    return pointerMove (screen, error) && runWhileDispatching (xdotool ({ "mousedown", "1" }), error);
}

bool pointerRelease (juce::Point<int> screen, juce::String& error)
{
    return pointerMove (screen, error) && runWhileDispatching (xdotool ({ "mouseup", "1" }), error);
}

bool pointerStroke (const juce::Array<juce::Point<int>>& screenPoints, juce::String& error)
{
    if (screenPoints.isEmpty())
        return true;

    // One xdotool run, paced like a hand, while the message loop handles each event as it comes.
    auto command = xdotool ({ "mousemove", "--sync", coordinate (screenPoints[0].x), coordinate (screenPoints[0].y),
                              "sleep", "0.05", "mousedown", "1" });

    for (int i = 1; i < screenPoints.size(); ++i)
        command.addArray (xdotool ({ "sleep", "0.02", "mousemove", coordinate (screenPoints[i].x),
                                     coordinate (screenPoints[i].y) }), 1);

    command.addArray (xdotool ({ "sleep", "0.05", "mouseup", "1" }), 1);
    return runWhileDispatching (command, error);
}
#elif JUCE_WINDOWS
bool isShowing (juce::Component& topLevel)
{
    const auto window = windowOf (topLevel);
    return window != nullptr && IsWindowVisible (window) && ! IsIconic (window);
}

juce::Image capture (juce::Component& topLevel)
{
    const auto window = windowOf (topLevel);
    RECT client {};

    if (window == nullptr || ! GetClientRect (window, &client))
        return {};

    POINT origin { 0, 0 };
    ClientToScreen (window, &origin);
    return captureScreenArea ({ (int) origin.x, (int) origin.y, (int) (client.right - client.left),
                                (int) (client.bottom - client.top) });
}

juce::Image captureScreenArea (juce::Rectangle<int> area)
{
    const auto width = area.getWidth(), height = area.getHeight();

    if (width <= 0 || height <= 0)
        return {};

    // The screen's pixels, as a screenshot takes them.
    const POINT origin { area.getX(), area.getY() };
    auto* screen = GetDC (nullptr);
    auto* memory = CreateCompatibleDC (screen);
    BITMAPINFO info {};
    info.bmiHeader.biSize = sizeof (info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    auto* bitmap = CreateDIBSection (screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    auto* previous = SelectObject (memory, bitmap);
    BitBlt (memory, 0, 0, width, height, screen, origin.x, origin.y, SRCCOPY | CAPTUREBLT);
    GdiFlush();

    juce::Image result (juce::Image::RGB, width, height, false);
    const juce::Image::BitmapData pixels (result, juce::Image::BitmapData::writeOnly);
    const auto* source = static_cast<const juce::uint32*> (bits);

    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
        {
            const auto value = source[(size_t) (y * width + x)];
            pixels.setPixelColour (x, y, juce::Colour ((juce::uint8) (value >> 16), (juce::uint8) (value >> 8),
                                                       (juce::uint8) value));
        }

    SelectObject (memory, previous);
    DeleteObject (bitmap);
    DeleteDC (memory);
    ReleaseDC (nullptr, screen);
    return result;
}

void wakeWindows() {}

void repaintNow (juce::Component& topLevel)
{
    if (const auto window = windowOf (topLevel))
        RedrawWindow (window, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
}

juce::Rectangle<int> findShowingWindow (const juce::String& title)
{
    const auto window = FindWindowW (nullptr, title.toWideCharPointer());
    RECT client {};

    if (window == nullptr || ! IsWindowVisible (window) || ! GetClientRect (window, &client))
        return {};

    POINT origin { 0, 0 };
    ClientToScreen (window, &origin);
    return { (int) origin.x, (int) origin.y, (int) client.right, (int) client.bottom };
}

void requestClose (juce::Component& topLevel)
{
    if (const auto window = windowOf (topLevel))
        PostMessage (window, WM_CLOSE, 0, 0);
}

bool pointerMove (juce::Point<int> screen, juce::String&)
{
    sendMouse (screen, MOUSEEVENTF_MOVE);
    return true;
}

bool pointerPress (juce::Point<int> screen, juce::String&)
{
    sendMouse (screen, MOUSEEVENTF_MOVE);
    sendMouse (screen, MOUSEEVENTF_LEFTDOWN);
    return true;
}

bool pointerRelease (juce::Point<int> screen, juce::String&)
{
    sendMouse (screen, MOUSEEVENTF_MOVE);
    sendMouse (screen, MOUSEEVENTF_LEFTUP);
    return true;
}

bool pointerStroke (const juce::Array<juce::Point<int>>& screenPoints, juce::String& error)
{
    if (screenPoints.isEmpty())
        return true;

    pointerPress (screenPoints[0], error);

    for (int i = 1; i < screenPoints.size(); ++i)
        pointerMove (screenPoints[i], error);

    return pointerRelease (screenPoints.getLast(), error);
}
#else
void wakeWindows() {}
void repaintNow (juce::Component& topLevel) { topLevel.repaint(); }
juce::Rectangle<int> findShowingWindow (const juce::String&) { return {}; }
juce::Image captureScreenArea (juce::Rectangle<int>) { return {}; }
bool isShowing (juce::Component& topLevel) { return topLevel.isShowing(); }
juce::Image capture (juce::Component& topLevel) { return topLevel.createComponentSnapshot (topLevel.getLocalBounds()); }
void requestClose (juce::Component& topLevel)
{
    if (auto* peer = topLevel.getPeer())
        peer->handleUserClosingWindow();
}
bool pointerMove (juce::Point<int>, juce::String& error) { error = "no pointer input on this platform"; return false; }
bool pointerPress (juce::Point<int>, juce::String& error) { error = "no pointer input on this platform"; return false; }
bool pointerRelease (juce::Point<int>, juce::String& error) { error = "no pointer input on this platform"; return false; }
bool pointerStroke (const juce::Array<juce::Point<int>>&, juce::String& error) { error = "no pointer input on this platform"; return false; }
#endif

bool dispatchUntil (const std::function<bool()>& condition, double milliseconds, int sliceMilliseconds)
{
    const auto deadline = juce::Time::getMillisecondCounterHiRes() + milliseconds;

    while (! condition())
    {
        if (juce::Time::getMillisecondCounterHiRes() > deadline)
            return false;

        wakeWindows();
        juce::MessageManager::getInstance()->runDispatchLoopUntil (sliceMilliseconds);
    }

    return true;
}

void dispatchFor (double milliseconds)
{
    dispatchUntil ([] { return false; }, milliseconds);
}

double paintedShare (const juce::Image& image)
{
    if (! image.isValid())
        return 0.0;

    const juce::Image::BitmapData pixels (image, juce::Image::BitmapData::readOnly);
    juce::int64 painted = 0;

    for (int y = 0; y < image.getHeight(); ++y)
        for (int x = 0; x < image.getWidth(); ++x)
            painted += (pixels.getPixelColour (x, y).getARGB() & 0xffffff) != 0 ? 1 : 0;

    return (double) painted / ((double) image.getWidth() * (double) image.getHeight());
}

bool writePng (const juce::Image& image, const juce::File& file)
{
    if (! image.isValid() || ! file.getParentDirectory().createDirectory().wasOk())
        return false;

    file.deleteFile();
    juce::FileOutputStream out (file);
    juce::PNGImageFormat png;
    return out.openedOk() && png.writeImageToStream (image, out);
}

} // namespace zelk::realwindows
