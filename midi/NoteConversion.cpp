#include "midi/NoteConversion.h"

#include "core/PatternMath.h"
#include "midi/CurveFit.h"
#include "midi/GlideFit.h"
#include "midi/VibratoFit.h"

#include <algorithm>
#include <cmath>

namespace zelk
{
namespace
{
// The pitch is read at 250 Hz, the rate at which playback itself sends expression.
constexpr double pitchRate = 250.0;
// The longest note, in seconds, whose pitch is searched for slides and vibrato.
constexpr double longestAnalysed = 600.0;
// A vibrato is kept only where it explains the swing clearly better than the curve alone.
constexpr double vibratoGain = 0.7;

// Starts and lengths as their parameters keep them: to a ten-thousandth of a beat.
double onGrid (double beats)
{
    return std::round (beats * 10000.0) / 10000.0;
}
double round3 (double v)
{
    return std::round (v * 1000.0) / 1000.0;
}

struct Segment
{
    double start, end; // in beats, as the note stores them
    double pitchEnd;   // where the glide into the next segment takes over the pitch
    int key;
    bool joinedBefore = false, joinedAfter = false; // it continues a slide, or slides on
};

// Where a segment's curves are read. Across a join the messages either side of it are joined by
// a line that cuts the corner (or the step in pressure and timbre), so one message spacing is
// left out there and the curve carries on to the join from its side.
struct Window
{
    double from, to;
};

Window readWindow (const Segment& segment, double to, double spacing)
{
    Window w{segment.start + (segment.joinedBefore ? spacing : 0.0), to - (segment.joinedAfter ? spacing : 0.0)};
    return w.to - w.from > 2.0 * spacing ? w : Window{segment.start, to};
}

std::vector<Segment> segmentsOf (const PlayedNote& played, double start, double end, const std::vector<Slide>& slides)
{
    std::vector<Segment> segments;
    auto segmentStart = onGrid (start);
    auto key = played.key;

    for (const auto& slide : slides)
    {
        const auto arrival = onGrid (slide.arrival);
        segments.push_back ({segmentStart, arrival, slide.glideStart, key, !segments.empty(), true});
        segmentStart = arrival;
        key = slide.key;
    }

    segments.push_back (
        {segmentStart, std::max (onGrid (end), segmentStart + minimumDuration), end, key, !segments.empty(), false});
    return segments;
}

// The strongest run inside the part of the segment that its own pitch plays.
const VibratoRun* runWithin (const std::vector<VibratoRun>& runs, double from, double to)
{
    const VibratoRun* best = nullptr;
    auto bestWeight = 0.0;

    for (const auto& run : runs)
    {
        const auto overlap = std::min (run.end, to) - std::max (run.begin, from);

        if (overlap * run.cyclesPerBeat >= 2.0 && overlap * run.amplitude > bestWeight)
        {
            bestWeight = overlap * run.amplitude;
            best = &run;
        }
    }

    return best;
}

// Runs of three or more points within the drift of the key go to the key exactly.
void snapDrift (CurvePoints& semitones, double cents)
{
    const auto within = [&] (size_t i) { return std::abs (semitones[i]) * 100.0 <= cents; };

    for (size_t i = 0; i < semitones.size();)
    {
        auto j = i;

        while (j < semitones.size() && within (j))
            ++j;

        if (j - i >= 3)
            std::fill (semitones.begin() + (long) i, semitones.begin() + (long) j, 0.0);

        i = j == i ? i + 1 : j;
    }
}

// Far along the timeline a start kept in single precision moves by more than the tolerance that
// lets one note glide into the next; the note before then ends at the next one's kept start.
// False when that leaves it too short to keep: the two are not connected.
bool endWhereNextStarts (Note& from, const Note& to)
{
    if (glidesInto (from, to))
        return true;

    auto duration = (float) ((double) to.start - from.start);

    while (duration > 0.0f && (double) from.start + duration > (double) to.start)
        duration = std::nextafter (duration, 0.0f);

    if (duration < (float) minimumDuration)
        return false;

    from.duration = duration;
    return glidesInto (from, to);
}

class Converter
{
public:
    Converter (PlayedNote& p, const CaptureOptions& o)
        : played (p)
        , options (o)
        , beatsPerSecond (o.tempo / 60.0)
    {
    }

