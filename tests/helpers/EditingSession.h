#pragma once

#include "core/ZelkProcessor.h"
#include "editing/CanvasEditState.h"
#include "editing/UndoHistory.h"

#include <gtest/gtest.h>
#include <juce_audio_processors/juce_audio_processors.h>

#include <vector>

namespace zelk::test
{
// A processor with a canvas edit state and an undo history wired as the editor wires them:
// onBeforeEdit records an undo step, onChanged runs the after-change refresh. It also counts what
// the host would see, so that tests can tell whether a step was recorded before the first write.
class EditingSession : private juce::AudioProcessorListener
{
public:
    EditingSession();
    ~EditingSession() override;

    ZelkProcessor processor;
    CanvasEditState canvas;
    UndoHistory history { processor };

    // Writes a plain note into a slot without recording anything; returns the slot.
    int putNote (int slot, float start, float duration, int pitch = 60);
    void link (int from, int to);
    void select (std::initializer_list<int> slots);

    // Forgets what was counted so far: call right before the operation under test.
    void startCounting();
    int stepsRecorded() const noexcept { return (int) writesBeforeEachStep.size(); }
    int parameterWrites() const noexcept { return writes; }
    int gestureBalance() const noexcept { return gesturesBegun - gesturesEnded; }
    int cancelledGestures = 0;
    int changeNotifications = 0;

    // Exactly one undo step, recorded before the first parameter changed.
    testing::AssertionResult recordedOneStepFirst() const;
    // No undo step, no parameter change, and the pattern as it was when counting started.
    testing::AssertionResult changedNothing();

private:
    void audioProcessorParameterChanged (juce::AudioProcessor*, int, float) override { ++writes; }
    void audioProcessorChanged (juce::AudioProcessor*, const ChangeDetails&) override {}
    void audioProcessorParameterChangeGestureBegin (juce::AudioProcessor*, int) override { ++gesturesBegun; }
    void audioProcessorParameterChangeGestureEnd (juce::AudioProcessor*, int) override { ++gesturesEnded; }

    int writes = 0, gesturesBegun = 0, gesturesEnded = 0;
    std::vector<int> writesBeforeEachStep;
    juce::String stateAtStart;
};

} // namespace zelk::test
