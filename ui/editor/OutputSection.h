#pragma once

#include "core/OutputOptions.h"
#include "ui/style/ValueBox.h"
#include "ui/style/ZelkButton.h"

#include <juce_gui_basics/juce_gui_basics.h>

#include <array>
#include <functional>
#include <memory>

namespace zelk
{
class ZelkProcessor;

// The OUTPUT section of the INSTRUMENT page: the MPE layout that the synth on the other end
// wants (bend range, member channels, zone, configuration message, pressure message). Changes go
// straight to the processor's output options, outside the undo history.
class OutputSection : public juce::Component
{
public:
    enum class Control
    {
        bend48,
        bend24,
        bend12,
        bend2,
        bendRangeBox,
        memberChannelsBox,
        zoneLower,
        zoneUpper,
        configurationSend,
        configurationLeaveOut,
        pressureChannel,
        pressurePoly
    };

    static constexpr int controlCount = 12;
    static constexpr int height = 280;

    explicit OutputSection (ZelkProcessor& processor);

    // Where a control sits, in the section's own coordinates.
    static juce::Rectangle<int> boundsOf (Control control) noexcept;

    // Every editor tick: the controls follow the processor's options (a state load can change
    // them), and chains clamped at the bend range or a damaged saved state are reported, each once,
    // through onStatus.
    void tick();
    std::function<void (const juce::String&)> onStatus;

    ZelkButton& button (Control control) noexcept;
    paperstyle::ValueBox& bendRangeBox() noexcept { return bendRange; }
    paperstyle::ValueBox& memberChannelsBox() noexcept { return memberChannels; }

    void paint (juce::Graphics& g) override;
    void resized() override;

private:
    void change (const std::function<void (OutputOptions&)>& edit);
    void showOptions (const OutputOptions& options);
    void reportClamps();
    void reportDamagedState();

    ZelkProcessor& processor;
    std::array<std::unique_ptr<ZelkButton>, controlCount> buttons;
    paperstyle::ValueBox bendRange, memberChannels;
    OutputOptions shown;
    uint32_t seenPlaybackStart = 0;
    int reportedClamps = 0;
    uint32_t seenDamagedLoads = 0;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (OutputSection)
};

// "3 notes bend past ±24 and are clamped".
juce::String clampedNotesText (int notes, int bendRange);

} // namespace zelk
