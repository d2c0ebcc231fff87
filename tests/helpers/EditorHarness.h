#pragma once

#include "core/ZelkProcessor.h"
#include "ui/editor/ZelkEditor.h"

#include <juce_audio_processors/juce_audio_processors.h>

#include <memory>

namespace zelk::test
{
// The editor window on its own processor, as the host opens it, without a screen: its timer is
// stepped by hand with tick(), keys go where the framework would send them, and clicks arrive
// as the framework delivers a button's click.
class EditorHarness : private juce::AudioProcessorListener
{
public:
    EditorHarness();
    ~EditorHarness() override;

    ZelkEditor& operator*() noexcept { return *editor; }
    ZelkEditor* operator->() noexcept { return editor.get(); }
    ZelkCanvas& canvas() noexcept { return editor->pianoRoll(); }

    // One step of the window's 30 Hz timer.
    void tick() { editor->tick(); }

    // The whole window, children included.
    juce::Image paint();

    // A click on a button as the framework delivers it (a disabled button ignores it).
    void click (juce::Button& button);
    void click (EditorButton which) { click (editor->button (which)); }

    // A key pressed while `focused` has the keyboard focus: the framework offers it to that
    // component and then to each parent until one takes it. True when one did.
    bool press (const juce::KeyPress& key, juce::Component* focused = nullptr);
    bool press (int keyCode, int modifiers = 0) { return press (juce::KeyPress (keyCode, juce::ModifierKeys (modifiers), 0)); }

    // What the host sees: change gestures opened and not yet closed.
    int openGestures() const noexcept { return gesturesBegun - gesturesEnded; }

    // Closes the window as the host does.
    void close();

    ZelkProcessor processor;
    std::unique_ptr<ZelkEditor> editor;

private:
    void audioProcessorParameterChanged (juce::AudioProcessor*, int, float) override {}
    void audioProcessorChanged (juce::AudioProcessor*, const ChangeDetails&) override {}
    void audioProcessorParameterChangeGestureBegin (juce::AudioProcessor*, int) override { ++gesturesBegun; }
    void audioProcessorParameterChangeGestureEnd (juce::AudioProcessor*, int) override { ++gesturesEnded; }

    int gesturesBegun = 0, gesturesEnded = 0;
};

// A synthesised pointer event on a component, at a point in its own coordinates.
juce::MouseEvent mouseEventOn (juce::Component& component, juce::Point<float> position, juce::ModifierKeys mods,
                               juce::Point<float> pressPosition, int clicks = 1, bool dragged = false);

} // namespace zelk::test
