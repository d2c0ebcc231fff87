#include "ui/style/Knob.h"

#include "core/ZelkProcessor.h"

namespace paperstyle
{
namespace
{
const juce::String lfoDragPrefix { "tamsel-lfo-" };
}

Knob::Knob() = default;
Knob::~Knob() = default;

int Knob::ringAt (juce::Point<float>) const { return -1; }

bool Knob::isInterestedInDragSource (const SourceDetails& details)
{
    return onLfoDropped != nullptr && details.description.toString().startsWith (lfoDragPrefix);
}

void Knob::itemDragEnter (const SourceDetails&) {}
void Knob::itemDragExit (const SourceDetails&) {}

void Knob::itemDropped (const SourceDetails& details)
{
    const auto lfo = details.description.toString().fromLastOccurrenceOf ("-", false, false).getIntValue();

    if (lfo >= 0 && lfo <= 2 && onLfoDropped)
        onLfoDropped (lfo);
}

void refreshKnobModulation (Knob& knob, int, const zelk::ZelkProcessor&) { knob.repaint(); }

} // namespace paperstyle
