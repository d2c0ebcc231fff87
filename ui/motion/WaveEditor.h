#pragma once

#include "core/ModulationDestinations.h"

#include <juce_audio_processors/juce_audio_processors.h>
#include <juce_gui_basics/juce_gui_basics.h>

#include <array>

namespace zelk
{
class ZelkProcessor;
}

namespace motionui
{
// The selected LFO's waveform, drawn from its parameters, with the play line of the running LFO.
// Drawing in it with the left button sets the nine drawn points and switches the shape to DRAW;
// one stroke is one host gesture on each of the nine points.
class WaveEditor : public juce::Component
{
public:
    explicit WaveEditor (zelk::ZelkProcessor& processor);
    ~WaveEditor() override;

    // Ends any stroke in progress, then shows and edits another LFO.
    void editLfo (int index);
    // Closes the stroke's gestures; the points drawn so far stay.
    void endStroke();

    // The area the waveform spans: -1 at its bottom, +1 at its top, point 0 at its left edge and
    // point 8 at its right edge.
    juce::Rectangle<float> plotArea() const noexcept;

    void mouseDown (const juce::MouseEvent& e) override;
    void mouseDrag (const juce::MouseEvent& e) override;
    void mouseUp (const juce::MouseEvent& e) override;
    void paint (juce::Graphics& g) override;

    zelk::ZelkProcessor& processor;
    int lfoIndex() const noexcept { return lfo; }
    bool drawing = false;
    int lastPointIndex = -1;
    float lastPointValue = 0.0f;

private:
    using Points = std::array<juce::RangedAudioParameter*, zelk::lfoPointCount>;

    void beginStroke();
    void drawAt (juce::Point<float> position);
    void setPoint (int k, float value);

    void paintFrame (juce::Graphics& g, juce::Colour surface, juce::Colour rule);
    void paintGrid (juce::Graphics& g, juce::Colour ink);
    void paintCurve (juce::Graphics& g, juce::Colour colour);
    void paintPlayLine (juce::Graphics& g, juce::Colour ink);

    int lfo = 0;
    std::array<Points, zelk::lfoCount> pointParameters {};
    // The points the open stroke writes: those of the LFO shown when it began.
    Points* strokePoints = nullptr;
    juce::Path curve;

    JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (WaveEditor)
};

} // namespace motionui
