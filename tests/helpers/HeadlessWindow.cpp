#include "tests/helpers/HeadlessWindow.h"

namespace zelk::test
{
namespace
{
class HeadlessPeer : public juce::ComponentPeer
{
public:
    HeadlessPeer (juce::Component& owner, int flags) : juce::ComponentPeer (owner, flags) {}

    using juce::ComponentPeer::globalToLocal;
    using juce::ComponentPeer::localToGlobal;

    void* getNativeHandle() const override { return nullptr; }
    void setVisible (bool) override {}
    void setTitle (const juce::String&) override {}
    void setBounds (const juce::Rectangle<int>& newBounds, bool) override { bounds = newBounds; }
    juce::Rectangle<int> getBounds() const override { return bounds; }
    juce::Point<float> localToGlobal (juce::Point<float> position) override { return position + origin(); }
    juce::Point<float> globalToLocal (juce::Point<float> position) override { return position - origin(); }
    void setMinimised (bool) override {}
    bool isMinimised() const override { return false; }
    void setFullScreen (bool) override {}
    bool isFullScreen() const override { return false; }
    void setIcon (const juce::Image&) override {}
    bool contains (juce::Point<int> position, bool) const override
    {
        return bounds.withZeroOrigin().contains (position);
    }
    OptionalBorderSize getFrameSizeIfPresent() const override { return {}; }
    juce::BorderSize<int> getFrameSize() const override { return {}; }
    bool setAlwaysOnTop (bool) override { return false; }
    void toFront (bool) override {}
    void toBehind (juce::ComponentPeer*) override {}
    bool isFocused() const override { return true; }
    void grabFocus() override {}
    void repaint (const juce::Rectangle<int>& area) override
    {
        if (auto* window = dynamic_cast<HeadlessWindow*> (&getComponent()))
            window->repaintsAsked.add (area);
    }
    void performAnyPendingRepaintsNow() override {}
    void setAlpha (float) override {}
    juce::StringArray getAvailableRenderingEngines() override { return { "Software" }; }
    void textInputRequired (juce::Point<int>, juce::TextInputTarget&) override {}

private:
    juce::Point<float> origin() const { return bounds.getPosition().toFloat(); }

    juce::Rectangle<int> bounds;
};
} // namespace

HeadlessWindow::HeadlessWindow()
{
    setSize (100, 100);
    setVisible (true);
    addToDesktop (0);
}

HeadlessWindow::~HeadlessWindow() { removeFromDesktop(); }

// The component takes ownership of its peer, as it does of the platform's.
juce::ComponentPeer* HeadlessWindow::createNewPeer (int styleFlags, void*)
{
    return new HeadlessPeer (*this, styleFlags);
}

} // namespace zelk::test
