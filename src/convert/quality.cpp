#include "quality.h"

#include "colour.h"
#include "dither.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace rasterkit {

double peakSignalToNoiseRatio(double meanSquaredError)
{
    if (!(meanSquaredError > 0))
        return std::numeric_limits<double>::infinity();
    return 10.0 * std::log10(255.0 * 255.0 / meanSquaredError);
}

namespace detail {

std::vector<double> gaussianKernel(double sigma)
{
    const int radius = static_cast<int>(std::ceil(3.0 * sigma));
    std::vector<double> kernel(static_cast<std::size_t>(2 * radius + 1));
    double sum = 0;
    for (int offset = -radius; offset <= radius; ++offset) {
        const double weight = std::exp(-(offset * offset) / (2.0 * sigma * sigma));
        kernel[static_cast<std::size_t>(offset + radius)] = weight;
        sum += weight;
    }
    for (double& weight : kernel)
        weight /= sum;
    return kernel;
}

namespace {

// One pass of the kernel along each line of a plane: rows (places 1 apart,
// lines width apart) or columns (places width apart, lines 1 apart).
void convolveLines(Plane& plane, int length, int lines, std::size_t stride, std::size_t lineStride,
    const std::vector<double>& kernel)
{
    const int radius = static_cast<int>(kernel.size() / 2);
    std::vector<double> line(static_cast<std::size_t>(length));
    for (int lineIndex = 0; lineIndex < lines; ++lineIndex) {
        float* const start = plane.data() + static_cast<std::size_t>(lineIndex) * lineStride;
        for (int position = 0; position < length; ++position)
            line[static_cast<std::size_t>(position)] = start[static_cast<std::size_t>(position) * stride];
        for (int position = 0; position < length; ++position) {
            const int first = std::max(position - radius, 0);
            const int last = std::min(position + radius, length - 1);
            double sum = 0;
            for (int source = first; source <= last; ++source)
                sum += kernel[static_cast<std::size_t>(source - position + radius)] * line[static_cast<std::size_t>(source)];
            start[static_cast<std::size_t>(position) * stride] = static_cast<float>(sum);
        }
    }
}

} // namespace

void blur(Plane& plane, int width, int height, const std::vector<double>& kernel)
{
    if (width <= 0 || height <= 0 || plane.size() != static_cast<std::size_t>(width) * static_cast<std::size_t>(height))
        return;
    convolveLines(plane, width, height, 1, static_cast<std::size_t>(width), kernel);
    convolveLines(plane, height, width, static_cast<std::size_t>(width), 1, kernel);
}

} // namespace detail

detail::Plane QualityMeter::channelPlane(const PixelGrid& grid, int formatIndex, int channel) const
{
    const auto values = grid.values();
    const auto sampled = m_colours.values();
    detail::Plane plane(values.size(), 0.0f);
    const int shift = 8 * channel;
    for (std::size_t index = 0; index < values.size(); ++index) {
        if (sampled[index] != OutsideSample)
            plane[index] = static_cast<float>((previewColour(formatIndex, values[index]) >> shift) & 0xFFu);
    }
    return plane;
}

QualityMeter::QualityMeter(const PixelGrid& colours)
    : m_colours(colours)
    , m_kernel(detail::gaussianKernel(BandingBlurSigma))
{
    const auto values = colours.values();
    m_blurredWeight.assign(values.size(), 0.0f);
    for (std::size_t index = 0; index < values.size(); ++index) {
        if (values[index] != OutsideSample)
            m_blurredWeight[index] = 1.0f;
    }
    detail::blur(m_blurredWeight, colours.width(), colours.height(), m_kernel);
    for (int channel = 0; channel < 3; ++channel) {
        detail::Plane& plane = m_blurredSampled[static_cast<std::size_t>(channel)];
        plane = channelPlane(colours, detail::SampledColours, channel);
        detail::blur(plane, colours.width(), colours.height(), m_kernel);
    }
}

QualityFigures QualityMeter::measure(const PixelGrid& reduced, int formatIndex) const
{
    if (reduced.width() != m_colours.width() || reduced.height() != m_colours.height())
        return {};
    const auto sampled = m_colours.values();
    const auto values = reduced.values();
    // The plain error straight from the colours.
    double sum = 0;
    std::int64_t counted = 0;
    for (std::size_t index = 0; index < values.size(); ++index) {
        if (sampled[index] == OutsideSample)
            continue;
        const Colour shown = previewColour(formatIndex, values[index]);
        const auto colour = static_cast<Colour>(sampled[index]);
        for (const int shift : { 0, 8, 16 }) {
            const double difference = double((shown >> shift) & 0xFFu) - double((colour >> shift) & 0xFFu);
            sum += difference * difference;
        }
        ++counted;
    }
    QualityFigures figures;
    figures.psnr = peakSignalToNoiseRatio(counted == 0 ? 0.0 : sum / (3.0 * double(counted)));

    // The blurred error, one channel at a time.
    double blurredSum = 0;
    for (int channel = 0; channel < 3; ++channel) {
        detail::Plane plane = channelPlane(reduced, formatIndex, channel);
        detail::blur(plane, reduced.width(), reduced.height(), m_kernel);
        const detail::Plane& reference = m_blurredSampled[static_cast<std::size_t>(channel)];
        for (std::size_t index = 0; index < values.size(); ++index) {
            if (sampled[index] == OutsideSample)
                continue;
            // The same division for both: equal sums give equal means.
            const double weight = m_blurredWeight[index];
            const double difference = double(plane[index]) / weight - double(reference[index]) / weight;
            blurredSum += difference * difference;
        }
    }
    figures.bandingPsnr = peakSignalToNoiseRatio(counted == 0 ? 0.0 : blurredSum / (3.0 * double(counted)));
    return figures;
}

} // namespace rasterkit
