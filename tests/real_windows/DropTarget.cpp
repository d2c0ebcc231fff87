// zelk_drop_target OUTPUT X Y WIDTH HEIGHT [SECONDS]
//
// A window titled "Zelk drop target" at the given place that takes files dragged onto it from
// other applications, as a DAW's track would, and writes each drop's paths to OUTPUT, one a line,
// with a line "--" after each drop. It ends after SECONDS (default 60).
#include <juce_gui_basics/juce_gui_basics.h>

#include <iostream>

namespace
{
class DropArea : public juce::Component, public juce::FileDragAndDropTarget
{
public:
    explicit DropArea (juce::File outputFile) : output (std::move (outputFile)) {}

    bool isInterestedInFileDrag (const juce::StringArray&) override { return true; }

    void fileDragEnter (const juce::StringArray&, int, int) override
    {
        hovering = true;
        repaint();
    }

    void fileDragExit (const juce::StringArray&) override
    {
        hovering = false;
        repaint();
    }

    void filesDropped (const juce::StringArray& files, int, int) override
    {
        hovering = false;
        ++drops;
        output.appendText (files.joinIntoString ("\n") + "\n--\n", false, false, "\n");
        repaint();
    }

    void paint (juce::Graphics& g) override
    {
        g.fillAll (hovering ? juce::Colours::darkgreen : drops > 0 ? juce::Colours::darkblue : juce::Colours::dimgrey);
        g.setColour (juce::Colours::white);
        g.drawText ("drops: " + juce::String (drops), getLocalBounds(), juce::Justification::centred);
    }

private:
    juce::File output;
    bool hovering = false;
    int drops = 0;
};

class Window : public juce::DocumentWindow
{
public:
    Window (const juce::File& output, juce::Rectangle<int> area)
        : juce::DocumentWindow ("Zelk drop target", juce::Colours::black, 0)
    {
        setUsingNativeTitleBar (false);
        setTitleBarHeight (0);
        setContentOwned (new DropArea (output), false);
        setBounds (area);
        setVisible (true);
    }

    void closeButtonPressed() override { juce::MessageManager::getInstance()->stopDispatchLoop(); }
};
} // namespace

int main (int argc, char* argv[])
{
    if (argc < 6)
    {
        std::cerr << "usage: zelk_drop_target OUTPUT X Y WIDTH HEIGHT [SECONDS]" << std::endl;
        return 2;
    }

    const juce::ScopedJuceInitialiser_GUI juce;
    const juce::File output (juce::File::getCurrentWorkingDirectory().getChildFile (argv[1]));
    const juce::Rectangle<int> area (std::atoi (argv[2]), std::atoi (argv[3]), std::atoi (argv[4]), std::atoi (argv[5]));
    const auto seconds = argc > 6 ? std::atoi (argv[6]) : 60;

    Window window (output, area);
    juce::Timer::callAfterDelay (seconds * 1000, [] { juce::MessageManager::getInstance()->stopDispatchLoop(); });
    juce::MessageManager::getInstance()->runDispatchLoop();
    return 0;
}
