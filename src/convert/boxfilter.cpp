#include "boxfilter.h"

#include "colour.h"
#include "linearlight.h"
#include "names.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

namespace rasterkit {

namespace {

constexpr std::array<std::string_view, 2> FilterNames { "nearest", "box" };

// The sample position of column or row index: origin + step x index in
// double precision, narrowed to single precision as the window's sampler
// narrows it.
double samplePosition(std::int32_t origin, double step, int index)
{
    return static_cast<double>(singlePrecision(origin + step * index));
}

// A picture position made relative to stored pixels that begin at origin. A
// position clamped to the end of the range stays there, outside everything.
std::int64_t relativePixel(std::int64_t pixel, std::int64_t origin)
{
    if (pixel == std::numeric_limits<std::int64_t>::min() || pixel == std::numeric_limits<std::int64_t>::max())
        return pixel;
    return pixel - origin;
}

std::int32_t colourOfBytes(const std::uint8_t* pixel)
{
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(pixel[0]) | (static_cast<std::uint32_t>(pixel[1]) << 8)
        | (static_cast<std::uint32_t>(pixel[2]) << 16));
}

} // namespace

std::string_view sampleFilterName(SampleFilter filter)
{
    return FilterNames[static_cast<std::size_t>(filter)];
}

std::optional<SampleFilter> parseSampleFilter(std::string_view text)
{
    return valueNamed(text, AllSampleFilters, sampleFilterName);
}

namespace detail {

CellSpan cellSpan(double centre, double size, std::int64_t extent)
{
    CellSpan span;
    if (extent <= 0 || !std::isfinite(centre) || !std::isfinite(size))
        return span;
    const double low = std::max(centre - size / 2, -0.5);
    const double high = std::min(centre + size / 2, static_cast<double>(extent) - 0.5);
    if (!(high > low))
        return span;
    // low lies in pixel first (on its left border when low + 0.5 is whole),
    // high in pixel last (on its right border when high + 0.5 is whole).
    span.first = std::clamp(static_cast<std::int64_t>(std::floor(low + 0.5)), std::int64_t { 0 }, extent - 1);
    span.last = std::clamp(static_cast<std::int64_t>(std::ceil(high + 0.5)) - 1, span.first, extent - 1);
    double length = 0;
    if (span.first == span.last) {
        length = high - low;
        span.firstWeight = static_cast<float>(length);
    } else {
        const double firstWeight = static_cast<double>(span.first) + 0.5 - low;
        const double lastWeight = high - (static_cast<double>(span.last) - 0.5);
        span.firstWeight = static_cast<float>(firstWeight);
        span.lastWeight = static_cast<float>(lastWeight);
        length = firstWeight + static_cast<double>(span.last - span.first - 1) + lastWeight;
    }
    span.inverseLength = static_cast<float>(1.0 / length);
    return span;
}

} // namespace detail

namespace {

using detail::Light;

// For each channel and value, linearFromSrgb of the value in that channel's
// place and nothing in the others, so that a pixel's light is the sum of
// three entries.
using ChannelLights = std::array<std::array<Light, 256>, 3>;

struct AlphaFactors {
    std::array<float, 256> alpha;
    std::array<float, 256> transparency;
};

const ChannelLights& lightOfChannels()
{
    static const ChannelLights lights = [] {
        ChannelLights built {};
        const auto& linear = linearLightTables().linearOfSrgb;
        for (std::size_t channel = 0; channel < 3; ++channel) {
            for (std::size_t value = 0; value < 256; ++value)
                built[channel][value][channel] = linear[value];
        }
        return built;
    }();
    return lights;
}

// For each alpha value, a / 255 and the transparency 1 - a / 255, so that an
// opaque pixel is scaled by exactly 1 and has transparency exactly 0.
const AlphaFactors& alphaFactors()
{
    static const AlphaFactors factors = [] {
        AlphaFactors built {};
        for (std::size_t alpha = 0; alpha < 256; ++alpha) {
            built.alpha[alpha] = static_cast<float>(alpha) / 255.0f;
            built.transparency[alpha] = static_cast<float>(255 - alpha) / 255.0f;
        }
        return built;
    }();
    return factors;
}

// The means of a row in linear light under cells of Taps taps each.
template<int Taps>
void averageWithTaps(const Light* line, std::span<const std::int32_t> offsets, const float* weights, Light* means)
{
    for (std::size_t index = 0; index < offsets.size(); ++index, weights += Taps) {
        const Light* pixel = line + offsets[index];
        Light sum = weights[0] * pixel[0];
        for (int tap = 1; tap < Taps; ++tap)
            sum += weights[tap] * pixel[tap];
        means[index] = sum;
    }
}

} // namespace

