// Patterns exported with Zelk's own MPE export and captured back: what the captured pattern plays
// must be what the original played.
#include "core/PatternMath.h"
#include "midi/MpeExport.h"
#include "midi/PerformanceCapture.h"
#include "tests/helpers/TestProcessor.h"
#include "tools/DemoPattern.h"

#include <gtest/gtest.h>

#include <cmath>
#include <iostream>
#include <random>

using namespace zelk;
using namespace zelk::test;

namespace
{
constexpr double tick = 1.0 / 960.0;
// A join inside a chain has no event of its own; it is placed from the pitch, whose bends move in
// steps of 48/8192 semitone, so a gentle glide's corner is only known to a tick or two.
constexpr double joinTolerance = 2.0;
constexpr double comparisonStep = 120.0 / 60.0 / 250.0; // 250 Hz at the export's 120 BPM

using Pattern = std::vector<Note>; // slot order; `next` names slots

Pattern patternOf (const ZelkProcessor& processor)
{
    Pattern pattern;

    for (int slot = 0; slot < slotCount; ++slot)
        pattern.push_back (processor.readNote (slot));

    return pattern;
}

// A chain as playback sounds it: its notes in order.
std::vector<int> chainFrom (const Pattern& pattern, int head)
{
    std::vector<int> chain{head};

    while (chain.size() < (size_t) slotCount)
    {
        const auto& note = pattern[(size_t) chain.back()];

        if (!isConnected (note, chain.back(), pattern[(size_t) std::max (0, note.next)]))
            break;

        chain.push_back (note.next);
    }

    return chain;
}

std::vector<std::vector<int>> chainsOf (const Pattern& pattern)
{
    std::vector<bool> led (pattern.size(), false);

    for (int s = 0; s < (int) pattern.size(); ++s)
        if (pattern[(size_t) s].on &&
            isConnected (pattern[(size_t) s], s, pattern[(size_t) std::max (0, pattern[(size_t) s].next)]))
            led[(size_t) pattern[(size_t) s].next] = true;

    std::vector<std::vector<int>> chains;

    for (int s = 0; s < (int) pattern.size(); ++s)
        if (pattern[(size_t) s].on && !led[(size_t) s])
            chains.push_back (chainFrom (pattern, s));

    return chains;
}

// The chain's sounding pitch, pressure and timbre at a beat (Part of playback: the current
// segment is the last note that has started).
struct Sound
{
    double pitch, pressure, timbre;
};

Sound soundAt (const Pattern& pattern, const std::vector<int>& chain, double t)
{
    size_t i = 0;

    while (i + 1 < chain.size() && pattern[(size_t) chain[i + 1]].start <= t)
        ++i;

    const auto& note = pattern[(size_t) chain[i]];
    const auto* next = i + 1 < chain.size() ? &pattern[(size_t) chain[i + 1]] : nullptr;
    const auto x = (t - note.start) / note.duration;
    return {pitchAt (note, next, t, 48.0), curveAt (note, pressureCurve, x), curveAt (note, timbreCurve, x)};
}

struct Figures
{
    double pitchMax = 0.0, pitchSquares = 0.0, levelMax = 0.0;
    long samples = 0;
    int notes = 0, notesOnTick = 0, chains = 0, chainsKept = 0, vibratos = 0, vibratosKept = 0;
    // In ticks: note-ons and note-offs, and the joins inside chains, which no event marks.
    double edgeTicks = 0.0, joinTicks = 0.0;

