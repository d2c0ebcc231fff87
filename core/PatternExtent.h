#pragma once

namespace zelk
{
class ZelkProcessor;

// The end of the last note rounded up to whole 4-beat bars, at least one bar.
double patternBarLength (const ZelkProcessor& processor) noexcept;

} // namespace zelk
