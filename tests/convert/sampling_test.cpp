// Sampling the framed region of a picture into the grid, the frame origin
// for a centre, and the progress percentage.

#include "testsupport.h"

#include "convert/colour.h"
#include "convert/greylevel.h"
#include "convert/pixelformat.h"
#include "convert/reduceframe.h"
#include "convert/sampling.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace rasterkit {
namespace {

// Table rows print by their names (found by argument-dependent lookup here).
using rasterkit::PrintTo;

// A synthetic picture of 30 x 28 pixels whose red and green carry x and y in
// their top bits, so a sample shows which pixel it came from. Each line is
// padded past its pixels, and the unused fourth byte is set, to catch reads
// that use the wrong stride or the wrong byte.
class TestPicture {
public:
    static constexpr int Width = 30;
    static constexpr int Height = 28;
    static constexpr std::ptrdiff_t BytesPerLine = Width * 4 + 12;

    TestPicture()
        : m_bytes(static_cast<std::size_t>(BytesPerLine * Height), 0xEE)
    {
        for (int y = 0; y < Height; ++y) {
            for (int x = 0; x < Width; ++x) {
                std::uint8_t* pixel = m_bytes.data() + y * BytesPerLine + x * 4;
                const Colour colour = colourAt(x, y);
                pixel[0] = static_cast<std::uint8_t>(redOf(colour));
                pixel[1] = static_cast<std::uint8_t>(greenOf(colour));
                pixel[2] = static_cast<std::uint8_t>(blueOf(colour));
                pixel[3] = 0x5A;
            }
        }
    }

    static Colour colourAt(int x, int y)
    {
        return makeColour(static_cast<unsigned>(x * 8 + (y & 7)), static_cast<unsigned>(y * 8 + (x & 3)),
            static_cast<unsigned>((x * 37 + y * 11) & 0xFF));
    }