ColourSampler::ColourSampler(const SourceImage& source, const FrameSettings& frame, SampleFilter filter)
    : m_source(source)
    , m_frame(frame)
    , m_filter(filterInUse(filter, frame.sampleStep))
    , m_width(static_cast<std::size_t>(std::max(frame.targetWidth, 0)))
{
    if (m_source.bytes == nullptr) {
        m_source.width = 0;
        m_source.height = 0;
    }
    // Every row samples the same columns, so their place is worked out once.
    if (m_filter == SampleFilter::Nearest) {
        m_columnPixels.resize(m_width);
        for (std::size_t index = 0; index < m_width; ++index)
            m_columnPixels[index] = relativePixel(sampledColumn(frame, static_cast<int>(index + 1)), m_source.left);
        return;
    }
    m_columnSpans.resize(m_width);
    for (std::size_t index = 0; index < m_width; ++index) {
        const double centre = samplePosition(frame.frameLeft, frame.sampleStep, static_cast<int>(index + 1))
            - static_cast<double>(m_source.left);
        const detail::CellSpan span = detail::cellSpan(centre, frame.sampleStep, m_source.width);
        m_columnSpans[index] = span;
        if (span.isEmpty())
            continue;
        if (m_spanFirst > m_spanLast) {
            m_spanFirst = span.first;
            m_spanLast = span.last;
        } else {
            m_spanFirst = std::min(m_spanFirst, span.first);
            m_spanLast = std::max(m_spanLast, span.last);
        }
    }
    m_cellMeans.resize(m_width);
    m_rowMeans.resize(RowMeansKept * m_width);
    m_rowMeansOf.fill(-1);
    if (m_spanLast < m_spanFirst)
        return; // every cell misses the picture
    // Two more taps than whole pixels fit in a cell cover any cell.
    const double taps = std::ceil(frame.sampleStep) + 1;
    if (taps <= MaximumTaps) {
        m_tapCount = static_cast<int>(taps);
        m_tapOffsets.assign(m_width, 0);
        m_tapWeights.assign(m_width * static_cast<std::size_t>(m_tapCount), 0.0f);
        for (std::size_t index = 0; index < m_width; ++index) {
            const detail::CellSpan& span = m_columnSpans[index];
            if (span.isEmpty())
                continue;
            m_tapOffsets[index] = static_cast<std::int32_t>(span.first - m_spanFirst);
            float* weights = &m_tapWeights[index * static_cast<std::size_t>(m_tapCount)];
            for (std::int64_t x = span.first; x <= span.last && x - span.first < m_tapCount; ++x) {
                const float weight = x == span.first ? span.firstWeight : x == span.last ? span.lastWeight : 1.0f;
                weights[x - span.first] = weight * span.inverseLength;
            }
        }
    }
    // The taps of the last cells may reach past the span: zero light there.
    m_sourceLine.resize(static_cast<std::size_t>(m_spanLast - m_spanFirst + 1 + m_tapCount));
    lightOfChannels(); // built here rather than inside the first row
    if (m_source.straightAlpha)
        alphaFactors();
}

void ColourSampler::sampleRow(int row, std::span<std::int32_t> out)
{
    if (m_filter == SampleFilter::Nearest)
        sampleNearestRow(row, out, {});
    else
        sampleBoxRow(row, out, {});
}

void ColourSampler::sampleRow(int row, std::span<std::int32_t> out, std::span<std::uint8_t> alphas)
{
    if (m_filter == SampleFilter::Nearest)
        sampleNearestRow(row, out, alphas);
    else
        sampleBoxRow(row, out, alphas);
}

void ColourSampler::sampleNearestRow(int row, std::span<std::int32_t> out, std::span<std::uint8_t> alphas) const
{
    const std::int64_t y = relativePixel(sampledRow(m_frame, row), m_source.top);
    const std::size_t count = std::min(out.size(), m_columnPixels.size());
    std::int32_t* const target = out.data();
    if (y < 0 || y >= m_source.height) {
        std::fill_n(target, count, OutsideSample);
        std::fill_n(alphas.begin(), std::min(alphas.size(), count), std::uint8_t { 0 });
        return;
    }
    if (!alphas.empty()) {
        // The pixel's alpha, and no colour where it is 0.
        const std::uint8_t* const line = m_source.bytes + y * m_source.bytesPerLine;
        for (std::size_t index = 0; index < std::min(count, alphas.size()); ++index) {
            const std::int64_t x = m_columnPixels[index];
            if (x < 0 || x >= m_source.width) {
                target[index] = OutsideSample;
                alphas[index] = 0;
                continue;
            }
            const std::uint8_t* pixel = line + x * 4;
            alphas[index] = m_source.straightAlpha ? pixel[3] : std::uint8_t { 255 };
            target[index] = alphas[index] == 0 ? 0 : colourOfBytes(pixel);
        }
        return;
    }
    // Locals, not members: the stores into the row could otherwise be the
    // members for all the compiler knows, and it would read them again for
    // every pixel.
    const std::uint8_t* const line = m_source.bytes + y * m_source.bytesPerLine;
    const std::int64_t width = m_source.width;
    const std::int64_t* const columns = m_columnPixels.data();
    for (std::size_t index = 0; index < count; ++index) {
        const std::int64_t x = columns[index];
        target[index] = x >= 0 && x < width ? colourOfBytes(line + x * 4) : OutsideSample;
    }
}

