#include "midi/PlayedStream.h"

#include "core/Note.h"

#include <algorithm>
#include <array>
#include <bitset>
#include <optional>
#include <set>

namespace zelk
{
namespace
{
constexpr int channels = 16;
// Time stamps beyond this are all past the timeline alike; held there, they stay finite.
constexpr double farthest = 2.0 * timelineEnd;

// A channel message's parts; anything else (meta events, system messages) has no channel.
struct ChannelMessage
{
    int type = 0;    // the status byte's high nibble
    int channel = 0; // 1..16, 0 when not a channel message
    int data1 = 0, data2 = 0;
};

ChannelMessage partsOf (const juce::MidiMessage& m)
{
    ChannelMessage c;
    const auto* data = m.getRawData();
    const auto size = m.getRawDataSize();

    if (size < 2 || data[0] < 0x80 || data[0] >= 0xf0)
        return c;

    c.type = data[0] & 0xf0;
    c.channel = (data[0] & 0x0f) + 1;
    c.data1 = data[1] & 0x7f;
    c.data2 = size > 2 ? data[2] & 0x7f : 0;
    return c;
}

bool isNoteOn (const ChannelMessage& c)
{
    return c.type == 0x90 && c.data2 > 0;
}
bool isNoteOff (const ChannelMessage& c)
{
    return c.type == 0x80 || (c.type == 0x90 && c.data2 == 0);
}

// Registered parameter selection and data entry, per channel.
struct ParameterSelection
{
    int msb = 127, lsb = 127;
    bool registered = false;

    bool is (int m, int l) const { return registered && msb == m && lsb == l; }

    // Returns true when the controller took part in selecting a parameter.
    bool select (int controller, int value)
    {
        switch (controller)
        {
            case 101:
                msb = value;
                registered = true;
                return true;
            case 100:
                lsb = value;
                registered = true;
                return true;
            case 99:
            case 98:
                registered = false;
                return true; // a non-registered parameter: its data is not ours
            default:
                return false;
        }
    }
};

// Which zone each channel belongs to.
struct Zones
{
    int lowerMembers = 0, upperMembers = 0;
    bool mpe = false;

    // 1 for a lower-zone member, 2 for an upper-zone member, 0 otherwise.
    int memberZone (int channel) const
    {
        if (!mpe)
            return 0;

        if (lowerMembers > 0 && channel >= 2 && channel <= 1 + lowerMembers)
            return 1;

        if (upperMembers > 0 && channel <= 15 && channel >= 16 - upperMembers)
            return 2;

        return 0;
    }

    static int masterOf (int zone) { return zone == 1 ? 1 : 16; }
};

// The first pass: whether the stream is MPE and how its zones lie.
Zones findZones (const juce::MidiMessageSequence& events)
{
    Zones zones;
    bool configured = false;
    std::array<ParameterSelection, channels + 1> selection;
    std::array<bool, channels + 1> noteChannels{}, bendChannels{};

    for (const auto* holder : events)
    {
        const auto c = partsOf (holder->message);

        if (c.channel == 0)
            continue;

        if (c.type == 0xb0 && !selection[(size_t) c.channel].select (c.data1, c.data2) && c.data1 == 6 &&
            selection[(size_t) c.channel].is (0, 6) && (c.channel == 1 || c.channel == 16))
        {
            configured = true;
            (c.channel == 1 ? zones.lowerMembers : zones.upperMembers) = std::min (c.data2, 15);
        }
        else if (isNoteOn (c))
            noteChannels[(size_t) c.channel] = true;
        else if (c.type == 0xe0)
            bendChannels[(size_t) c.channel] = true;
    }

    if (configured)
    {
        zones.mpe = zones.lowerMembers > 0 || zones.upperMembers > 0;
        return zones;
    }

    // Without a configuration: notes spread over channels 2..16, some of them bent on their own.
    int spread = 0;
    bool bent = false;

    for (int channel = 2; channel <= channels; ++channel)
        if (noteChannels[(size_t) channel])
        {
            ++spread;
            bent = bent || bendChannels[(size_t) channel];
        }

    zones.mpe = spread >= 2 && bent;
    zones.lowerMembers = zones.mpe ? 15 : 0;
    return zones;
}

juce::String rangeText (double range)
{
    return juce::String (range, range == std::floor (range) ? 0 : 2);
}

class StreamReader
{
public:
    StreamReader (const Zones& z, PlayedStream& s)
        : zones (z)
        , stream (s)
    {
    }