    ConvertedNote convert()
    {
        if (options.dejitter)
        {
            const auto spikeTime = 0.025 * beatsPerSecond;
            removeJitter (played.pitch, 0.3f, 0.01f, spikeTime);
            removeJitter (played.pressure, 6.0f / 127.0f, 0.0f, spikeTime);
            removeJitter (played.timbre, 6.0f / 127.0f, 0.0f, spikeTime);
        }

        const auto start = played.start;
        const auto end = std::max (played.end, start + minimumDuration);
        result.clamped = played.end - start < minimumDuration;

        // A note held for minutes (a note-on whose note-off never came) keeps its curves only:
        // reading its pitch at 250 Hz would take more memory than the note is worth.
        const auto analysed = end - start <= longestAnalysed * beatsPerSecond;
        std::vector<VibratoRun> runs;
        std::vector<Slide> slides;

        if (analysed && (options.vibrato || options.glides))
        {
            const auto signal = sampleTrack (played.pitch, start, end, beatsPerSecond / pitchRate);

            if (options.vibrato)
                runs = findVibratoRuns (signal, beatsPerSecond);

            if (options.glides)
                slides = findSlides (withoutSwings (signal, runs), played.pitch, {&played.pressure, &played.timbre},
                                     played.key, start, end, beatsPerSecond);
        }

        const auto segments = segmentsOf (played, start, end, slides);

        for (const auto& segment : segments)
            result.chain.push_back (noteOf (segment, runs));

        for (size_t i = 0; i + 1 < result.chain.size(); ++i)
            if (endWhereNextStarts (result.chain[i], result.chain[i + 1]))
                connect (result.chain[i], result.chain[i + 1], (int) i + 1, slides[i].glide);

        return result;
    }

private:
    Note noteOf (const Segment& segment, const std::vector<VibratoRun>& runs)
    {
        Note note;
        note.on = true;
        note.pitch = segment.key;
        note.velocity = (float) std::clamp (played.velocity, 1, 127);
        note.start = (float) segment.start;
        note.duration = (float) onGrid (segment.end - segment.start);

        const double noteStart = note.start, duration = note.duration;
        const auto offset = (double) (segment.key - played.key);
        const auto spacing = played.pitch.rampLimit;
        const auto pitchWindow =
            readWindow (segment, std::clamp (segment.pitchEnd, noteStart, noteStart + duration), spacing);
        const auto levelWindow = readWindow (segment, noteStart + duration, spacing);

        const CurveFitter pitchFitter (noteStart, duration, pitchWindow.from, pitchWindow.to);
        const CurveFitter levelFitter (noteStart, duration, levelWindow.from, levelWindow.to);
        FittedVibrato vibrato;

        if (const auto* run = runWithin (runs, pitchWindow.from, pitchWindow.to))
            vibrato = liftVibrato (*run, noteStart, duration, pitchWindow, offset, pitchFitter);

        applyVibrato (vibrato, note);
        const auto minus = [&] (double beat)
        { return offset + (note.vibOn ? vibratoAt (note, (beat - note.start) / note.duration) : 0.0); };
        auto semitones = pitchFitter.fit (played.pitch, minus);

        if (options.snapDriftCents > 0.0)
            snapDrift (semitones, options.snapDriftCents);

        setPitchCurve (note, semitones);
        setLevelCurve (note, pressureCurve, played.pressure, levelFitter);
        setLevelCurve (note, timbreCurve, played.timbre, levelFitter);

        if (vibrato.found)
            ++result.vibratos;

        return note;
    }

    // A vibrato is lifted when it is one (at least two cycles, a tenth of a semitone, at a vibrato's
    // rate) and playing it over the remaining curve follows the performance clearly better.
    FittedVibrato liftVibrato (const VibratoRun& run, double noteStart, double duration, Window window, double offset,
                               const CurveFitter& pitchFitter)
    {
        auto clipped = run;
        clipped.begin = std::max (run.begin, window.from);
        clipped.end = std::min (run.end, window.to);
        const auto fitted =
            fitVibrato (played.pitch, clipped, noteStart, duration, window.from, window.to, beatsPerSecond);

        if (!fitted.found || fitted.depth < 0.095f || fitted.cycles < 2.0f)
            return {};

        const auto hertz = fitted.cycles / ((fitted.end - fitted.start) * duration) * beatsPerSecond;

        if (hertz < 2.5 || hertz > 12.0)
            return {};

        double without = 0.0, with = 0.0;
        pitchFitter.fit (
            played.pitch, [offset] (double) { return offset; }, &without);
        Note vibrating;
        vibrating.start = (float) noteStart;
        vibrating.duration = (float) duration;
        applyVibrato (fitted, vibrating);
        pitchFitter.fit (
            played.pitch,
            [&] (double beat) { return offset + vibratoAt (vibrating, (beat - vibrating.start) / vibrating.duration); },
            &with);

        return with < vibratoGain * without ? fitted : FittedVibrato{};
    }

    void setPitchCurve (Note& note, const CurvePoints& semitones)
    {
        const auto depth = options.bendDepth;

        for (size_t i = 0; i < semitones.size(); ++i)
        {
            auto value = depth > 0.001 ? semitones[i] / depth : 0.0;

            if (value < -1.0 || value > 1.0)
                result.clamped = true;

            note.curves[pitchCurve][i] = (float) std::clamp (value, -1.0, 1.0);
        }
    }

    // A level the stream never sent keeps the pattern's default.
    static void setLevelCurve (Note& note, int curve, const ExpressionTrack& track, const CurveFitter& fitter)
    {
        if (track.empty())
            return;

        const auto points = fitter.fit (track);

        for (size_t i = 0; i < points.size(); ++i)
            note.curves[(size_t) curve][i] = (float) std::clamp (round3 (points[i]), 0.0, 1.0);
    }

    // The glide into the next note, its shape fitted to the played slide as playback forms it.
    void connect (Note& from, const Note& to, int nextIndex, double glide)
    {
        from.next = nextIndex;
        from.glide = (float) std::clamp (glide, 0.0625, 256.0);

        const double arrival = to.start;
        const auto glideStart = std::max (arrival - from.glide, (double) from.start);
        const auto depth = options.bendDepth;
        const auto fromPitch =
            from.pitch - played.key + curveAt (from, pitchCurve, (glideStart - from.start) / from.duration) * depth;
        const auto toPitch = to.pitch - played.key + curveAt (to, pitchCurve, 0.0) * depth;
        from.glideShape = fitGlideShape (played.pitch, glideStart, arrival, fromPitch, toPitch, beatsPerSecond);
    }

    PlayedNote& played;
    const CaptureOptions& options;
    const double beatsPerSecond;
    ConvertedNote result;
};
} // namespace

ConvertedNote convertPlayedNote (PlayedNote& played, const CaptureOptions& options)
{
    return Converter (played, options).convert();
}

} // namespace zelk
