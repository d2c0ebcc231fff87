// The built VST 3 bundle, loaded through JUCE's VST 3 hosting with a host play head: the MPE
// stream must reach the host intact through the VST 3 event path.
#include "hosting/PluginInspection.h"
#include "tests/helpers/FakePlayHead.h"

#include <gtest/gtest.h>

using namespace zelk;

namespace
{
void setByName (juce::AudioPluginInstance& instance, const juce::String& name, float normalised)
{
    for (auto* p : instance.getParameters())
        if (p->getName (100) == name)
        {
            p->setValueNotifyingHost (normalised);
            return;
        }

    ADD_FAILURE() << "no parameter " << name;
}

struct HostEvent
{
    int64_t sample;
    juce::MidiMessage message;
};
} // namespace

TEST (PluginBoundary, TheMpeStreamReachesTheHostThroughVst3Events)
{
    auto plugin = openVst3Plugin (juce::File (ZELK_VST3_BUNDLE));
    ASSERT_TRUE (plugin.ok()) << plugin.error;
    auto& instance = *plugin.instance;

    // One note: key 62, half a beat long, bent +12 semitones, fuller pressure and brighter timbre.
    setByName (instance, "Note 1 enabled", 1.0f);
    setByName (instance, "Note 1 pitch", 62.0f / 127.0f);
    setByName (instance, "Note 1 duration", (0.5f - 0.0625f) / 31.9375f);

    for (int point = 1; point <= 33; ++point)
    {
        setByName (instance, "Note 1 pitch curve " + juce::String (point), (0.25f + 1.0f) / 2.0f);
        setByName (instance, "Note 1 pressure curve " + juce::String (point), 0.75f);
        setByName (instance, "Note 1 timbre curve " + juce::String (point), 1.0f);
    }

    test::FakePlayHead head;
    head.playing = true;
    head.bpm = 120.0;
    head.ppq = 0.0;
    instance.setPlayHead (&head);
    instance.prepareToPlay (48000.0, 512);

    std::vector<HostEvent> events;
    juce::AudioBuffer<float> buffer (2, 512);

    for (int block = 0; block < 40; ++block)
    {
        juce::MidiBuffer midi;
        instance.processBlock (buffer, midi);

        for (const auto metadata : midi)
            events.push_back ({ block * 512 + metadata.samplePosition, metadata.getMessage() });

        *head.ppq += 512.0 * 120.0 / (60.0 * 48000.0);
    }

    instance.releaseResources();

    const auto count = [&events] (auto&& predicate)
    { return std::count_if (events.begin(), events.end(), [&] (const auto& e) { return predicate (e.message); }); };

    // The configuration: the MPE registered parameter on channel 1 and a 48-semitone range on
    // every member channel.
    EXPECT_EQ (count ([] (const auto& m) { return m.isController() && (m.getControllerNumber() == 101 || m.getControllerNumber() == 100 || m.getControllerNumber() == 6); }), 85);
    EXPECT_EQ (count ([] (const auto& m) { return m.isControllerOfType (6) && m.getChannel() == 1 && m.getControllerValue() == 15; }), 1);
    EXPECT_EQ (count ([] (const auto& m) { return m.isControllerOfType (6) && m.getChannel() >= 2 && m.getControllerValue() == 48; }), 15);

    const auto noteOn = std::find_if (events.begin(), events.end(), [] (const auto& e) { return e.message.isNoteOn(); });
    ASSERT_NE (noteOn, events.end());
    EXPECT_EQ (noteOn->sample, 0);
    EXPECT_EQ (noteOn->message.getChannel(), 2);
    EXPECT_EQ (noteOn->message.getNoteNumber(), 62);
    EXPECT_EQ (noteOn->message.getVelocity(), 100);

    // The attack's expression precedes its note-on on the same channel.
    const auto before = [&] (auto&& predicate)
    { return std::any_of (events.begin(), noteOn, [&] (const auto& e) { return e.message.getChannel() == 2 && predicate (e.message); }); };
    EXPECT_TRUE (before ([] (const auto& m) { return m.isPitchWheel() && m.getPitchWheelValue() == 10240; }));
    EXPECT_TRUE (before ([] (const auto& m) { return m.isChannelPressure() && m.getChannelPressureValue() == 95; }));
    EXPECT_TRUE (before ([] (const auto& m) { return m.isControllerOfType (74) && m.getControllerValue() == 127; }));

    const auto noteOff = std::find_if (events.begin(), events.end(), [] (const auto& e) { return e.message.isNoteOff(); });
    ASSERT_NE (noteOff, events.end());
    EXPECT_EQ (noteOff->message.getChannel(), 2);
    EXPECT_EQ (noteOff->message.getNoteNumber(), 62);
    EXPECT_NEAR ((double) noteOff->sample, 12000.0, 1.0);
}
