#pragma once

#include "midi/CaptureTypes.h"
#include "midi/PlayedStream.h"

#include <vector>

namespace zelk
{
// One played note as pattern notes: a single note, or a chain of connected notes where it slid
// into held keys. `next` names the following note of the chain by its position in the chain.
struct ConvertedNote
{
    std::vector<Note> chain;
    int vibratos = 0;
    bool clamped = false; // its bend went past the curve's range, or it was too short
};

ConvertedNote convertPlayedNote (PlayedNote& played, const CaptureOptions& options);

} // namespace zelk
