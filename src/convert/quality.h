#pragma once

#include "pixelformat.h"
#include "pixelgrid.h"

#include <array>
#include <cstdint>
#include <vector>

namespace rasterkit {

// How far a reduced picture is from the colours it was sampled from, in two
// figures, both in decibels and both larger for a closer picture:
//
// PSNR, the peak signal-to-noise ratio: 10 x log10(255^2 / MSE), where MSE is
// the mean of the squared differences of the red, green and blue channels
// (0..255) between the colour the preview shows for each reduced value (see
// previewColour in pixelformat.h) and the sampled colour.
//
// The grey-sum format keeps no colour, so it is measured against the exact
// grey of each sample instead: 8 x its grey sum (see GreyLevel), the scale the preview
// shows level L on as 8 x L, with the last step from 30 to the largest sum,
// white's, stretched to reach 31 as dithering stretches it. Its figures say
// how well 25 levels render the grey, not how far grey is from the colour.
// The luma formats, and the mono ones, are measured against the exact luma
// of each sample, 0.299 R + 0.587 G + 0.114 B, on the 0..255 scale their
// previews show.
//
// Banding PSNR: the same after both pictures are blurred with the same
// Gaussian of standard deviation BandingBlurSigma samples. The eye averages
// neighbouring pixels much as the blur does, so noise that averages out to
// the right colour (dithering) costs little here, while bands that are wrong
// over an area (plain reduction of a gradient) cost as much as without blur.
//
// Samples outside the picture (OutsideSample among the sampled colours) have
// no colour to compare with: they take no part, neither in the sums nor in
// the blur, which averages each place over the samples inside the picture
// within reach. Identical pictures, and a frame with no sample inside the
// picture, have no error: the figure is +infinity.
inline constexpr double BandingBlurSigma = 1.5;

struct QualityFigures {
    double psnr = 0;
    double bandingPsnr = 0;
};

// 10 x log10(255^2 / meanSquaredError); +infinity for an error of 0.
double peakSignalToNoiseRatio(double meanSquaredError);

namespace detail {

// The Gaussian's weights at offsets -radius..radius, radius = ceil(3 x
// sigma), scaled so that they add up to 1.
std::vector<double> gaussianKernel(double sigma);

// The grey a sampled colour stands for in the grey-sum format, on the preview's scale
// (56 for black, 248 for white): 8 x the grey sum, the last step stretched.
double exactGrey(std::uint32_t colour);

// One channel (or the weights) of a width x height picture, raster order.
using Plane = std::vector<float>;

// Blurs a plane in place, along rows then along columns, with the kernel;
// places past the edges count as 0. Blurring channel x weight and the
// weight alone, then dividing, gives the weighted mean of the places within
// reach.
void blur(Plane& plane, int width, int height, const std::vector<double>& kernel);

} // namespace detail

// Measures reduced grids of one frame against the colours sampled for it.
// The sampled colours and their blur are prepared once, for every format
// and dither mode that follows.
class QualityMeter {
public:
    // colours as sampleColours gives them: 0x00BBGGRR, OutsideSample outside
    // the picture. The grid must outlive the meter.
    explicit QualityMeter(const PixelGrid& colours);

    // A reduced grid of the same size, as reduceColours gives it for the
    // format. A grid of another size measures 0, 0.
    QualityFigures measure(const PixelGrid& reduced, PixelFormat format) const;

private:
    // What reduced values are measured against: the sampled colours, their
    // exact grey for the grey-sum format, or their exact luma (0.299 R +
    // 0.587 G + 0.114 B) for the luma and mono formats.
    enum class Reference { Colour, Grey, Luma };

    static Reference referenceOf(PixelFormat format);
    static double referenceChannel(std::int32_t colour, int channel, Reference reference);
    // The channel (0 red, 1 green, 2 blue) at each place inside the picture:
    // of the reference, or of the preview of a reduced grid; 0 outside.
    detail::Plane referencePlane(Reference reference, int channel) const;
    detail::Plane previewPlane(const PixelGrid& reduced, PixelFormat format, int channel) const;

    const PixelGrid& m_colours;
    std::vector<double> m_kernel;
    detail::Plane m_blurredWeight; // the blurred mask of the places inside
    // Each reference channel blurred, divided by the blurred weight; the
    // grey only as red.
    std::array<std::array<detail::Plane, 3>, 3> m_blurredReference;
};

} // namespace rasterkit
