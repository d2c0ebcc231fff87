#pragma once

namespace zelk
{
class ZelkProcessor;
}

namespace zelk::cli
{
// A short phrase that shows what Zelk does: a bend into the first note, a connected glide,
// vibrato, and pressure and timbre that move.
void writeDemoPattern (ZelkProcessor& processor);

} // namespace zelk::cli