    SourceImage image() const { return { Width, Height, m_bytes.data(), BytesPerLine }; }

private:
    std::vector<std::uint8_t> m_bytes;
};

// What a grid element must hold for the picture pixel (x, y), or for a
// position outside the picture, in the given format.
std::int32_t expectedValue(PixelFormat format, std::int64_t x, std::int64_t y)
{
    const bool inside = x >= 0 && y >= 0 && x < TestPicture::Width && y < TestPicture::Height;
    const std::uint32_t colour
        = inside ? TestPicture::colourAt(static_cast<int>(x), static_cast<int>(y)) : 0xFFFFFFFFu;
    const PixelFormatInfo& info = formatInfo(format);
    const std::uint32_t masked = colour & info.reductionMask();
    // Luma (299 R + 587 G + 114 B + 500) / 1000 of the 24 colour bits.
    const auto luma = static_cast<int>((299 * (masked & 0xFFu) + 587 * ((masked >> 8) & 0xFFu) + 114 * ((masked >> 16) & 0xFFu) + 500) / 1000);
    switch (info.reduction) {
    case Reduction::GreySum:
        return GreyLevel(masked);
    case Reduction::Luma:
        return (luma * ((1 << info.channelBits[0]) - 1) + 127) / 255;
    case Reduction::Threshold:
        return luma >= 128 ? 1 : 0;
    case Reduction::Alpha: // an opaque picture, transparent around it
        return inside ? 255 : 0;
    case Reduction::TopBits:
    case Reduction::Palette:
        break;
    }
    if (info.keepsAlpha())
        return inside ? static_cast<std::int32_t>(masked | 0xFF000000u) : 0;
    return static_cast<std::int32_t>(masked);
}

// The window's conversion: the nearest pixel, no dithering.
PixelGrid sampleFrame(const SourceImage& source, const FrameSettings& frame, PixelFormat format = PixelFormat::RGB565,
    const SamplingProgress& progress = {})
{
    return reduceFrame(source, ReductionRequest { .frame = frame, .format = format }, progress);
}

// Independent rounding of a position to a pixel: narrowed to float, then to
// the nearest integer with halves going to the even one.
std::int64_t referencePixel(double position)
{
    const double narrowed = static_cast<float>(position);
    const double below = std::floor(narrowed);
    const double fraction = narrowed - below;
    auto pixel = static_cast<std::int64_t>(below);
    if (fraction > 0.5 || (fraction == 0.5 && pixel % 2 != 0))
        ++pixel;
    return pixel;
}

class WholeStepSamplingTest : public ::testing::TestWithParam<PixelFormat> { };

TEST_P(WholeStepSamplingTest, ColumnISamplesPixelIAndOutsideHoldsTheMask)
{
    const PixelFormat formatIndex = GetParam();
    const TestPicture picture;
    // Wider and taller than the picture: columns 30..35 and rows 28..33 fall outside.
    const FrameSettings frame { 35, 33, 1.0, 0, 0 };
    const PixelGrid grid = sampleFrame(picture.image(), frame, formatIndex);
    ASSERT_EQ(grid.width(), 35);
    ASSERT_EQ(grid.height(), 33);
    for (int row = 1; row <= grid.height(); ++row) {
        for (int column = 1; column <= grid.width(); ++column)
            ASSERT_EQ(grid(column, row), expectedValue(formatIndex, column, row)) << "column " << column << " row " << row;
    }
}

TEST_P(WholeStepSamplingTest, OutsideThePictureEveryElementIsTheMaskedOutsideValue)
{
    const PixelFormat formatIndex = GetParam();
    const TestPicture picture;
    for (const auto& [left, top] : std::vector<std::pair<int, int>> { { -1000, -1000 }, { -7, 0 }, { 0, -5 }, { 29, 0 } }) {
        const FrameSettings frame { 6, 4, 1.0, left, top };
        const PixelGrid grid = sampleFrame(picture.image(), frame, formatIndex);
        for (int row = 1; row <= 4; ++row) {
            for (int column = 1; column <= 6; ++column) {
                const std::int64_t x = left + column;
                const std::int64_t y = top + row;
                EXPECT_EQ(grid(column, row), expectedValue(formatIndex, x, y))
                    << "frame (" << left << ", " << top << ") column " << column << " row " << row;
            }
        }
    }
}

// Indexed formats: their palette is chosen for the frame (palette_test.cpp).
INSTANTIATE_TEST_SUITE_P(Formats, WholeStepSamplingTest, ::testing::ValuesIn(test::formatsWithoutPalette()),
    [](const auto& info) { return test::formatTestName(info.param); });

TEST(SamplingTest, ScaleOneAtOriginNeverSamplesColumnOrRowZero)
{
    const TestPicture picture;
    const PixelGrid grid = sampleFrame(picture.image(), { 3, 2, 1.0, 0, 0 });
    EXPECT_EQ(grid(1, 1), static_cast<std::int32_t>(TestPicture::colourAt(1, 1) & 0xF8FCF8u));
    EXPECT_EQ(grid(3, 2), static_cast<std::int32_t>(TestPicture::colourAt(3, 2) & 0xF8FCF8u));
    for (const std::int32_t value : grid.values())
        EXPECT_NE(value, static_cast<std::int32_t>(TestPicture::colourAt(0, 0) & 0xF8FCF8u));
}

TEST(SamplingTest, WholeStepTwoSelectsExactlyEveryOtherPixel)
{
    const TestPicture picture;
    const PixelGrid grid = sampleFrame(picture.image(), { 12, 11, 2.0, 1, 3 });
    for (int row = 1; row <= 11; ++row) {
        for (int column = 1; column <= 12; ++column)
            EXPECT_EQ(grid(column, row), expectedValue(PixelFormat::RGB565, 1 + 2 * column, 3 + 2 * row));
    }
}

struct FractionalCase {
    double step;
    int left;
    int top;
};

void PrintTo(const FractionalCase& row, std::ostream* out)
{
    *out << "step " << row.step << " from (" << row.left << ", " << row.top << ")";
}

class FractionalSamplingTest : public ::testing::TestWithParam<FractionalCase> { };

TEST_P(FractionalSamplingTest, SelectsTheNearestPixelOfTheSinglePrecisionPosition)
{
    const FractionalCase& frameCase = GetParam();
    const TestPicture picture;
    const FrameSettings frame { 27, 13, frameCase.step, frameCase.left, frameCase.top };
    for (const PixelFormat index : { PixelFormat::RGB565, PixelFormat::RGB333x7, PixelFormat::Y5x3 }) {
        SCOPED_TRACE("format " + test::formatTestName(index));
        const PixelGrid grid = sampleFrame(picture.image(), frame, index);
        for (int row = 1; row <= frame.targetHeight; ++row) {
            const std::int64_t y = referencePixel(frame.frameTop + frame.sampleStep * row);
            for (int column = 1; column <= frame.targetWidth; ++column) {
                const std::int64_t x = referencePixel(frame.frameLeft + frame.sampleStep * column);
                ASSERT_EQ(grid(column, row), expectedValue(index, x, y))
                    << "column " << column << " row " << row << " -> pixel (" << x << ", " << y << ")";
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(StepsAndOrigins, FractionalSamplingTest,
    ::testing::Values(FractionalCase { 1.0, 0, 0 }, FractionalCase { 1.1, 0, 0 }, FractionalCase { 1.1, -5, -5 },
        FractionalCase { 1.5, 0, 0 },
        FractionalCase { 1.5, -3, -2 }, FractionalCase { 2.5, 1, 1 }, FractionalCase { 2.5, -4, -7 },
        FractionalCase { 1.3, 5, 7 }, FractionalCase { 3.3, -2, 0 }, FractionalCase { 4.9, -20, -10 },
        FractionalCase { 5.0, -40, -30 }, FractionalCase { 1.7, -100, -50 }, FractionalCase { 0.5, 0, 0 }),
    [](const auto& info) { return test::frameTestName({ 27, 13, info.param.step, info.param.left, info.param.top }); });

TEST(SamplingTest, HalvesAreJudgedAfterNarrowingToSinglePrecision)
{
    // -5 + 1.1 x 25 is 22.500000000000004 in double precision but exactly
    // 22.5 in single precision, which rounds to the even 22 (not 23).
    const TestPicture picture;
    const PixelGrid grid = sampleFrame(picture.image(), { 25, 25, 1.1, -5, -5 });
    EXPECT_EQ(grid(25, 25), expectedValue(PixelFormat::RGB565, 22, 22));
}

TEST(SamplingTest, FractionalPositionsRoundHalvesToEven)
{
    // Step 1.5 from 0: positions 1.5, 3, 4.5, 6, 7.5 select pixels 2, 3, 4, 6, 8.
    const TestPicture picture;
    const PixelGrid grid = sampleFrame(picture.image(), { 5, 1, 1.5, 0, 0 });
    const int expectedColumns[5] = { 2, 3, 4, 6, 8 };
    for (int column = 1; column <= 5; ++column) // y = 1.5 -> 2
        EXPECT_EQ(grid(column, 1), expectedValue(PixelFormat::RGB565, expectedColumns[column - 1], 2)) << "column " << column;
}

TEST(SamplingTest, PreviewShowsTheStoredColourOrEightTimesTheGreyLevel)
{
    EXPECT_EQ(previewColour(PixelFormat::RGB444x4, 0x00F0A030), 0x00F0A030u);
    for (int level = 7; level <= 31; ++level) {
        const auto grey = static_cast<unsigned>(8 * level);
        EXPECT_EQ(previewColour(PixelFormat::Y5x3, level), makeColour(grey, grey, grey));
    }
}

TEST(SamplingTest, SampleRowFillsOnlyItsRow)
{
    const TestPicture picture;
    const FrameSettings frame { 5, 3, 1.0, 2, 2 };
    FrameReducer reducer(picture.image(), ReductionRequest { .frame = frame, .format = PixelFormat::RGB332 });
    PixelGrid grid(5, 3);
    reducer.reduceRow(2, grid);
    for (int column = 1; column <= 5; ++column) {
        EXPECT_EQ(grid(column, 1), 0);
        EXPECT_EQ(grid(column, 2), expectedValue(PixelFormat::RGB332, 2 + column, 4));
        EXPECT_EQ(grid(column, 3), 0);
    }
}

TEST(SamplingTest, ReportsEveryRowInOrder)
{
    const TestPicture picture;
    std::vector<std::pair<int, int>> calls;
    const PixelGrid grid = sampleFrame(picture.image(), { 9, 6, 1.0, 0, 0 }, PixelFormat::RGB565,
        [&calls](int row, int rowCount) { calls.emplace_back(row, rowCount); });
    ASSERT_EQ(calls.size(), 6u);
    for (int row = 1; row <= 6; ++row)
        EXPECT_EQ(calls[static_cast<std::size_t>(row - 1)], std::make_pair(row, 6));
}

TEST(SamplingTest, TargetSizesOutsideTheLimitsGiveAnEmptyGrid)
{
    const TestPicture picture;
    for (const auto& [width, height] : std::vector<std::pair<int, int>> { { 0, 5 }, { 5, 0 }, { -1, 5 }, { 8193, 1 }, { 1, 8193 } }) {
        int calls = 0;
        const PixelGrid grid
            = sampleFrame(picture.image(), { width, height, 1.0, 0, 0 }, PixelFormat::RGB565, [&calls](int, int) { ++calls; });
        EXPECT_TRUE(grid.isEmpty()) << width << " x " << height;
        EXPECT_EQ(calls, 0);
    }
}

TEST(SamplingTest, PictureWithoutPixelsReadsAsOutsideEverywhere)
{
    const SourceImage empty;
    const PixelGrid grid = sampleFrame(empty, { 4, 3, 1.0, 0, 0 }, PixelFormat::Y5x3);
    for (const std::int32_t value : grid.values())
        EXPECT_EQ(value, 31);
    // Read as -1: after the mask of "RGB 5:6:5" the mask itself.
    const PixelGrid colours = sampleFrame(empty, { 4, 3, 1.0, 0, 0 });
    for (const std::int32_t value : colours.values())
        EXPECT_EQ(value, 0xF8FCF8);
}

// A view holding only the frame's sampled region samples as the whole
// picture does, and the region is the smallest that does: without its first
// or last column or row, some sample changes.
SourceImage partOf(const SourceImage& whole, const PixelRect& part)
{
    return { static_cast<int>(part.width), static_cast<int>(part.height),
        whole.bytes + part.top * whole.bytesPerLine + part.left * 4, whole.bytesPerLine, part.left, part.top };
}

class SampledRegionTest : public ::testing::TestWithParam<FrameSettings> { };

TEST_P(SampledRegionTest, HoldsEverySampledPixelAndNoMore)
{
    const FrameSettings& frame = GetParam();
    const TestPicture picture;
    const PixelGrid expected = sampleFrame(picture.image(), frame); // the colour shows the pixel's x and y
    const PixelRect region = sampledRegion(frame, TestPicture::Width, TestPicture::Height);
    if (region.isEmpty()) {
        EXPECT_EQ(sampleFrame(SourceImage {}, frame), expected);
        return;
    }
    EXPECT_EQ(sampleFrame(partOf(picture.image(), region), frame), expected);
    const auto [left, top, width, height] = region;
    for (const PixelRect& less : { PixelRect { left + 1, top, width - 1, height },
             PixelRect { left, top, width - 1, height }, PixelRect { left, top + 1, width, height - 1 },
             PixelRect { left, top, width, height - 1 } })
        EXPECT_NE(sampleFrame(partOf(picture.image(), less), frame), expected);
}

INSTANTIATE_TEST_SUITE_P(Frames, SampledRegionTest,
    ::testing::Values(FrameSettings { 35, 33, 1.0, 0, 0 }, FrameSettings { 6, 4, 1.0, -7, 0 },
        FrameSettings { 6, 4, 1.0, 27, 25 }, FrameSettings { 6, 4, 1.0, 29, 0 },
        FrameSettings { 6, 4, 1.0, -1000, -1000 }, FrameSettings { 1, 1, 1.0, 10, 10 },
        FrameSettings { 40, 30, 0.1, 3, 4 }, FrameSettings { 9, 7, 0.7, -3, 20 }, FrameSettings { 5, 5, 2.5, -6, -6 },
        FrameSettings { 12, 9, 5.0, -30, -20 }, FrameSettings { 3, 3, 100.0, -150, 5 }),
    [](const auto& info) { return test::frameTestName(info.param); });

struct OriginCase {
    const char* name;
    float centerX;
    float centerY;
    double step;
    int width;
    int height;
    int left;
    int top;
};

class FrameOriginTest : public ::testing::TestWithParam<OriginCase> { };

TEST_P(FrameOriginTest, IsCentreMinusHalfTheScaledSizeRoundedHalfToEven)
{
    const auto& row = GetParam();
    const FrameOrigin origin = frameOriginForCenter(row.centerX, row.centerY, row.step, row.width, row.height);
    EXPECT_EQ(origin.left, row.left);
    EXPECT_EQ(origin.top, row.top);
}

INSTANTIATE_TEST_SUITE_P(Centres, FrameOriginTest,
    ::testing::Values(
        OriginCase { "Width131Centre100", 100.0f, 120.0f, 1.0, 131, 240, 34, 0 },      // 34.5
        OriginCase { "Width131Centre101", 101.0f, 121.0f, 1.0, 131, 240, 36, 1 },      // 35.5
        OriginCase { "Default320x240At200x150", 200.0f, 150.0f, 1.0, 320, 240, 40, 30 },
        OriginCase { "StartAtOrigin", 160.0f, 120.0f, 1.0, 320, 240, 0, 0 },
        OriginCase { "NegativeTieToEven", 0.0f, 0.0f, 1.0, 131, 131, -66, -66 },       // -65.5
        OriginCase { "NegativeMinus1Point5", -0.5f, -0.5f, 1.0, 2, 2, -2, -2 },
        OriginCase { "Scale1Point5", 100.0f, 100.0f, 1.5, 128, 132, 4, 1 },
        OriginCase { "Scale1Point1", 10.0f, 10.0f, 1.1, 5, 3, 7, 8 },                  // 7.25, 8.35
        OriginCase { "FloatCentre", 100.7f, 0.3f, 1.0, 131, 1, 35, 0 },                // 35.19999, -0.2
        OriginCase { "Scale5", 1000.0f, 1000.0f, 5.0, 175, 239, 562, 402 }),           // 562.5, 402.5
    [](const auto& info) { return std::string(info.param.name); });

struct PercentCase {
    int row;
    int rowCount;
    int percent;
};

void PrintTo(const PercentCase& row, std::ostream* out)
{
    *out << "row " << row.row << " of " << row.rowCount;
}

class ProgressPercentTest : public ::testing::TestWithParam<PercentCase> { };

TEST_P(ProgressPercentTest, IsRoundedHalfToEven)
{
    const auto& row = GetParam();
    EXPECT_EQ(progressPercent(row.row, row.rowCount), row.percent);
}

INSTANTIATE_TEST_SUITE_P(Rows, ProgressPercentTest,
    ::testing::Values(PercentCase { 1, 240, 0 }, PercentCase { 3, 240, 1 }, PercentCase { 6, 240, 2 },
        PercentCase { 18, 240, 8 }, PercentCase { 30, 240, 12 }, PercentCase { 42, 240, 18 },
        PercentCase { 120, 240, 50 }, PercentCase { 239, 240, 100 }, PercentCase { 240, 240, 100 },
        PercentCase { 1, 8, 12 }, PercentCase { 3, 8, 38 }, PercentCase { 5, 8, 62 }, PercentCase { 1, 200, 0 },
        PercentCase { 3, 200, 2 }, PercentCase { 1, 1, 100 }, PercentCase { 1, 3, 33 }, PercentCase { 2, 3, 67 }),
    [](const auto& info) { return "Row" + std::to_string(info.param.row) + "Of" + std::to_string(info.param.rowCount); });

} // namespace
} // namespace rasterkit