    void read (const juce::MidiMessageSequence& events, double endBeat)
    {
        // Time never runs back, and a time stamp that is not a number is taken for the one before.
        double last = 0.0;

        for (const auto* holder : events)
        {
            if (const auto beat = holder->message.getTimeStamp(); beat > last)
                last = std::min (beat, farthest);

            handle (partsOf (holder->message), last);
        }

        const auto end = endBeat >= 0.0 ? std::min (endBeat, farthest) : last;

        for (int channel = 1; channel <= channels; ++channel)
        {
            for (const auto index : open[(size_t) channel])
            {
                auto& note = stream.notes[(size_t) index];
                note.end = std::max (end, note.start);
                note.heldToEnd = true;
                ++stream.heldToEnd;
            }

            stream.heldToEnd += (int) counted[(size_t) channel].count();
        }

        for (auto& note : stream.notes)
            if (note.end > timelineEnd)
            {
                note.end = timelineEnd;
                note.clipped = true;
            }

        describeRanges();
    }

private:
    void handle (const ChannelMessage& c, double beat)
    {
        if (c.channel == 0)
            return;

        if (isNoteOn (c))
            noteOn (c, beat);
        else if (isNoteOff (c))
            noteOff (c.channel, c.data1, beat);
        else if (c.type == 0xe0)
            bend (c.channel, c.data1 | (c.data2 << 7), beat);
        else if (c.type == 0xd0)
            channelPressure (c.channel, c.data1, beat);
        else if (c.type == 0xa0)
            keyPressure (c.channel, c.data1, c.data2, beat);
        else if (c.type == 0xb0)
            controller (c.channel, c.data1, c.data2, beat);
    }

    struct ChannelState
    {
        int bend = 8192;
        std::optional<float> pressure, timbre;
        juce::int64 pressureOrder = -1;
        std::array<float, 128> keyPressure{};
        std::array<juce::int64, 128> keyPressureOrder = neverSent();
        std::optional<double> ownRange;

        static std::array<juce::int64, 128> neverSent()
        {
            std::array<juce::int64, 128> order;
            order.fill (-1);
            return order;
        }
    };

    double rangeOf (int channel) const
    {
        const auto& state = states[(size_t) channel];

        if (state.ownRange)
            return *state.ownRange;

        if (const auto zone = zones.memberZone (channel); zone > 0)
            return zoneMemberRange[(size_t) zone] ? *zoneMemberRange[(size_t) zone] : 48.0;

        return 2.0;
    }

    double bendOf (int channel) const { return (states[(size_t) channel].bend - 8192) / 8192.0 * rangeOf (channel); }

    // A note's pitch: its channel's bend, and in MPE its zone master's too.
    float pitchOf (int channel) const
    {
        auto semitones = bendOf (channel);

        if (const auto zone = zones.memberZone (channel); zone > 0)
            semitones += bendOf (Zones::masterOf (zone));

        return (float) semitones;
    }

    // The later of channel pressure and this key's own aftertouch.
    std::optional<float> pressureOf (int channel, int key) const
    {
        const auto& state = states[(size_t) channel];

        if (state.keyPressureOrder[(size_t) key] > state.pressureOrder)
            return state.keyPressure[(size_t) key];

        return state.pressure;
    }

    void noteOn (const ChannelMessage& c, double beat)
    {
        noteOff (c.channel, c.data1, beat); // the same key again closes the first

        // Too late for the timeline, or after 128 notes that start earlier: counted, not read.
        if (beat > timelineEnd - minimumDuration || stream.notes.size() >= (size_t) slotCount)
        {
            ++(beat > timelineEnd - minimumDuration ? stream.pastTimeline : stream.beyondLimit);
            counted[(size_t) c.channel].set ((size_t) c.data1);
            return;
        }

        PlayedNote note;
        note.channel = c.channel;
        note.key = c.data1;
        note.velocity = c.data2;
        note.start = beat;
        note.pitch.add (beat, pitchOf (c.channel));

        if (const auto pressure = pressureOf (c.channel, c.data1))
            note.pressure.add (beat, *pressure);

        if (const auto timbre = states[(size_t) c.channel].timbre)
            note.timbre.add (beat, *timbre);

        open[(size_t) c.channel].push_back ((int) stream.notes.size());
        stream.notes.push_back (std::move (note));
        usedRanges.insert ({zones.memberZone (c.channel) > 0, rangeOf (c.channel)});
    }

    void noteOff (int channel, int key, double beat)
    {
        auto& held = open[(size_t) channel];

        for (auto it = held.begin(); it != held.end(); ++it)
            if (stream.notes[(size_t) *it].key == key)
            {
                stream.notes[(size_t) *it].end = beat;
                held.erase (it);
                return;
            }

        counted[(size_t) channel].reset ((size_t) key);
    }

    template <typename Function> void forNotesOn (int channel, Function&& function)
    {
        for (const auto index : open[(size_t) channel])
            function (stream.notes[(size_t) index]);
    }

    // A note's pitch follows its channel and, for the members of a zone, the zone's master.
    void repitch (int channel, double beat)
    {
        const auto update = [this, beat] (PlayedNote& note) { note.pitch.add (beat, pitchOf (note.channel)); };
        forNotesOn (channel, update);

        if (zones.mpe && (channel == 1 || channel == 16))
            for (int member = 1; member <= channels; ++member)
                if (const auto zone = zones.memberZone (member); zone > 0 && Zones::masterOf (zone) == channel)
                    forNotesOn (member, update);
    }

    void bend (int channel, int value, double beat)
    {
        states[(size_t) channel].bend = value;
        masterBent = masterBent || (zones.mpe && zones.memberZone (channel) == 0);
        repitch (channel, beat);
    }