    double pitchRms() const { return samples > 0 ? std::sqrt (pitchSquares / samples) : 0.0; }
};

// Compares what two patterns play, chain by chain, each original chain with the captured chain
// that starts on its key at its tick.
void compare (const Pattern& original, const Pattern& captured, Figures& f)
{
    const auto capturedChains = chainsOf (captured);

    for (const auto& chain : chainsOf (original))
    {
        const auto& head = original[(size_t) chain.front()];
        const std::vector<int>* match = nullptr;

        for (const auto& c : capturedChains)
            if (captured[(size_t) c.front()].pitch == head.pitch &&
                std::abs (captured[(size_t) c.front()].start - head.start) <= tick)
                match = &c;

        f.notes += (int) chain.size();
        f.chains += chain.size() > 1 ? 1 : 0;

        for (const auto slot : chain)
            f.vibratos += original[(size_t) slot].vibOn ? 1 : 0;

        if (match == nullptr)
        {
            ADD_FAILURE() << "no captured note starts on key " << head.pitch << " at beat " << head.start;
            continue;
        }

        if (match->size() == chain.size())
        {
            f.chainsKept += chain.size() > 1 ? 1 : 0;

            for (size_t i = 0; i < chain.size(); ++i)
            {
                const auto& a = original[(size_t) chain[i]];
                const auto& b = captured[(size_t) (*match)[i]];
                const auto startTicks = std::abs (a.start - b.start) / tick,
                           endTicks = std::abs (a.end() - b.end()) / tick;
                auto& startKind = i == 0 ? f.edgeTicks : f.joinTicks;
                auto& endKind = i + 1 == chain.size() ? f.edgeTicks : f.joinTicks;
                startKind = std::max (startKind, startTicks);
                endKind = std::max (endKind, endTicks);
                const bool onTick = a.pitch == b.pitch && startTicks <= (i == 0 ? 1.0 : joinTolerance) + 1e-3 &&
                                    endTicks <= (i + 1 == chain.size() ? 1.0 : joinTolerance) + 1e-3;
                f.notesOnTick += onTick;
                f.vibratosKept += a.vibOn && b.vibOn ? 1 : 0;
            }
        }

        // Pressure and timbre switch notes at each boundary; a tick either side of one is left out.
        const auto start = head.start, end = original[(size_t) chain.back()].end();

        for (auto t = (double) start + 0.5 * comparisonStep; t < end; t += comparisonStep)
        {
            const auto a = soundAt (original, chain, t), b = soundAt (captured, *match, t);
            const auto pitchError = std::abs (a.pitch - b.pitch);
            f.pitchMax = std::max (f.pitchMax, pitchError);
            f.pitchSquares += pitchError * pitchError;
            ++f.samples;

            const auto nearBoundary =
                std::any_of (chain.begin() + 1, chain.end(),
                             [&] (int s) { return std::abs (t - original[(size_t) s].start) < tick; });

            if (!nearBoundary)
                f.levelMax =
                    std::max ({f.levelMax, std::abs (a.pressure - b.pressure), std::abs (a.timbre - b.timbre)});
        }
    }
}

Pattern roundTrip (ZelkProcessor& source)
{
    // The export plays the pattern exactly: no smoothing, which capture could not tell from the
    // playing and playback would add a second time.
    source.setParameterValue ("smooth", 0.0f);
    const juce::TemporaryFile file (".mid");
    EXPECT_TRUE (exportMpeMidi (source, file.getFile()));

    const auto result = captureMidiFile (file.getFile(), {});
    EXPECT_TRUE (result.ok()) << result.error;

    ZelkProcessor captured;

    for (size_t i = 0; i < result.notes.size(); ++i)
        captured.writeNote ((int) i, result.notes[i]);

    return patternOf (captured);
}

// Random patterns: held notes with moving curves, bends, vibratos of many depths, rates and spans,
// and chains that glide between keys with shaped glides.
class PatternMaker
{
public:
    explicit PatternMaker (unsigned seed)
        : random (seed)
    {
    }

    void write (ZelkProcessor& processor)
    {
        int slot = 0;
        auto beat = 0.25;

        while (slot < 40)
        {
            const auto kind = pick (0, 3);

            if (kind == 3)
                slot += chain (processor, slot, beat);
            else
                processor.writeNote (slot++, single (beat, kind));

            beat += uniform (0.25, 1.5);
        }
    }

private:
    Note single (double start, int kind)
    {
        auto note = base (start, uniform (0.5, 4.0));
        smoothPitch (note, 0.4);

        if (kind == 1)
            addVibrato (note, 0.0, 1.0);

        if (kind == 2)
        {
            // A bend that keeps moving to the end of the note.
            const auto from = pick (8, 24);
            const auto semitones = (pick (0, 1) == 0 ? -1.0 : 1.0) * uniform (2.0, 6.0);

            for (int i = from; i < curvePointCount; ++i)
                note.curves[pitchCurve][(size_t) i] += (float) (semitones * (i - from) / (32.0 - from) / 48.0);
        }

        return note;
    }

    int chain (ZelkProcessor& processor, int slot, double& beat)
    {
        const auto length = pick (2, 3);
        auto key = pick (52, 72);

        for (int i = 0; i < length; ++i)
        {
            auto note = base (beat, uniform (0.75, 2.0));
            note.pitch = key;
            smoothPitch (note, 0.08);
            // It holds its key for a while after its arrival.
            for (int p = 0; p < 6; ++p)
                note.curves[pitchCurve][(size_t) p] = 0.0f;

            const auto step = (pick (0, 1) == 0 ? -1 : 1) * pick (2, 7);

            if (i + 1 < length)
            {
                note.next = slot + i + 1;
                note.glide = (float) (pick (1, std::max (1, (int) (note.duration * 16 / 2))) * 0.0625);
                // No steeper than 120 semitones a beat: faster, a glide moves more than the goal's
                // tenth of a semitone within one of the export's ticks.
                const auto steepest = std::clamp (std::log2 (120.0 * note.glide / std::abs (step)) / 3.0, 0.0, 1.0);
                note.glideShape = (float) std::round (uniform (-steepest, steepest) * 1000.0) / 1000.0f;
            }

            if (pick (0, 2) == 0)
                addVibrato (note, 0.3, 1.0 - note.glide / note.duration - 0.05);

            processor.writeNote (slot + i, note);
            beat += note.duration;
            key += step;
        }

        return length;
    }

