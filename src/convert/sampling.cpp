#include "sampling.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>
#include <utility>

namespace rasterkit {

namespace {

bool holdsGreyLevels(int formatIndex)
{
    const std::optional<PixelFormat> format = pixelFormatFromIndex(formatIndex);
    return format && formatInfo(*format).grey;
}

} // namespace

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

// A picture position made relative to stored pixels that begin at origin. A
// position clamped to the end of the range stays there, outside everything.
std::int64_t relativePixel(std::int64_t pixel, std::int64_t origin)
{
    if (pixel == std::numeric_limits<std::int64_t>::min() || pixel == std::numeric_limits<std::int64_t>::max())
        return pixel;
    return pixel - origin;
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

Sampler::Sampler(const SourceImage& source, const FrameSettings& frame, int formatIndex)
    : m_source(source)
    , m_frame(frame)
    , m_mask(reductionMask(formatIndex))
    , m_grey(holdsGreyLevels(formatIndex))
{
    // Every row samples the same columns, so their source x is worked out once.
    const int width = frame.targetWidth > 0 ? frame.targetWidth : 0;
    m_columns.resize(static_cast<std::size_t>(width));
    for (int column = 1; column <= width; ++column)
        m_columns[static_cast<std::size_t>(column - 1)] = relativePixel(sampledColumn(frame, column), source.left);
}

void Sampler::sampleRow(int row, PixelGrid& grid) const
{
    // Positions relative to the stored pixels, which may begin anywhere in the picture.
    const std::int64_t y = relativePixel(sampledRow(m_frame, row), m_source.top);
    const auto out = grid.row(row);
    const std::size_t count = std::min(out.size(), m_columns.size());
    const bool rowInside = y >= 0 && y < m_source.height && m_source.bytes != nullptr;
    const std::uint8_t* line = rowInside ? m_source.bytes + y * m_source.bytesPerLine : nullptr;
    for (std::size_t index = 0; index < count; ++index) {
        const std::int64_t x = m_columns[index];
        auto colour = static_cast<Colour>(OutsideSample);
        if (line != nullptr && x >= 0 && x < m_source.width) {
            const std::uint8_t* pixel = line + x * 4;
            colour = static_cast<std::uint32_t>(pixel[0]) | (static_cast<std::uint32_t>(pixel[1]) << 8)
                | (static_cast<std::uint32_t>(pixel[2]) << 16);
        }
        out[index] = detail::reduce(colour, m_mask, m_grey);
    }
}

PixelGrid sampleFrame(const SourceImage& source, const FrameSettings& frame, int formatIndex,
    const SamplingProgress& progress)
{
    PixelGrid grid(frame.targetWidth, frame.targetHeight);
    if (grid.isEmpty())
        return grid;
    const Sampler sampler(source, frame, formatIndex);
    for (int row = 1; row <= grid.height(); ++row) {
        sampler.sampleRow(row, grid);
        if (progress)
            progress(row, grid.height());
    }
    return grid;
}

} // namespace rasterkit
