#include "tests/helpers/Soak.h"

#include "core/ZelkProcessor.h"
#include "tests/helpers/AllocationCounter.h"
#include "tests/helpers/FakePlayHead.h"
#include "tests/helpers/StreamCheck.h"
#include "tests/helpers/TestProcessor.h"

#include <cmath>

namespace zelk::test
{
namespace
{
constexpr int largestBlock = 4096;

// The kinds of parameter a host automates, each drawn as often as the others.
enum Kind
{
    globalControl,
    lfoControl,
    lfoPoint,
    lfoSync,
    route,
    setting,
    noteField,
    kindCount
};

Kind kindOf (const juce::String& id)
{
    if (id.startsWith ("note"))
        return noteField;

    if (id.startsWith ("mod"))
        return route;

    if (id.startsWith ("lfo"))
        return id.contains ("_point") ? lfoPoint : id.endsWith ("_sync") ? lfoSync : lfoControl;

    return juce::StringArray { "bend", "pressure", "timbre", "transpose", "velocity", "smooth" }.contains (id) ? globalControl
                                                                                                             : setting;
}

class Soak
{
public:
    explicit Soak (const SoakSettings& s) : settings (s), random (s.seed)
    {
        for (auto* p : processor.getParameters())
            if (auto* ranged = dynamic_cast<juce::RangedAudioParameter*> (p))
                byKind[(size_t) kindOf (ranged->paramID)].push_back (ranged);

        processor.setPlayHead (&host);
        buffer.setSize (2, largestBlock);
        midi.ensureSize (1 << 16);
    }

    ~Soak() { processor.setPlayHead (nullptr); }

    SoakReport run (const std::function<void (const SoakReport&)>& progress)
    {
        prepare (settings.firstRate);
        writeRandomPattern();
        earlierState = saveState (processor);

        playFor (settings.seconds / 2.0, progress);
        stopAndExpectSilence ("before the sample rate changes");
        prepare (settings.secondRate);
        playFor (settings.seconds / 2.0, progress);
        stopAndExpectSilence ("at the end");

        report.midiMessages = check.messages();
        report.noteOns = check.noteOns();
        report.failures = check.failureCount();
        report.firstFailures = check.firstFailures();
        return report;
    }

private:
    void prepare (double rate)
    {
        sampleRate = rate;
        processor.prepareToPlay (rate, largestBlock);
    }

    float randomIn (float lowest, float highest) { return lowest + (highest - lowest) * random.nextFloat(); }

    Note randomNote()
    {
        Note note;
        note.on = random.nextInt (8) != 0;
        note.pitch = random.nextInt (128);
        note.next = random.nextInt (3) == 0 ? random.nextInt (slotCount) : -1;
        note.start = random.nextInt (50) == 0 ? randomIn (262000.0f, 262080.0f) : randomIn (0.0f, 48.0f);
        note.duration = 0.0625f * std::pow (2.0f, randomIn (0.0f, 7.0f));
        note.velocity = (float) (1 + random.nextInt (127));
        note.glide = randomIn (0.0625f, 4.0f);
        note.glideShape = randomIn (-1.0f, 1.0f);
        note.vibOn = random.nextBool();
        note.vibDepth = randomIn (0.0f, 12.0f);
        note.vibCycles = randomIn (0.125f, 64.0f);
        note.vibStart = randomIn (0.0f, 0.999f);
        note.vibEnd = randomIn (0.001f, 1.0f);
        note.vibFade = randomIn (0.0f, 0.5f);

        for (int curve = 0; curve < curveCount; ++curve)
            for (auto& point : note.curves[(size_t) curve])
                point = curve == pitchCurve ? randomIn (-1.0f, 1.0f) : random.nextFloat();

        return note;
    }

    void writeRandomPattern()
    {
        for (int slot = 0; slot < slotCount; ++slot)
            processor.writeNote (slot, randomNote());
    }

    void automate (Kind kind)
    {
        const auto& list = byKind[(size_t) kind];
        auto* parameter = list[(size_t) random.nextInt ((int) list.size())];
        const auto roll = random.nextInt (10);
        parameter->setValueNotifyingHost (roll == 0 ? 0.0f : roll == 1 ? 1.0f : random.nextFloat());
        ++report.automations;
    }

    void setSetting (const char* id, float value)
    {
        auto* parameter = processor.parameterTree().getParameter (id);
        parameter->setValueNotifyingHost (parameter->convertTo0to1 (value));
    }

    void jumpHost()
    {
        switch (random.nextInt (6))
        {
            case 0: host.ppq = 0.0; break;
            case 1: host.ppq = -randomIn (0.0f, 4.0f); break; // a pre-roll
            case 2: host.ppq = randomIn (262070.0f, 262090.0f); break;
            case 3: host.ppq = 300000.0; break;
            default: host.ppq = randomIn (0.0f, 64.0f); break;
        }

        ++report.jumps;
    }

    void changeTempo()
    {
        switch (random.nextInt (7))
        {
            case 0: host.bpm = 0.0; break;
            case 1: host.bpm = std::numeric_limits<double>::quiet_NaN(); break;
            case 2: host.bpm = std::numeric_limits<double>::infinity(); break;
            case 3: host.bpm.reset(); break;
            default: host.bpm = randomIn (10.0f, 1000.0f); break;
        }
    }

    void changeLoop()
    {
        setSetting ("looping", random.nextBool() ? 1.0f : 0.0f);
        setSetting ("rangeEnabled", random.nextBool() ? 1.0f : 0.0f);
        setSetting ("rangeStart", randomIn (0.0f, 40.0f));
        setSetting ("rangeEnd", randomIn (0.0f, 48.0f));
        ++report.loopChanges;
    }

