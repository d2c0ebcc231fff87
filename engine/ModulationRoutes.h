#pragma once

namespace zelk
{
class ZelkProcessor;

// Route edits from the editor, each one host gesture.
namespace routes
{
// A new route starts at 25 %; an existing one keeps its depth.
void connect (ZelkProcessor& processor, int lfo, int destination);
void setDepth (ZelkProcessor& processor, int lfo, int destination, float depth);
void clear (ZelkProcessor& processor, int lfo, int destination);
// Only the route depths: points, sync and LFO settings stay.
void clearAll (ZelkProcessor& processor);
} // namespace routes

} // namespace zelk
