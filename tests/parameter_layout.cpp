#include "core/ModulationDestinations.h"
#include "core/NoteFields.h"
#include "core/ParameterLayout.h"
#include "tests/helpers/TestProcessor.h"

#include <gtest/gtest.h>

using namespace zelk;
using zelk::test::valueOf;

namespace
{
juce::RangedAudioParameter& parameterAt (ZelkProcessor& processor, int index)
{
    return *dynamic_cast<juce::RangedAudioParameter*> (processor.getParameters()[index]);
}

struct Expected
{
    const char* id;
    const char* name;
    float min, max, interval, defaultValue;
};

void expectParameter (ZelkProcessor& processor, int index, const Expected& e)
{
    auto& p = parameterAt (processor, index);
    SCOPED_TRACE (e.id);
    EXPECT_EQ (p.paramID, juce::String (e.id));
    EXPECT_EQ (p.getName (200), juce::String (e.name));
    EXPECT_FLOAT_EQ (p.getNormalisableRange().start, e.min);
    EXPECT_FLOAT_EQ (p.getNormalisableRange().end, e.max);
    EXPECT_FLOAT_EQ (p.getNormalisableRange().interval, e.interval);
    EXPECT_NEAR (p.convertFrom0to1 (p.getDefaultValue()), e.defaultValue, 1.0e-4);
    EXPECT_FLOAT_EQ (p.getNormalisableRange().skew, 1.0f);
    EXPECT_TRUE (p.isAutomatable());
}
} // namespace

TEST (ParameterLayout, ListsEveryParameterInTheHostOrder)
{
    ZelkProcessor processor;
    const auto& parameters = processor.getParameters();
    ASSERT_EQ (parameters.size(), parameterCount);

    expectParameter (processor, 0, { "bend", "Bend depth", 0, 48, 0.001f, 48 });
    expectParameter (processor, 5, { "smooth", "Smoothing", 0, 50, 0.001f, 5 });
    expectParameter (processor, 6, { "lfo1_rate", "LFO 1 Frequency", 0.05f, 20, 0.001f, 1 });
    expectParameter (processor, 20, { "lfo3_level", "LFO 3 Level", 0, 100, 0.001f, 100 });
    EXPECT_EQ (parameterAt (processor, 21).paramID, "lfo1_sync");
    EXPECT_EQ (parameterAt (processor, 21).getName (100), "LFO 1 Sync");
    expectParameter (processor, 24, { "lfo1_point2", "lfo1_point2", -1, 1, 0.001f, 1 });
    expectParameter (processor, 28, { "lfo1_point6", "lfo1_point6", -1, 1, 0.001f, -1 });
    expectParameter (processor, 31, { "mod1_bend", "LFO 1 to Bend depth", -100, 100, 0.01f, 0 });
    expectParameter (processor, 38, { "mod1_lfo1_stretch", "LFO 1 to LFO 1 Length", -100, 100, 0.01f, 0 });
    EXPECT_EQ (parameterAt (processor, 52).paramID, "lfo2_sync");
    expectParameter (processor, 113, { "mod3_lfo3_level", "LFO 3 to LFO 3 Level", -100, 100, 0.01f, 0 });

    EXPECT_EQ (parameterAt (processor, 114).paramID, "uiTheme");
    EXPECT_EQ (parameterAt (processor, 114).getName (100), "Appearance");
    EXPECT_EQ (parameterAt (processor, 115).paramID, "loop");
    EXPECT_EQ (parameterAt (processor, 115).getName (100), "Loop bars (4/4)");
    expectParameter (processor, 116, { "rangeStart", "Time selection start (beats)", 0, 262080, 0.0001f, 0 });
    expectParameter (processor, 117, { "rangeEnd", "Time selection end (beats)", 0, 262080, 0.0001f, 4 });
    expectParameter (processor, 119, { "loopBars", "Custom loop bars (0=legacy)", 0, 65520, 1, 0 });
    const char* switches[] = { "rangeEnabled", "Time selection enabled", "looping", "Loop enabled", "enabled",
                               "Sequence enabled", "monitor", "Listen synth", "hearEdits", "Hear drawing" };
    const int switchIndices[] = { 118, 120, 121, 122, 123 };

    for (int i = 0; i < 5; ++i)
    {
        auto* p = parameters[switchIndices[i]];
        EXPECT_NE (dynamic_cast<juce::AudioParameterBool*> (p), nullptr);
        EXPECT_EQ (dynamic_cast<juce::RangedAudioParameter*> (p)->paramID, switches[2 * i]);
        EXPECT_EQ (p->getName (100), switches[2 * i + 1]);
    }

    const Expected firstSlot[] = {
        { "note1_on", "Note 1 enabled", 0, 1, 1, 0 },
        { "note1_pitch", "Note 1 pitch", 0, 127, 1, 60 },
        { "note1_start", "Note 1 start", 0, 31.9375f, 0.0001f, 0 },
        { "note1_duration", "Note 1 duration", 0.0625f, 32, 0.0001f, 1 },
        { "note1_next", "Note 1 next note", 0, 128, 1, 0 },
        { "note1_glide", "Note 1 glide beats", 0.0625f, 256, 0.0625f, 0.25f },
        { "note1_glideShape", "Note 1 glide shape", -1, 1, 0.001f, 0 },
        { "note1_startPage", "Note 1 start page", 0, 16380, 1, 0 },
        { "note1_durationPage", "Note 1 duration page", 0, 16380, 1, 0 },
        { "note1_vibOn", "Note 1 vibrato enabled", 0, 1, 1, 0 },
        { "note1_vibDepth", "Note 1 vibrato depth", 0, 12, 0.001f, 0.35f },
        { "note1_vibCycles", "Note 1 vibrato cycles", 0.125f, 64, 0.001f, 3 },
        { "note1_vibStart", "Note 1 vibrato start", 0, 0.999f, 0.001f, 0 },
        { "note1_vibEnd", "Note 1 vibrato end", 0.001f, 1, 0.001f, 1 },
        { "note1_vibFade", "Note 1 vibrato fade", 0, 0.5f, 0.001f, 0.2f },
        { "note1_velocity", "Note 1 velocity", 1, 127, 1, 100 },
        { "note1_curve0_0", "Note 1 pitch curve 1", -1, 1, 0.000001f, 0 },
    };

    for (int i = 0; i < (int) std::size (firstSlot); ++i)
        expectParameter (processor, 124 + i, firstSlot[i]);

    expectParameter (processor, 124 + 16 + 33, { "note1_curve1_0", "Note 1 pressure curve 1", 0, 1, 0.001f, 0.5f });
    expectParameter (processor, 124 + 115, { "note2_on", "Note 2 enabled", 0, 1, 1, 0 });
    expectParameter (processor, parameterCount - 1, { "note128_curve2_32", "Note 128 timbre curve 33", 0, 1, 0.001f, 0.5f });
}