void ColourSampler::averageSourceRow(std::int64_t y, Light* means)
{
    // Each pixel is decoded once into linear light, then each cell adds up
    // its part of the row.
    const auto& lights = lightOfChannels();
    const Light* red = lights[0].data();
    const Light* green = lights[1].data();
    const Light* blue = lights[2].data();
    const std::uint8_t* pixel = m_source.bytes + y * m_source.bytesPerLine + m_spanFirst * 4;
    Light* light = m_sourceLine.data();
    const auto length = static_cast<std::size_t>(m_spanLast - m_spanFirst + 1); // the rest stays dark
    if (m_source.straightAlpha) {
        // Premultiplied by the alpha, the transparency in the fourth place;
        // an opaque pixel's light is exactly the same as without alpha.
        const AlphaFactors& factors = alphaFactors();
        for (std::size_t index = 0; index < length; ++index, pixel += 4) {
            Light sum = red[pixel[0]];
            sum += green[pixel[1]];
            sum += blue[pixel[2]];
            sum *= factors.alpha[pixel[3]];
            sum[3] = factors.transparency[pixel[3]];
            light[index] = sum;
        }
    } else {
        for (std::size_t index = 0; index < length; ++index, pixel += 4) {
            Light sum = red[pixel[0]];
            sum += green[pixel[1]];
            sum += blue[pixel[2]];
            light[index] = sum;
        }
    }
    // Most cells are short: each as a fixed number of taps, so the loops
    // have no branch that depends on the cell.
    const std::span<const std::int32_t> offsets(m_tapOffsets);
    switch (m_tapCount) {
    case 3:
        return averageWithTaps<3>(m_sourceLine.data(), offsets, m_tapWeights.data(), means);
    case 4:
        return averageWithTaps<4>(m_sourceLine.data(), offsets, m_tapWeights.data(), means);
    case 5:
        return averageWithTaps<5>(m_sourceLine.data(), offsets, m_tapWeights.data(), means);
    case 6:
        return averageWithTaps<6>(m_sourceLine.data(), offsets, m_tapWeights.data(), means);
    case 7:
        return averageWithTaps<7>(m_sourceLine.data(), offsets, m_tapWeights.data(), means);
    case 8:
        return averageWithTaps<8>(m_sourceLine.data(), offsets, m_tapWeights.data(), means);
    default:
        break;
    }
    const Light* line = m_sourceLine.data() - m_spanFirst;
    for (std::size_t index = 0; index < m_width; ++index) {
        const detail::CellSpan& span = m_columnSpans[index];
        if (span.isEmpty()) {
            means[index] = Light {};
            continue;
        }
        Light sum = span.firstWeight * line[span.first];
        if (span.last > span.first) {
            // The pixels between first and last are covered whole.
            for (std::int64_t x = span.first + 1; x < span.last; ++x)
                sum += line[x];
            sum += span.lastWeight * line[span.last];
        }
        means[index] = span.inverseLength * sum;
    }
}

const Light* ColourSampler::rowMeans(std::int64_t y)
{
    const auto slot = static_cast<std::size_t>(y % RowMeansKept);
    Light* means = &m_rowMeans[slot * m_width];
    if (m_rowMeansOf[slot] != y) {
        averageSourceRow(y, means);
        m_rowMeansOf[slot] = y;
    }
    return means;
}

namespace {

// A mean on the linear scale, rounded and encoded back to sRGB. Weights and
// light are never negative, so neither is the mean; a rounding error could
// only take it past the top.
std::int32_t encodedColour(const Light& mean, const std::uint8_t* srgb)
{
    using Whole = int __attribute__((vector_size(16)));
    const Whole rounded = __builtin_convertvector(mean + 0.5f, Whole); // truncated: non-negative
    const auto encoded = [&rounded, srgb](int channel) {
        return static_cast<std::uint32_t>(srgb[std::min(rounded[channel], LinearLightMaximum)]);
    };
    return static_cast<std::int32_t>(encoded(0) | (encoded(1) << 8) | (encoded(2) << 16));
}

// A mean of premultiplied light and transparency as a straight colour and an
// alpha. Where no pixel of the cell lets light through, the transparency is
// exactly 0 and the colour is the mean as it is.
std::int32_t encodedColour(Light mean, const std::uint8_t* srgb, std::uint8_t& alpha)
{
    const float transparency = mean[3];
    if (transparency <= 0.0f) {
        alpha = 255;
        return encodedColour(mean, srgb);
    }
    const float opacity = 1.0f - transparency;
    const int rounded = static_cast<int>(opacity * 255.0f + 0.5f);
    alpha = static_cast<std::uint8_t>(std::clamp(rounded, 0, 255));
    if (alpha == 0)
        return 0;
    return encodedColour(mean / opacity, srgb);
}

} // namespace

