#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

namespace zelk::test
{
// A top-level component that counts as showing without a display, so that its children can take
// keyboard focus in a headless test. Its window is a stand-in that draws nothing.
class HeadlessWindow : public juce::Component
{
public:
    HeadlessWindow();
    ~HeadlessWindow() override;

    // The areas that repaints asked for since this was last cleared, as a platform window collects
    // them before it paints.
    juce::RectangleList<int> repaintsAsked;

protected:
    juce::ComponentPeer* createNewPeer (int styleFlags, void* nativeWindow) override;
};

} // namespace zelk::test
