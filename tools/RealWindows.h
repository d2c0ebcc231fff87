#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

#include <functional>

// A top-level window as the window system sees it (X11 on Linux, Win32 on Windows): whether it is
// on the screen, what the screen shows of it, and the pointer and close requests a user or a
// window manager would send it. The real-window tests and `zelk host-editor` use these.
namespace zelk::realwindows
{
// Mapped and viewable (X11) or visible (Win32).
bool isShowing (juce::Component& topLevel);

// The window's area as the screen shows it, child windows of other processes or modules included.
juce::Image capture (juce::Component& topLevel);

// The screen area of a showing top-level window of any process whose title is `title`; empty when
// there is none.
juce::Rectangle<int> findShowingWindow (const juce::String& title);

// What the screen shows in an area.
juce::Image captureScreenArea (juce::Rectangle<int> area);

// The share of the image's pixels that are not pure black, 0..1: an unpainted window is black.
double paintedShare (const juce::Image& image);

// Has the window system repaint all of a window now, as uncovering it would. JUCE 7's Windows
// windows put every repaint off until the display's next vertical blank, which they wait for
// through DXGI; Wine's DXGI has none, so there a changed window keeps showing its last frame until
// this is called. Nothing on X11, where repaints reach the screen by themselves.
void repaintNow (juce::Component& topLevel);

// What a window manager's close button sends: WM_DELETE_WINDOW (X11) or WM_CLOSE (Win32).
void requestClose (juce::Component& topLevel);

// A property change on each of this process's windows, as window managers make all the time. JUCE's
// painting can read window-system events off its connection outside its event loop, which then
// sees them only when the next event arrives: waiting loops call this so that one always does.
void wakeWindows();

// Runs the message loop in slices of `sliceMilliseconds`, waking the windows before each, until
// `condition` holds; false when it still does not after `milliseconds`.
bool dispatchUntil (const std::function<bool()>& condition, double milliseconds, int sliceMilliseconds = 2);
void dispatchFor (double milliseconds);

// Real pointer input through the window system, at screen positions. On Linux it goes through
// xdotool; false with `error` set when that cannot run.
bool pointerMove (juce::Point<int> screen, juce::String& error);
bool pointerPress (juce::Point<int> screen, juce::String& error);
bool pointerRelease (juce::Point<int> screen, juce::String& error);
// Presses at the first point, drags through the others and releases at the last.
bool pointerStroke (const juce::Array<juce::Point<int>>& screenPoints, juce::String& error);

// Writes a PNG file, making its folder; false when it could not be written.
bool writePng (const juce::Image& image, const juce::File& file);

} // namespace zelk::realwindows