    void reloadState()
    {
        const auto roll = random.nextInt (10);

        if (roll < 6)
        {
            loadState (processor, saveState (processor));
        }
        else if (roll < 9)
        {
            const auto now = saveState (processor);
            loadState (processor, earlierState);
            earlierState = now;
        }
        else
        {
            // A state from an older version, which names almost nothing; then a new pattern is drawn.
            loadState (processor, wrapStateXml ("<TamselState><PARAM id=\"transpose\" value=\"3\"/></TamselState>"));
            writeRandomPattern();
        }

        ++report.reloads;
    }

    // What a host and a user do between two blocks, each now and then.
    void betweenBlocks()
    {
        if (random.nextInt (4) == 0)
            for (int i = random.nextInt (4); i >= 0; --i)
                automate ((Kind) random.nextInt (kindCount));

        if (random.nextInt (200) == 0)
            processor.writeNote (random.nextInt (slotCount), randomNote());

        if (random.nextInt (500) == 0)
            host.playing = ! host.playing;

        if (random.nextInt (500) == 0)
            jumpHost();

        if (random.nextInt (1000) == 0)
            changeTempo();

        if (random.nextInt (2000) == 0)
            host.reportsPosition = ! host.reportsPosition;

        if (random.nextInt (500) == 0)
            processor.playRequested = ! processor.playRequested.load();

        if (random.nextInt (1000) == 0)
            processor.setPlaybackPosition (random.nextInt (20) == 0 ? 262079.0 : random.nextDouble() * 64.0);

        if (random.nextInt (500) == 0)
            changeLoop();

        if (random.nextInt (1000) == 0)
        {
            processor.stopRequested = true;
            ++report.stops;
        }

        if (random.nextInt (300) == 0)
        {
            processor.hearPitch = randomIn (-20.0f, 150.0f);
            processor.hearPressure = random.nextFloat();
            processor.hearTimbre = random.nextFloat();
            processor.hearRequested = random.nextBool();
            ++report.auditions;
        }

        if (random.nextInt (4000) == 0)
            reloadState();
    }

    void playBlock (int size)
    {
        buffer.setSize (2, size, false, false, true);
        midi.clear();
        const auto stopAsked = processor.stopRequested.load();
        {
            AllocationCounter counter;
            processor.processBlock (buffer, midi);
            report.allocations += counter.count();
        }

        const auto block = report.blocks++;
        check.midiBlock (midi, size, block);
        check.audioBlock (buffer, block);

        if (stopAsked && check.anySounding())
            check.fail (block, "still sounding after a stop request: " + check.soundingNotes());

        // Only the audition note may sound while the pattern does not play, and only on channel 16.
        const auto hostPlaying = host.reportsPosition && host.playing;
        const auto auditioning = processor.hearRequested.load() && isSwitchOn (valueOf (processor, "hearEdits")) && ! hostPlaying;

        if (! processor.isPlaying.load() && check.anySounding()
            && ! (auditioning && check.soundingNotes().startsWith ("16/")))
            check.fail (block, "sounding while nothing plays: " + check.soundingNotes());

        if (host.playing && host.ppq && host.bpm)
        {
            const auto tempo = std::isfinite (*host.bpm) && *host.bpm > 0.0 ? std::clamp (*host.bpm, 20.0, 400.0) : 120.0;
            *host.ppq += size * tempo / (60.0 * sampleRate);
        }

        report.samples += size;
        report.musicSeconds += size / sampleRate;
        report.blocksOf512 += size == 512 ? 1 : 0;
        report.blocksOf512AtFirstRate += size == 512 && sampleRate == settings.firstRate ? 1 : 0;
    }

    int randomBlockSize()
    {
        // As many sizes of 1..8 as of 512..4096: hosts split blocks at automation points.
        return juce::jlimit (1, largestBlock, (int) std::exp (random.nextDouble() * std::log ((double) largestBlock + 1.0)));
    }

    void playFor (double seconds, const std::function<void (const SoakReport&)>& progress)
    {
        const auto end = report.musicSeconds + seconds;
        auto nextProgress = report.musicSeconds;

        while (report.musicSeconds < end)
        {
            const auto randomSizes = random.nextInt (settings.randomSizesEvery) == 0;

            for (int i = 50 + random.nextInt (400); --i >= 0 && report.musicSeconds < end;)
            {
                betweenBlocks();
                playBlock (randomSizes ? randomBlockSize() : 512);
            }

            if (progress && report.musicSeconds >= nextProgress)
            {
                report.failures = check.failureCount();
                progress (report);
                nextProgress = report.musicSeconds + settings.seconds / 20.0;
            }
        }
    }

    void stopAndExpectSilence (const char* when)
    {
        processor.stopRequested = true;
        host.playing = false;
        playBlock (512);

        if (check.anySounding())
            check.fail (report.blocks, juce::String ("still sounding ") + when + ": " + check.soundingNotes());
    }

    const SoakSettings settings;
    juce::Random random;
    ZelkProcessor processor;
    FakePlayHead host;
    std::array<std::vector<juce::RangedAudioParameter*>, kindCount> byKind;
    juce::AudioBuffer<float> buffer;
    juce::MidiBuffer midi;
    juce::MemoryBlock earlierState;
    double sampleRate = 48000.0;
    StreamCheck check;
    SoakReport report;
};
} // namespace

SoakReport runSoak (const SoakSettings& settings, const std::function<void (const SoakReport&)>& progress)
{
    Soak soak (settings);
    return soak.run (progress);
}

} // namespace zelk::test
