#include "quality.h"

#include "colour.h"
#include "dither.h"
#include "greylevel.h"
#include "pixelformat.h"

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

double exactGrey(std::uint32_t colour)
{
    // The sum in hundredths, 700..MaximumHundredths, as GreyLevel adds it up.
    const int hundredths = 700 + ChannelHundredths[colour & 0xFFu] + ChannelHundredths[(colour >> 8) & 0xFFu]
        + ChannelHundredths[(colour >> 16) & 0xFFu];
    constexpr int lastStepStart = MaximumHundredths / 100 * 100;
    const double level = hundredths < lastStepStart
        ? hundredths / 100.0
        : lastStepStart / 100 + double(hundredths - lastStepStart) / double(MaximumHundredths - lastStepStart);
    return 8.0 * level;
}

void blur(Plane& plane, int width, int height, const std::vector<double>& kernel)
{
    if (width <= 0 || height <= 0 || plane.size() != static_cast<std::size_t>(width) * static_cast<std::size_t>(height))
        return;
    convolveLines(plane, width, height, 1, static_cast<std::size_t>(width), kernel);
    convolveLines(plane, height, width, static_cast<std::size_t>(width), 1, kernel);
}

} // namespace detail

QualityMeter::Reference QualityMeter::referenceOf(PixelFormat format)
{
    switch (formatInfo(format).reduction) {
    case Reduction::TopBits:
    case Reduction::Palette:
    case Reduction::Alpha: // drawn over the preview's background, as the picture is
        break;
    case Reduction::GreySum:
        return Reference::Grey;
    case Reduction::Luma:
    case Reduction::Threshold:
        return Reference::Luma;
    }
    return Reference::Colour;
}

double QualityMeter::referenceChannel(std::int32_t colour, int channel, Reference reference)
{
    const auto value = static_cast<std::uint32_t>(colour);
    if (reference == Reference::Grey)
        return detail::exactGrey(value);
    if (reference == Reference::Luma)
        return 0.299 * redOf(value) + 0.587 * greenOf(value) + 0.114 * blueOf(value);
    return static_cast<double>((static_cast<std::uint32_t>(colour) >> (8 * channel)) & 0xFFu);
}

detail::Plane QualityMeter::referencePlane(Reference reference, int channel) const
{
    const auto sampled = m_colours.values();
    detail::Plane plane(sampled.size(), 0.0f);
    for (std::size_t index = 0; index < sampled.size(); ++index) {
        if (sampled[index] != OutsideSample)
            plane[index] = static_cast<float>(referenceChannel(sampled[index], channel, reference));
    }
    return plane;
}

detail::Plane QualityMeter::previewPlane(const PixelGrid& reduced, PixelFormat format, int channel) const
{
    const auto values = reduced.values();
    const auto sampled = m_colours.values();
    detail::Plane plane(values.size(), 0.0f);
    for (std::size_t index = 0; index < values.size(); ++index) {
        if (sampled[index] != OutsideSample)
            plane[index] = static_cast<float>((previewColour(format, values[index]) >> (8 * channel)) & 0xFFu);
    }
    return plane;
}

QualityMeter::QualityMeter(const PixelGrid& colours)
    : m_colours(colours)
    , m_kernel(detail::gaussianKernel(BandingBlurSigma))
{
    const auto values = colours.values();
    const int width = colours.width();
    const int height = colours.height();
    m_blurredWeight.assign(values.size(), 0.0f);
    for (std::size_t index = 0; index < values.size(); ++index) {
        if (values[index] != OutsideSample)
            m_blurredWeight[index] = 1.0f;
    }
    detail::blur(m_blurredWeight, width, height, m_kernel);
    for (const Reference reference : { Reference::Colour, Reference::Grey, Reference::Luma }) {
        for (int channel = 0; channel < 3; ++channel) {
            // A grey is the same in every channel: kept once, as red.
            if (reference != Reference::Colour && channel > 0)
                continue;
            detail::Plane& plane = m_blurredReference[std::size_t(reference)][std::size_t(channel)];
            plane = referencePlane(reference, channel);
            detail::blur(plane, width, height, m_kernel);
            for (std::size_t index = 0; index < plane.size(); ++index) {
                if (values[index] != OutsideSample)
                    plane[index] /= m_blurredWeight[index];
            }
        }
    }
}

QualityFigures QualityMeter::measure(const PixelGrid& reduced, PixelFormat format) const
{
    if (reduced.width() != m_colours.width() || reduced.height() != m_colours.height())
        return {};
    const Reference reference = referenceOf(format);
    const auto sampled = m_colours.values();
    const auto values = reduced.values();
    // The plain error straight from the values.
    double sum = 0;
    std::int64_t counted = 0;
    for (std::size_t index = 0; index < values.size(); ++index) {
        if (sampled[index] == OutsideSample)
            continue;
        const Colour shown = previewColour(format, values[index]);
        for (int channel = 0; channel < 3; ++channel) {
            const double difference = double((shown >> (8 * channel)) & 0xFFu)
                - referenceChannel(sampled[index], channel, reference);
            sum += difference * difference;
        }
        ++counted;
    }
    QualityFigures figures;
    figures.psnr = peakSignalToNoiseRatio(counted == 0 ? 0.0 : sum / (3.0 * double(counted)));

    // The blurred error, one channel at a time; both sides are divided by
    // the same blurred weight, so equal pictures give equal means.
    double blurredSum = 0;
    for (int channel = 0; channel < 3; ++channel) {
        detail::Plane plane = previewPlane(reduced, format, channel);
        detail::blur(plane, reduced.width(), reduced.height(), m_kernel);
        const detail::Plane& blurredReference
            = m_blurredReference[std::size_t(reference)][reference == Reference::Colour ? std::size_t(channel) : 0];
        for (std::size_t index = 0; index < values.size(); ++index) {
            if (sampled[index] == OutsideSample)
                continue;
            const double difference = double(plane[index] / m_blurredWeight[index]) - double(blurredReference[index]);
            blurredSum += difference * difference;
        }
    }
    figures.bandingPsnr = peakSignalToNoiseRatio(counted == 0 ? 0.0 : blurredSum / (3.0 * double(counted)));
    return figures;
}

} // namespace rasterkit