TEST (ParameterLayout, IdentifiersAreUniqueAndVersioned)
{
    ZelkProcessor processor;
    std::set<juce::String> seen;

    for (auto* p : processor.getParameters())
    {
        auto* ranged = dynamic_cast<juce::RangedAudioParameter*> (p);
        ASSERT_NE (ranged, nullptr);
        EXPECT_TRUE (seen.insert (ranged->paramID).second) << ranged->paramID;
        EXPECT_EQ (ranged->getVersionHint(), 1);
    }
}

TEST (ParameterLayout, NoteFieldNumbersNameTheSameParametersAsTheLayout)
{
    EXPECT_EQ (noteParameterId (0, field::on), "note1_on");
    EXPECT_EQ (noteParameterId (127, field::vibFade), "note128_vibFade");
    EXPECT_EQ (noteParameterId (6, field::curvePoint (timbreCurve, 32)), "note7_curve2_32");
    EXPECT_EQ (noteParameterId (0, 5 + 33 + 7), "note1_curve1_7");
    EXPECT_EQ (noteParameterId (0, field::next), "note1_next");
    EXPECT_EQ (noteParameterId (0, field::durationPage), "note1_durationPage");

    ZelkProcessor processor;

    for (int f = 0; f < fieldsPerSlot; ++f)
        EXPECT_NE (processor.parameterTree().getParameter (noteParameterId (41, f)), nullptr) << f;
}

TEST (ParameterLayout, AFreshInstanceHasAnEmptyPatternAndTheDefaultSettings)
{
    ZelkProcessor processor;

    for (int slot = 0; slot < slotCount; ++slot)
        EXPECT_FALSE (processor.readNote (slot).on);

    EXPECT_FLOAT_EQ (valueOf (processor, "looping"), 0.0f);
    EXPECT_FLOAT_EQ (valueOf (processor, "rangeEnabled"), 0.0f);
    EXPECT_FLOAT_EQ (valueOf (processor, "rangeStart"), 0.0f);
    EXPECT_FLOAT_EQ (valueOf (processor, "rangeEnd"), 4.0f);
    EXPECT_FLOAT_EQ (valueOf (processor, "enabled"), 1.0f);
    EXPECT_FLOAT_EQ (valueOf (processor, "monitor"), 1.0f);
    EXPECT_FLOAT_EQ (valueOf (processor, "hearEdits"), 1.0f);
    EXPECT_FLOAT_EQ (valueOf (processor, "uiTheme"), 0.0f);
    EXPECT_FLOAT_EQ (valueOf (processor, "loop"), 2.0f);
    EXPECT_NEAR (valueOf (processor, "lfo2_point1"), 0.7071f, 1.0e-3f);
    EXPECT_NEAR (valueOf (processor, "lfo3_point7"), -0.7071f, 1.0e-3f);

    for (int d = 0; d < destinationCount; ++d)
        EXPECT_NEAR (processor.liveValue[(size_t) d].load(), destinationRange (d).defaultValue, 1.0e-5) << d;

    for (const auto& pitch : processor.soundingPitch)
        EXPECT_FLOAT_EQ (pitch.load(), -1000.0f);
}

TEST (ParameterLayout, TransposeKeepsItsFineValue)
{
    ZelkProcessor processor;
    processor.setParameterValue ("transpose", 2.4f);
    EXPECT_NEAR (valueOf (processor, "transpose"), 2.4f, 1.0e-5f);
}
