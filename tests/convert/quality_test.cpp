// The two quality figures of compare: PSNR of a reduced grid against the
// sampled colours, and the banding PSNR after the same Gaussian blur of
// both, checked against values worked out by hand.

#include "convert/colour.h"
#include "convert/dither.h"
#include "convert/quality.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numeric>
#include <vector>

namespace rasterkit {
namespace {

constexpr double Infinity = std::numeric_limits<double>::infinity();
constexpr PixelFormat Rgb565 = PixelFormat::RGB565;
constexpr PixelFormat Y5x3 = PixelFormat::Y5x3;

PixelGrid filled(int width, int height, std::int32_t value)
{
    PixelGrid grid(width, height);
    std::fill(grid.values().begin(), grid.values().end(), value);
    return grid;
}

// sigma 1.5: radius ceil(4.5) = 5, weights exp(-k^2 / 4.5) = 1, 0.800737,
// 0.411112, 0.135335, 0.028566, 0.003866 for k = 0..5, which add up to
// 3.759233 over -5..5.
TEST(QualityTest, GaussianKernelWorkedByHand)
{
    const std::vector<double> kernel = detail::gaussianKernel(BandingBlurSigma);
    ASSERT_EQ(kernel.size(), 11u);
    EXPECT_NEAR(kernel[5], 1.0 / 3.759233, 1e-6);
    EXPECT_NEAR(kernel[4], 0.800737 / 3.759233, 1e-6);
    EXPECT_NEAR(kernel[6], 0.800737 / 3.759233, 1e-6);
    EXPECT_NEAR(kernel[0], 0.003866 / 3.759233, 1e-6);
    EXPECT_NEAR(std::accumulate(kernel.begin(), kernel.end(), 0.0), 1.0, 1e-12);
}

// A single bright place spreads as the product of the kernel along both
// axes, and nothing is lost away from the edges.
TEST(QualityTest, BlurOfAnImpulse)
{
    detail::Plane plane(15 * 15, 0.0f);
    plane[7 * 15 + 7] = 1.0f;
    detail::blur(plane, 15, 15, detail::gaussianKernel(BandingBlurSigma));
    EXPECT_NEAR(plane[7 * 15 + 7], 0.266012 * 0.266012, 1e-6);
    EXPECT_NEAR(plane[7 * 15 + 8], 0.266012 * 0.213006, 1e-6);
    EXPECT_NEAR(plane[2 * 15 + 12], 0.001028 * 0.001028, 1e-7);
    EXPECT_EQ(plane[1 * 15 + 7], 0.0f); // 6 rows away: out of reach
    EXPECT_NEAR(std::accumulate(plane.begin(), plane.end(), 0.0), 1.0, 1e-6);
}

TEST(QualityTest, ExactGrey)
{
    EXPECT_DOUBLE_EQ(detail::exactGrey(0x000000), 56.0);
    EXPECT_DOUBLE_EQ(detail::exactGrey(0xFFFFFF), 248.0);
    EXPECT_DOUBLE_EQ(detail::exactGrey(0xFEFEFE), 248.0); // bit 0 weighs nothing
    EXPECT_DOUBLE_EQ(detail::exactGrey(0x0000FF), 8 * 14.93);
    // 7 + 3 x 7.75 = 30.25: 25 hundredths into the last step, of its 79.
    EXPECT_DOUBLE_EQ(detail::exactGrey(0xF8F8F8), 8 * (30 + 25.0 / 79.0));
}

TEST(QualityTest, PeakSignalToNoiseRatio)
{
    EXPECT_EQ(peakSignalToNoiseRatio(0), Infinity);
    EXPECT_NEAR(peakSignalToNoiseRatio(255.0 * 255.0), 0.0, 1e-12);
    EXPECT_NEAR(peakSignalToNoiseRatio(255.0 * 255.0 / 100.0), 20.0, 1e-12);
}

struct FiguresCase {
    const char* name;
    PixelGrid colours;
    PixelGrid reduced;
    PixelFormat format;
    double psnr;
    double bandingPsnr; // NaN: only checked to be above psnr + 20
};

class FiguresTest : public testing::TestWithParam<FiguresCase> {};

TEST_P(FiguresTest, WorkedByHand)
{
    const FiguresCase& row = GetParam();
    const QualityMeter meter(row.colours);
    const QualityFigures figures = meter.measure(row.reduced, row.format);
    if (std::isinf(row.psnr))
        EXPECT_EQ(figures.psnr, Infinity);
    else
        EXPECT_NEAR(figures.psnr, row.psnr, 1e-9);
    if (std::isnan(row.bandingPsnr))
        EXPECT_GT(figures.bandingPsnr, figures.psnr + 20);
    else if (std::isinf(row.bandingPsnr))
        EXPECT_EQ(figures.bandingPsnr, Infinity);
    else
        EXPECT_NEAR(figures.bandingPsnr, row.bandingPsnr, 1e-3); // the blur keeps single precision
}

const std::int32_t Grey4 = static_cast<std::int32_t>(makeColour(4, 4, 4));
const std::int32_t Grey8 = static_cast<std::int32_t>(makeColour(8, 8, 8));
const std::int32_t Colour102030 = static_cast<std::int32_t>(makeColour(10, 20, 30));

PixelGrid checkerboard(int size, std::int32_t even, std::int32_t odd)
{
    PixelGrid grid(size, size);
    for (int row = 1; row <= size; ++row) {
        for (int column = 1; column <= size; ++column)
            grid(column, row) = (row + column) % 2 == 0 ? even : odd;
    }
    return grid;
}

PixelGrid outsideAround(std::int32_t middle)
{
    PixelGrid grid = filled(3, 1, OutsideSample);
    grid(2, 1) = middle;
    return grid;
}

INSTANTIATE_TEST_SUITE_P(Grids, FiguresTest,
    testing::Values(
        // (10, 20, 30) in 5:6:5 shows (8, 20, 24): squares 4 + 0 + 36 over 3
        // channels, 40 / 3; a flat error stays the same after the blur.
        FiguresCase { "FlatRgb565", filled(2, 2, Colour102030), reduceColours(filled(2, 2, Colour102030), Rgb565, Dither::None),
            Rgb565, 36.8814162426, 36.8814162426 },
        // "Y 5x3" against the exact grey, 8 x the grey sum. Black sums to 7
        // exactly, level 7, white to the largest sum, stretched to 31: both
        // exact. Grey 208 sums to 7 + 3 x (4 + 2 + 0.5) = 26.5, 212 exactly,
        // and rounds to level 26 (ties to even), shown as 208: off by 4 in
        // each channel. Pure red sums to 7 + 7.93 = 14.93, 119.44, shown as
        // level 15, 120: off by 0.56, a squared error of 0.3136.
        FiguresCase { "BlackInY5x3", filled(1, 1, 0), filled(1, 1, 7), Y5x3, Infinity, Infinity },
        FiguresCase { "WhiteInY5x3", filled(3, 2, 0xFFFFFF), reduceColours(filled(3, 2, 0xFFFFFF), Y5x3, Dither::None),
            Y5x3, Infinity, Infinity },
        FiguresCase { "Grey208InY5x3", filled(4, 3, static_cast<std::int32_t>(makeColour(208, 208, 208))),
            filled(4, 3, 26), Y5x3, 36.0896037821, 36.0896037821 },
        FiguresCase { "PureRedInY5x3", filled(2, 1, 0x0000FF), reduceColours(filled(2, 1, 0x0000FF), Y5x3, Dither::None),
            Y5x3, 53.1670430686, 53.1670430686 },
        FiguresCase { "SameColours", checkerboard(8, Grey8, Colour102030), checkerboard(8, Grey8, Colour102030), Rgb565,
            Infinity, Infinity },
        // Grey 4 everywhere: all at 0 is off by 4 everywhere (16 per
        // channel) with or without the blur; 0 and 8 in turn are off by as
        // much, but average out to 4 under the blur.
        FiguresCase { "BandOfGrey4", filled(32, 32, Grey4), filled(32, 32, 0), Rgb565, 36.0896037821, 36.0896037821 },
        FiguresCase { "CheckerOfGrey4", filled(32, 32, Grey4), checkerboard(32, 0, Grey8), Rgb565, 36.0896037821,
            std::nan("") },
        // Samples outside the picture take no part, whatever they show.
        FiguresCase { "OutsideLeftOut", outsideAround(0), outsideAround(0) , Rgb565, Infinity, Infinity },
        FiguresCase { "OutsideLeftOutAroundAnError", outsideAround(Colour102030),
            reduceColours(outsideAround(Colour102030), Rgb565, Dither::None), Rgb565, 36.8814162426, 36.8814162426 },
        FiguresCase { "NothingInside", filled(5, 4, OutsideSample), filled(5, 4, 0x123456), Rgb565, Infinity, Infinity }),
    [](const testing::TestParamInfo<FiguresCase>& info) { return std::string(info.param.name); });

TEST(QualityTest, GridOfAnotherSizeMeasuresNothing)
{
    const PixelGrid colours = filled(4, 4, Grey4);
    const QualityFigures figures = QualityMeter(colours).measure(filled(4, 3, Grey4), Rgb565);
    EXPECT_EQ(figures.psnr, 0);
    EXPECT_EQ(figures.bandingPsnr, 0);
}

} // namespace
} // namespace rasterkit
