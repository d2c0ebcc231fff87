#include "ui/editor/OutputSection.h"

#include "core/ZelkProcessor.h"
#include "ui/style/Captions.h"
#include "ui/style/Palette.h"

namespace zelk
{
namespace
{
using Control = OutputSection::Control;
using Zone = OutputOptions::Zone;
using Pressure = OutputOptions::Pressure;

constexpr int rowTop = 74, rowPitch = 40, rowHeight = 32, controlsLeft = 180;
const juce::String plusMinus = juce::String::fromUTF8 ("\xc2\xb1");

struct ControlSpec
{
    const char* text; // a button's text, or empty for a value box
    const char* componentId;
    int row, x, width;
    const char* tooltip;
};

const char* const bendTip = "Pitch-bend range of the member channels in semitones. Match the synth's own range when it "
                            "ignores the MPE configuration.";
const char* const channelsTip = "How many member channels the notes may use: fewer for a synth with fewer voices. A note "
                                "waits while all of them are busy.";
const char* const zoneTip = "Lower zone: master channel 1, members from 2 upwards. Upper zone: master channel 16, members "
                            "from 15 downwards.";
const char* const configurationTip = "Send the MPE configuration message (registered parameter 6) at every start. The "
                                     "bend ranges are sent either way.";
const char* const pressureTip = "Channel pressure on each note's channel, or polyphonic aftertouch on the note's key for "
                                "synths that read only that.";

// clang-format off
const std::array<ControlSpec, OutputSection::controlCount> specs { {
    { "48", "bend-range-48", 0, controlsLeft, 52, bendTip },
    { "24", "bend-range-24", 0, controlsLeft + 58, 52, bendTip },
    { "12", "bend-range-12", 0, controlsLeft + 116, 52, bendTip },
    { "2", "bend-range-2", 0, controlsLeft + 174, 52, bendTip },
    { "", "bend-range", 0, controlsLeft + 240, 64, bendTip },
    { "", "member-channels", 1, controlsLeft, 64, channelsTip },
    { "LOWER", "zone-lower", 2, controlsLeft, 90, zoneTip },
    { "UPPER", "zone-upper", 2, controlsLeft + 96, 90, zoneTip },
    { "SEND", "configuration-send", 3, controlsLeft, 90, configurationTip },
    { "LEAVE OUT", "configuration-leave-out", 3, controlsLeft + 96, 110, configurationTip },
    { "CHANNEL PRESSURE", "pressure-channel", 4, controlsLeft, 170, pressureTip },
    { "POLY AFTERTOUCH", "pressure-poly", 4, controlsLeft + 176, 170, pressureTip },
} };
// clang-format on

const ControlSpec& specOf (Control control) { return specs[(size_t) control]; }

constexpr int presetRanges[] { 48, 24, 12, 2 };

juce::String zoneText (const OutputOptions& o)
{
    const auto members = o.memberChannels == 1 ? "member " + juce::String (o.memberChannel (0))
                                               : "members " + juce::String (o.memberChannel (0)) + " to "
                                                     + juce::String (o.lastMemberChannel());
    return "master channel " + juce::String (o.masterChannel()) + ", " + members;
}
} // namespace

juce::String clampedNotesText (int notes, int bendRange)
{
    const auto range = plusMinus + juce::String (bendRange);
    return notes == 1 ? "1 note bends past " + range + " and is clamped"
                      : juce::String (notes) + " notes bend past " + range + " and are clamped";
}

OutputSection::OutputSection (ZelkProcessor& p)
    : processor (p), bendRange (OutputOptions::minBendRange, OutputOptions::maxBendRange),
      memberChannels (1, OutputOptions::maxMemberChannels)
{
    setComponentID ("output-section");

    for (int i = 0; i < controlCount; ++i)
    {
        const auto& spec = specs[(size_t) i];

        if (*spec.text == 0)
            continue;

        auto b = std::make_unique<ZelkButton> (spec.text);
        b->setComponentID (spec.componentId);
        b->setTooltip (spec.tooltip);
        addAndMakeVisible (*b);
        buttons[(size_t) i] = std::move (b);
    }

    for (int i = 0; i < 4; ++i)
        button ((Control) i).onClick = [this, i] { change ([i] (OutputOptions& o) { o.bendRange = presetRanges[i]; }); };

    button (Control::zoneLower).onClick = [this] { change ([] (OutputOptions& o) { o.zone = Zone::lower; }); };
    button (Control::zoneUpper).onClick = [this] { change ([] (OutputOptions& o) { o.zone = Zone::upper; }); };
    button (Control::configurationSend).onClick = [this] { change ([] (OutputOptions& o) { o.configurationMessage = true; }); };
    button (Control::configurationLeaveOut).onClick = [this] { change ([] (OutputOptions& o) { o.configurationMessage = false; }); };
    button (Control::pressureChannel).onClick = [this] { change ([] (OutputOptions& o) { o.pressure = Pressure::channelPressure; }); };
    button (Control::pressurePoly).onClick = [this] { change ([] (OutputOptions& o) { o.pressure = Pressure::polyAftertouch; }); };

    for (auto [box, control] : { std::pair { &bendRange, Control::bendRangeBox }, { &memberChannels, Control::memberChannelsBox } })
    {
        box->setComponentID (specOf (control).componentId);
        box->setTooltip (specOf (control).tooltip);
        addAndMakeVisible (*box);
    }

    bendRange.onValueChange = [this] (int v) { change ([v] (OutputOptions& o) { o.bendRange = v; }); };
    memberChannels.onValueChange = [this] (int v) { change ([v] (OutputOptions& o) { o.memberChannels = v; }); };

    // Clamps counted before the window opened are still news; a start seen is not.
    seenPlaybackStart = processor.playbackEngine().clampReport().playbackStart;
    showOptions (processor.outputOptions());
}

juce::Rectangle<int> OutputSection::boundsOf (Control control) noexcept
{
    const auto& spec = specOf (control);
    return { spec.x, rowTop + rowPitch * spec.row, spec.width, rowHeight };
}

ZelkButton& OutputSection::button (Control control) noexcept
{
    // The value boxes have no button; asking for one gets the row's first button.
    const auto& b = buttons[(size_t) control];
    return b != nullptr ? *b : *buttons[(size_t) Control::bend48];
}

void OutputSection::resized()
{
    for (int i = 0; i < controlCount; ++i)
        if (buttons[(size_t) i] != nullptr)
            buttons[(size_t) i]->setBounds (boundsOf ((Control) i));

    bendRange.setBounds (boundsOf (Control::bendRangeBox));
    memberChannels.setBounds (boundsOf (Control::memberChannelsBox));
}

void OutputSection::change (const std::function<void (OutputOptions&)>& edit)
{
    auto options = processor.outputOptions();
    edit (options);
    processor.setOutputOptions (options);
    showOptions (processor.outputOptions());
}

void OutputSection::showOptions (const OutputOptions& o)
{
    for (int i = 0; i < 4; ++i)
        button ((Control) i).setToggleState (o.bendRange == presetRanges[i], juce::dontSendNotification);

    bendRange.setValue (o.bendRange);
    memberChannels.setValue (o.memberChannels);
    button (Control::zoneLower).setToggleState (! o.upper(), juce::dontSendNotification);
    button (Control::zoneUpper).setToggleState (o.upper(), juce::dontSendNotification);
    button (Control::configurationSend).setToggleState (o.configurationMessage, juce::dontSendNotification);
    button (Control::configurationLeaveOut).setToggleState (! o.configurationMessage, juce::dontSendNotification);
    button (Control::pressureChannel).setToggleState (! o.polyPressure(), juce::dontSendNotification);
    button (Control::pressurePoly).setToggleState (o.polyPressure(), juce::dontSendNotification);

    if (o != shown)
    {
        shown = o;
        repaint();
    }
}

void OutputSection::tick()
{
    showOptions (processor.outputOptions());
    reportClamps();
    reportDamagedState();
}

void OutputSection::reportClamps()
{
    const auto report = processor.playbackEngine().clampReport();

    if (report.playbackStart != seenPlaybackStart)
    {
        seenPlaybackStart = report.playbackStart;
        reportedClamps = 0;
    }

    // At the default range the clipping is what Zelk always did, and it says nothing of it.
    if (report.bendRange != OutputOptions::defaultBendRange && report.notes > reportedClamps)
    {
        reportedClamps = report.notes;

        if (onStatus != nullptr)
            onStatus (clampedNotesText (report.notes, report.bendRange));
    }
}

void OutputSection::reportDamagedState()
{
    const auto loads = processor.damagedOutputOptionsLoads.load();

    if (loads != seenDamagedLoads)
    {
        seenDamagedLoads = loads;

        if (onStatus != nullptr)
            onStatus ("Saved output options were damaged: defaults loaded");
    }
}

void OutputSection::paint (juce::Graphics& g)
{
    const auto palette = paperstyle::paletteFor (*this);
    const auto width = getWidth();
    constexpr auto left = juce::Justification::centredLeft;

    paperstyle::drawCaption (g, "Output", { 0, 0, width, 35 }, 17.0f, palette.ink, left);
    paperstyle::drawCaption (g, "For synths that ignore the MPE configuration. Saved with the project; playback, "
                                "EXPORT MIDI and DRAG MIDI use it from the next start.",
                             { 0, 38, width, 27 }, 12.0f, palette.muted, left);

    const char* const rows[] { "BEND RANGE", "MEMBER CHANNELS", "ZONE", "CONFIGURATION", "PRESSURE AS" };

    for (int r = 0; r < 5; ++r)
        paperstyle::drawCaption (g, rows[r], { 0, rowTop + rowPitch * r, controlsLeft - 10, rowHeight }, 11.0f, palette.ink, left);

    const auto describe = [&] (Control after, const juce::String& text)
    {
        const auto x = boundsOf (after).getRight() + 12;
        paperstyle::drawCaption (g, text, { x, boundsOf (after).getY(), juce::jmax (0, width - x), rowHeight }, 11.0f,
                                 palette.muted, left);
    };

    describe (Control::bendRangeBox, "semitones, 1 to 96; the master channel keeps 2");
    describe (Control::memberChannelsBox, "of 15");
    describe (Control::zoneUpper, zoneText (shown));
    describe (Control::configurationLeaveOut, "registered parameter 6; the bend ranges are sent either way");
}

} // namespace zelk
