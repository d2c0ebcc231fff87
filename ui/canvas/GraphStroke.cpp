#include "ui/canvas/GraphStroke.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace zelk
{
namespace
{
constexpr float none = std::numeric_limits<float>::infinity();
}

void GraphColumns::measure (const std::vector<juce::Point<float>>& points, float stepWidth, float left, float right)
{
    step = stepWidth;
    x0 = std::floor (left);
    const auto count = std::max (0, (int) std::ceil ((right - x0) / step) + 1);
    top.assign ((size_t) count, none);
    bottom.assign ((size_t) count, -none);

    const auto columnOf = [&] (float x) { return (int) std::floor ((x - x0) / step + 0.5f); };
    const auto include = [&] (int k, float y)
    {
        if (k >= 0 && k < count)
        {
            top[(size_t) k] = std::min (top[(size_t) k], y);
            bottom[(size_t) k] = std::max (bottom[(size_t) k], y);
        }
    };

    if (points.size() == 1)
        include (columnOf (points.front().x), points.front().y);

    for (size_t i = 1; i < points.size(); ++i)
    {
        const auto a = points[i - 1], b = points[i];
        const auto firstColumn = columnOf (a.x), lastColumn = columnOf (b.x);

        // Most points of a dense line share a column with their neighbour.
        if (firstColumn == lastColumn || b.x <= a.x)
        {
            include (firstColumn, a.y);
            include (firstColumn, b.y);
            continue;
        }

        if (lastColumn < 0 || firstColumn >= count)
            continue;

        // Within each column the segment's extent is given by its ends there.
        const auto slope = (b.y - a.y) / (b.x - a.x);

        for (auto k = std::max (firstColumn, 0); k <= std::min (lastColumn, count - 1); ++k)
        {
            const auto from = std::max (a.x, x0 + ((float) k - 0.5f) * step);
            const auto to = std::min (b.x, x0 + ((float) k + 0.5f) * step);
            include (k, a.y + (from - a.x) * slope);
            include (k, a.y + (to - a.x) * slope);
        }
    }
}

juce::Path graphStrokeOutline (const GraphColumns& columns, float width, int stride)
{
    juce::Path outline;
    const auto fineCount = (int) columns.top.size();
    stride = std::max (1, stride);

    if (fineCount == 0)
        return outline;

    // Coarse columns: each takes the extent of the fine columns around its centre.
    const auto count = (fineCount - 1) / stride + 1;
    const auto spacing = columns.step * (float) stride;
    std::vector<float> lineTop ((size_t) count, none), lineBottom ((size_t) count, -none);

    for (int m = 0; m < count; ++m)
    {
        for (auto k = std::max (0, m * stride - stride / 2); k <= std::min (fineCount - 1, m * stride + stride / 2);
             ++k)
        {
            lineTop[(size_t) m] = std::min (lineTop[(size_t) m], columns.top[(size_t) k]);
            lineBottom[(size_t) m] = std::max (lineBottom[(size_t) m], columns.bottom[(size_t) k]);
        }
    }

    // Widen each column by the disk: a column j columns away adds its extent less the disk's
    // half-height at that distance.
    const auto radius = width / 2.0f;
    const auto reach = (int) std::floor (radius / spacing);
    std::vector<float> halfHeight ((size_t) reach + 1);

    for (int j = 0; j <= reach; ++j)
        halfHeight[(size_t) j] = std::sqrt (std::max (0.0f, radius * radius - (float) (j * j) * spacing * spacing));

    std::vector<float> top ((size_t) count, none), bottom ((size_t) count, -none);

    // One distance at a time over all columns, which the compiler does several columns at once;
    // the order of the minima does not change them.
    for (auto j = -reach; j <= reach; ++j)
    {
        const auto h = halfHeight[(size_t) std::abs (j)];

        for (auto m = std::max (0, -j); m < std::min (count, count - j); ++m)
        {
            top[(size_t) m] = std::min (top[(size_t) m], lineTop[(size_t) (m + j)] - h);
            bottom[(size_t) m] = std::max (bottom[(size_t) m], lineBottom[(size_t) (m + j)] + h);
        }
    }

    outline.preallocateSpace (count * 6 + 4);
    auto started = false;

    for (int m = 0; m < count; ++m)
    {
        if (top[(size_t) m] == none)
            continue;

        const juce::Point<float> p (columns.x0 + (float) m * spacing, top[(size_t) m]);
        started ? outline.lineTo (p) : outline.startNewSubPath (p);
        started = true;
    }

    if (! started)
        return outline;

    for (int m = count - 1; m >= 0; --m)
        if (top[(size_t) m] != none)
            outline.lineTo (columns.x0 + (float) m * spacing, bottom[(size_t) m]);

    outline.closeSubPath();
    return outline;
}

} // namespace zelk