void ColourSampler::sampleBoxRow(int row, std::span<std::int32_t> out, std::span<std::uint8_t> alphas)
{
    const std::size_t count = std::min(out.size(), m_width);
    const double centre = samplePosition(m_frame.frameTop, m_frame.sampleStep, row) - static_cast<double>(m_source.top);
    const detail::CellSpan rows = detail::cellSpan(centre, m_frame.sampleStep, m_source.height);
    if (rows.isEmpty() || m_spanLast < m_spanFirst) {
        std::fill_n(out.begin(), count, OutsideSample);
        std::fill_n(alphas.begin(), std::min(alphas.size(), count), std::uint8_t { 0 });
        return;
    }
    const std::uint8_t* srgb = linearLightTables().srgbOfLinear.data();
    // Each cell's colour, and with alphas its alpha too.
    const bool withAlpha = !alphas.empty();
    const auto put = [&](std::size_t index, const Light& mean) {
        if (withAlpha)
            out[index] = encodedColour(mean, srgb, alphas[index]);
        else
            out[index] = encodedColour(mean, srgb);
    };
    const auto putOutside = [&](std::size_t index) {
        out[index] = OutsideSample;
        if (withAlpha)
            alphas[index] = 0;
    };
    const auto weightOf = [&rows](std::int64_t y) {
        const float weight = y == rows.first ? rows.firstWeight : y == rows.last ? rows.lastWeight : 1.0f;
        return weight * rows.inverseLength;
    };

    // Each cell's mean is the weighted sum of the horizontal means of the
    // rows under it. The rows' means are kept for the next row of cells,
    // which usually shares one of them.
    const std::int64_t rowCount = rows.last - rows.first + 1;
    if (rowCount <= RowMeansKept) {
        std::array<const Light*, RowMeansKept> means {};
        std::array<float, RowMeansKept> weights {};
        for (std::int64_t y = rows.first; y <= rows.last; ++y) {
            means[static_cast<std::size_t>(y - rows.first)] = rowMeans(y);
            weights[static_cast<std::size_t>(y - rows.first)] = weightOf(y);
        }
        for (std::size_t index = 0; index < count; ++index) {
            if (m_columnSpans[index].isEmpty()) {
                putOutside(index);
                continue;
            }
            Light mean = weights[0] * means[0][index];
            for (std::size_t r = 1; r < static_cast<std::size_t>(rowCount); ++r)
                mean += weights[r] * means[r][index];
            put(index, mean);
        }
        return;
    }

    // Taller cells: the rows are added up one at a time.
    Light* const cellMeans = m_cellMeans.data();
    std::fill_n(cellMeans, m_width, Light {});
    for (std::int64_t y = rows.first; y <= rows.last; ++y) {
        const Light* means = rowMeans(y);
        const float weight = weightOf(y);
        for (std::size_t index = 0; index < m_width; ++index)
            cellMeans[index] += weight * means[index];
    }
    for (std::size_t index = 0; index < count; ++index) {
        if (m_columnSpans[index].isEmpty())
            putOutside(index);
        else
            put(index, cellMeans[index]);
    }
}

PixelGrid sampleColours(const SourceImage& source, const FrameSettings& frame, SampleFilter filter,
    const SamplingProgress& progress)
{
    PixelGrid grid(frame.targetWidth, frame.targetHeight);
    if (grid.isEmpty())
        return grid;
    ColourSampler sampler(source, frame, filter);
    for (int row = 1; row <= grid.height(); ++row) {
        sampler.sampleRow(row, grid.row(row));
        if (progress)
            progress(row, grid.height());
    }
    return grid;
}

SampledFrame sampleColoursAndAlphas(const SourceImage& source, const FrameSettings& frame, SampleFilter filter)
{
    SampledFrame sampled;
    sampled.colours = PixelGrid(frame.targetWidth, frame.targetHeight);
    if (sampled.colours.isEmpty())
        return sampled;
    sampled.alphas.resize(sampled.colours.values().size());
    ColourSampler sampler(source, frame, filter);
    const auto width = static_cast<std::size_t>(sampled.colours.width());
    for (int row = 1; row <= sampled.colours.height(); ++row)
        sampler.sampleRow(row, sampled.colours.row(row), std::span(sampled.alphas).subspan(width * std::size_t(row - 1), width));
    return sampled;
}

} // namespace rasterkit
