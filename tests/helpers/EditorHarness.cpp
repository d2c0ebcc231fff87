#include "tests/helpers/EditorHarness.h"

#include "tests/helpers/CanvasHarness.h"

#include "tests/helpers/TestProcessor.h"

namespace zelk::test
{
EditorHarness::EditorHarness() : editor (std::make_unique<ZelkEditor> (processor))
{
    processor.addListener (this);
}

EditorHarness::~EditorHarness()
{
    close();
    processor.removeListener (this);
}

void EditorHarness::close()
{
    if (editor != nullptr)
        processor.editorBeingDeleted (editor.get());

    editor.reset();
}

juce::Image EditorHarness::paint()
{
    return editor->createComponentSnapshot (editor->getLocalBounds(), true, 1.0f);
}

void EditorHarness::click (juce::Button& button)
{
    // The framework's own click: toggling, listeners (the parameter attachments) and onClick.
    button.triggerClick();
    runMessageLoop (10);
}

bool EditorHarness::press (const juce::KeyPress& key, juce::Component* focused)
{
    for (auto* target = focused != nullptr ? focused : editor.get(); target != nullptr; target = target->getParentComponent())
        if (target->keyPressed (key))
            return true;

    return false;
}

juce::MouseEvent mouseEventOn (juce::Component& component, juce::Point<float> position, juce::ModifierKeys mods,
                               juce::Point<float> pressPosition, int clicks, bool dragged)
{
    return pointerEvent (component, position, mods, clicks, dragged, pressPosition);
}

} // namespace zelk::test