    void channelPressure (int channel, int value, double beat)
    {
        auto& state = states[(size_t) channel];
        state.pressure = (float) value / 127.0f;
        state.pressureOrder = ++order;
        forNotesOn (channel, [&] (PlayedNote& note) { note.pressure.add (beat, *state.pressure); });
    }

    void keyPressure (int channel, int key, int value, double beat)
    {
        auto& state = states[(size_t) channel];
        state.keyPressure[(size_t) key] = (float) value / 127.0f;
        state.keyPressureOrder[(size_t) key] = ++order;
        forNotesOn (channel,
                    [&] (PlayedNote& note)
                    {
                        if (note.key == key)
                            note.pressure.add (beat, state.keyPressure[(size_t) key]);
                    });
    }

    void controller (int channel, int number, int value, double beat)
    {
        auto& state = states[(size_t) channel];
        auto& selection = selections[(size_t) channel];

        if (selection.select (number, value))
            return;

        if (number == 74)
        {
            state.timbre = (float) value / 127.0f;
            forNotesOn (channel, [&] (PlayedNote& note) { note.timbre.add (beat, *state.timbre); });
        }
        else if ((number == 6 || number == 38) && selection.is (0, 0))
        {
            setRange (channel, number == 6 ? value : std::floor (rangeOf (channel)) + value / 100.0, beat);
        }
        else if (number == 121) // reset all controllers
        {
            state.bend = 8192;
            state.pressure.reset();
            repitch (channel, beat);
        }
        else if (number == 123 || number == 120) // all notes off, all sound off
        {
            for (const auto index : open[(size_t) channel])
                stream.notes[(size_t) index].end = beat;

            open[(size_t) channel].clear();
            counted[(size_t) channel].reset();
        }
    }

    void setRange (int channel, double range, double beat)
    {
        if (range > largestBendRange)
        {
            stream.hints.addIfNotAlreadyThere ("Bend range " + rangeText (range) + " on channel " +
                                               juce::String (channel) + " clamped to " + rangeText (largestBendRange));
            range = largestBendRange;
        }

        // In a zone, a member's range is every member's until one sets its own.
        states[(size_t) channel].ownRange = range;

        if (const auto zone = zones.memberZone (channel); zone > 0)
            zoneMemberRange[(size_t) zone] = range;

        for (int c = 1; c <= channels; ++c)
            repitch (c, beat);
    }

    void describeRanges()
    {
        juce::StringArray members, others;

        for (const auto& [member, range] : usedRanges)
            (member ? members : others).addIfNotAlreadyThere (rangeText (range));

        auto& ranges = zones.mpe ? members : others;
        stream.bendRanges = ranges.isEmpty() ? rangeText (zones.mpe ? 48.0 : 2.0) : ranges.joinIntoString (", ");

        if (zones.mpe && masterBent)
            stream.masterRange = rangeText (rangeOf (zones.lowerMembers > 0 ? 1 : 16));
    }

    const Zones& zones;
    PlayedStream& stream;
    std::array<ChannelState, channels + 1> states{};
    std::array<ParameterSelection, channels + 1> selections{};
    std::array<std::optional<double>, 3> zoneMemberRange{};
    std::array<std::vector<int>, channels + 1> open{};
    std::array<std::bitset<128>, channels + 1> counted{}; // keys held by notes that are only counted
    std::set<std::pair<bool, double>> usedRanges;
    juce::int64 order = 0;
    bool masterBent = false;
};

// The longest silence within one continuous move: a little more than the stream's usual spacing
// of expression messages.
void setRampLimits (PlayedStream& stream)
{
    std::vector<double> gaps;

    for (const auto& note : stream.notes)
        for (const auto* track : {&note.pitch, &note.pressure, &note.timbre})
        {
            const auto& p = track->values();

            for (size_t i = 1; i < p.size() && gaps.size() < 20000; ++i)
                if (const auto gap = p[i].beat - p[i - 1].beat; gap > 0.0 && gap < 0.25)
                    gaps.push_back (gap);
        }

    auto limit = 0.012;

    // A controller that sends only changes leaves gaps of several of its periods where a value
    // held; its period is among the shortest gaps, not their median.
    if (gaps.size() >= 8)
    {
        const auto tenth = gaps.begin() + (long) gaps.size() / 10;
        std::nth_element (gaps.begin(), tenth, gaps.end());
        limit = std::clamp (1.5 * *tenth, 0.002, 0.05);
    }

    // A thinned track's kept values lie further apart.
    for (auto& note : stream.notes)
        for (auto* track : {&note.pitch, &note.pressure, &note.timbre})
            track->rampLimit = std::max (limit, 1.5 * track->thinnedTo());
}
} // namespace

PlayedStream readPlayedStream (const juce::MidiMessageSequence& events, double endBeat)
{
    PlayedStream stream;
    const auto zones = findZones (events);
    stream.mpe = zones.mpe;
    stream.layout = !zones.mpe ? "single channel" : zones.lowerMembers > 0 ? "MPE lower zone" : "MPE upper zone";

    StreamReader (zones, stream).read (events, endBeat);
    setRampLimits (stream);
    return stream;
}

} // namespace zelk
