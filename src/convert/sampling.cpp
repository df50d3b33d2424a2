#include "sampling.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

namespace rasterkit {

std::int32_t roundToInt32(double value)
{
    if (std::isnan(value))
        return 0;
    // nearbyint rounds in the current rounding mode, which is to nearest, ties to even.
    const double rounded = std::nearbyint(value);
    if (rounded <= static_cast<double>(std::numeric_limits<std::int32_t>::min()))
        return std::numeric_limits<std::int32_t>::min();
    if (rounded >= static_cast<double>(std::numeric_limits<std::int32_t>::max()))
        return std::numeric_limits<std::int32_t>::max();
    return static_cast<std::int32_t>(rounded);
}

FrameOrigin frameOriginForCenter(float centerX, float centerY, double sampleStep, int targetWidth, int targetHeight)
{
    const double left = static_cast<double>(centerX) - sampleStep * (targetWidth / 2.0);
    const double top = static_cast<double>(centerY) - sampleStep * (targetHeight / 2.0);
    return { roundToInt32(left), roundToInt32(top) };
}

std::int64_t nearestPixel(double position)
{
    const float narrowed = singlePrecision(position);
    if (!std::isfinite(narrowed))
        return narrowed > 0 ? std::numeric_limits<std::int64_t>::max() : std::numeric_limits<std::int64_t>::min();
    const double rounded = std::nearbyint(static_cast<double>(narrowed));
    constexpr double limit = 9.0e18;
    if (rounded >= limit)
        return std::numeric_limits<std::int64_t>::max();
    if (rounded <= -limit)
        return std::numeric_limits<std::int64_t>::min();
    return static_cast<std::int64_t>(rounded);
}

std::int64_t sampledColumn(const FrameSettings& frame, int column)
{
    return nearestPixel(frame.frameLeft + frame.sampleStep * column);
}

std::int64_t sampledRow(const FrameSettings& frame, int row)
{
    return nearestPixel(frame.frameTop + frame.sampleStep * row);
}

namespace {

// The first and last of positions(1..count) that lie in 0..size-1; first >
// last when none does. Positions are worked out one by one rather than
// assumed to grow with the index, so any step gives the right answer.
template<typename Position>
std::pair<std::int64_t, std::int64_t> sampledSpan(int count, std::int64_t size, Position position)
{
    std::int64_t first = std::numeric_limits<std::int64_t>::max();
    std::int64_t last = std::numeric_limits<std::int64_t>::min();
    for (int index = 1; index <= count; ++index) {
        const std::int64_t pixel = position(index);
        if (pixel >= 0 && pixel < size) {
            first = std::min(first, pixel);
            last = std::max(last, pixel);
        }
    }
    return { first, last };
}

} // namespace

PixelRect sampledRegion(const FrameSettings& frame, std::int64_t pictureWidth, std::int64_t pictureHeight)
{
    const auto [left, right] = sampledSpan(frame.targetWidth, pictureWidth,
        [&](int column) { return sampledColumn(frame, column); });
    const auto [top, bottom] = sampledSpan(frame.targetHeight, pictureHeight,
        [&](int row) { return sampledRow(frame, row); });
    if (left > right || top > bottom)
        return {};
    return { left, top, right - left + 1, bottom - top + 1 };
}

int progressPercent(int row, int rowCount)
{
    if (rowCount <= 0)
        return 0;
    return roundToInt32(static_cast<double>(row) / static_cast<double>(rowCount) * 100.0);
}

} // namespace rasterkit
