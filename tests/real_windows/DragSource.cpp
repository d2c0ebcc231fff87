// zelk_drag_source FILE X Y: a small window at (X, Y) that drags FILE to other programs, as a file
// manager does: a drag that starts in it becomes an external drag and drop of the file. It ends
// once the drop is over, or after a minute. The real-window tests drive it with xdotool.
#include <juce_gui_basics/juce_gui_basics.h>

#include <iostream>

namespace
{
class Source : public juce::Component
{
public:
    explicit Source (juce::File f)
        : file (std::move (f))
    {
        setSize (240, 120);
    }

    void paint (juce::Graphics& g) override
    {
        g.fillAll (juce::Colour (0xff30506a));
        g.setColour (juce::Colours::white);
        g.drawFittedText ("drag " + file.getFileName(), getLocalBounds().reduced (8), juce::Justification::centred, 2);
    }

    void mouseDrag (const juce::MouseEvent& e) override
    {
        if (started || e.getDistanceFromDragStart() < 4)
            return;

        started = true;
        const auto began = juce::DragAndDropContainer::performExternalDragDropOfFiles (
            {file.getFullPathName()}, false, this, [this] { finished = true; });
        std::cout << (began ? "drag started" : "drag could not start") << std::endl;
        finished = finished || !began;
    }

    bool started = false, finished = false;

private:
    juce::File file;
};

class Window : public juce::DocumentWindow
{
public:
    Window()
        : juce::DocumentWindow ("Zelk drag source", juce::Colours::black, 0)
    {
        setUsingNativeTitleBar (true);
    }
};
} // namespace

int main (int argc, char* argv[])
{
    if (argc != 4)
    {
        std::cerr << "usage: zelk_drag_source FILE X Y" << std::endl;
        return 2;
    }

    const juce::ScopedJuceInitialiser_GUI juce;
    auto* source = new Source (juce::File (juce::CharPointer_UTF8 (argv[1])));
    Window window;
    window.setContentOwned (source, true);
    window.setTopLeftPosition (std::atoi (argv[2]), std::atoi (argv[3]));
    window.setVisible (true);

    const auto deadline = juce::Time::getMillisecondCounter() + 60000;

    while (!source->finished && juce::Time::getMillisecondCounter() < deadline)
        juce::MessageManager::getInstance()->runDispatchLoopUntil (10);

    // A moment for the drop's last messages to the other program.
    juce::MessageManager::getInstance()->runDispatchLoopUntil (500);
    std::cout << (source->finished ? "drag finished" : "no drag within a minute") << std::endl;
    return source->finished ? 0 : 1;
}