    Note base (double start, double duration)
    {
        Note note;
        note.on = true;
        note.pitch = pick (48, 76);
        note.start = (float) (std::round (start * 1000.0) / 1000.0);
        note.duration = (float) (std::round (duration * 1000.0) / 1000.0);
        note.velocity = (float) pick (20, 127);

        for (int curve : {pressureCurve, timbreCurve})
        {
            auto v = uniform (0.2, 0.8);

            for (auto& point : note.curves[(size_t) curve])
            {
                v = std::clamp (v + uniform (-0.04, 0.04), 0.05, 0.95);
                point = (float) v;
            }
        }

        return note;
    }

    void smoothPitch (Note& note, double semitones)
    {
        const auto a = uniform (-1.0, 1.0) * semitones * 0.6, b = uniform (-1.0, 1.0) * semitones * 0.4;
        const auto phase = uniform (0.0, 6.28);

        for (int i = 0; i < curvePointCount; ++i)
            note.curves[pitchCurve][(size_t) i] =
                (float) ((a * std::sin (3.14159 * i / 32.0 + phase) + b * std::cos (6.28318 * i / 32.0)) / 48.0);
    }

    void addVibrato (Note& note, double earliest, double latest)
    {
        const auto seconds = note.duration * 0.5;
        note.vibOn = true;
        note.vibStart =
            (float) std::round (uniform (earliest, earliest + 0.3 * (latest - earliest)) * 1000.0) / 1000.0f;
        note.vibEnd = (float) std::round (uniform (latest - 0.2 * (latest - note.vibStart), latest) * 1000.0) / 1000.0f;
        const auto spanSeconds = (note.vibEnd - note.vibStart) * seconds;
        const auto rate = uniform (3.5, 9.5);
        note.vibCycles = (float) std::round (rate * spanSeconds * 1000.0) / 1000.0f;
        // Shorter is no vibrato to a listener either.
        note.vibOn = note.vibCycles >= 2.5f;
        note.vibDepth = (float) std::round (uniform (0.12, 1.5) * 1000.0) / 1000.0f;
        // From a twentieth of the span: a vibrato that stops dead can be placed only to the stream's
        // spacing of messages, and a sample between two of them may hear it on either side.
        note.vibFade = (float) std::round (uniform (0.05, 0.5) * 1000.0) / 1000.0f;
    }

    int pick (int lo, int hi) { return std::uniform_int_distribution<int> (lo, hi) (random); }
    double uniform (double lo, double hi) { return std::uniform_real_distribution<double> (lo, hi) (random); }

    std::mt19937 random;
};

void report (const char* what, const Figures& f)
{
    std::cout << what << ": pitch max " << f.pitchMax << " RMS " << f.pitchRms() << " semitones, pressure/timbre max "
              << f.levelMax * 127.0 << "/127, notes on their ticks " << f.notesOnTick << "/" << f.notes << " (edges "
              << f.edgeTicks << ", joins " << f.joinTicks << " ticks), chains " << f.chainsKept << "/" << f.chains
              << ", vibratos " << f.vibratosKept << "/" << f.vibratos << "\n";
}

void expectGoals (const Figures& f)
{
    EXPECT_LT (f.pitchMax, 0.1);
    EXPECT_LT (f.pitchRms(), 0.03);
    EXPECT_LE (f.levelMax, 2.0 / 127.0);
    EXPECT_EQ (f.notesOnTick, f.notes);
    EXPECT_EQ (f.chainsKept, f.chains);
    EXPECT_GE (f.vibratosKept, 0.9 * f.vibratos);
}
} // namespace

TEST (CaptureRoundTrip, RandomPatternsPlayAsTheyDidBeforeExportAndCapture)
{
    Figures all;

    for (unsigned seed = 1; seed <= 8; ++seed)
    {
        ZelkProcessor source;
        PatternMaker (seed).write (source);
        Figures f;
        compare (patternOf (source), roundTrip (source), f);
        report (("seed " + std::to_string (seed)).c_str(), f);

        all.pitchMax = std::max (all.pitchMax, f.pitchMax);
        all.levelMax = std::max (all.levelMax, f.levelMax);
        all.pitchSquares += f.pitchSquares;
        all.samples += f.samples;
        all.notes += f.notes;
        all.notesOnTick += f.notesOnTick;
        all.edgeTicks = std::max (all.edgeTicks, f.edgeTicks);
        all.joinTicks = std::max (all.joinTicks, f.joinTicks);
        all.chains += f.chains;
        all.chainsKept += f.chainsKept;
        all.vibratos += f.vibratos;
        all.vibratosKept += f.vibratosKept;
    }

    report ("all seeds", all);
    expectGoals (all);
}

TEST (CaptureRoundTrip, TheDemoPatternPlaysAsItDid)
{
    ZelkProcessor source;
    cli::writeDemoPattern (source);
    Figures f;
    compare (patternOf (source), roundTrip (source), f);
    report ("demo", f);
    expectGoals (f);
    EXPECT_EQ (f.chains, 1);
    EXPECT_EQ (f.vibratos, 2);
}
