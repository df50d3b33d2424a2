// Sampling a frame's colours unreduced: nearest as the window samples, and
// the box filter's area-weighted means in linear light, checked against
// means worked out by hand.

#include "testsupport.h"

#include "convert/boxfilter.h"
#include "convert/colour.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <utility>
#include <vector>

namespace rasterkit {
namespace {

using rasterkit::PrintTo;

constexpr std::uint32_t White = 0xFFFFFF;
constexpr std::uint32_t Black = 0x000000;
constexpr std::uint32_t Red = 0x0000FF;
constexpr std::uint32_t Blue = 0xFF0000;

std::int32_t grey(unsigned value)
{
    return static_cast<std::int32_t>(makeColour(value, value, value));
}

static_assert(filterInUse(SampleFilter::Box, 1.0) == SampleFilter::Nearest);
static_assert(filterInUse(SampleFilter::Box, 1.0001) == SampleFilter::Box);
static_assert(filterInUse(SampleFilter::Nearest, 3.0) == SampleFilter::Nearest);

TEST(BoxFilterTest, StepOneOrLessSamplesExactlyAsNearest)
{
    std::mt19937 random(7);
    const test::Picture picture(23, 17, [&random](int, int) { return random() & 0xFFFFFFu; });
    for (const double step : { 0.5, 0.9, 1.0 }) {
        for (const auto& [left, top] : std::vector<std::pair<int, int>> { { 0, 0 }, { -3, -2 }, { 5, 7 }, { 20, 15 } }) {
            const FrameSettings frame { 30, 20, step, left, top };
            EXPECT_EQ(ColourSampler(picture.image(), frame, SampleFilter::Box).filter(), SampleFilter::Nearest);
            EXPECT_EQ(sampleColours(picture.image(), frame, SampleFilter::Box),
                sampleColours(picture.image(), frame, SampleFilter::Nearest))
                << "step " << step << " from (" << left << ", " << top << ")";
        }
    }
}

struct CellCase {
    const char* name;
    std::uint32_t even; // colour of pixels with x + y even
    std::uint32_t odd;
    double step;
    int left;
    int top;
    int column; // the cell checked, centred on (left + step x column, top + step x row)
    int row;
    std::int32_t expected;
};

class CheckerboardTest : public ::testing::TestWithParam<CellCase> { };

TEST_P(CheckerboardTest, CellIsTheAreaWeightedMeanInLinearLight)
{
    const CellCase& cell = GetParam();
    const test::Picture picture(16, 16, [&cell](int x, int y) { return (x + y) % 2 == 0 ? cell.even : cell.odd; });
    const PixelGrid grid = sampleColours(picture.image(), { 4, 4, cell.step, cell.left, cell.top }, SampleFilter::Box);
    EXPECT_EQ(grid(cell.column, cell.row), cell.expected);
}

// Along one axis a cell of step 2 centred on a pixel covers it whole and
// its two neighbours by half: weights 1/4, 1/2, 1/4. Over the checkerboard
// the centre's colour then has 1/4 + 4 x 1/16 = 1/2 of the area, and half
// the light of white is sRGB 187.5 (a plain mean of the bytes would be 128).
INSTANTIATE_TEST_SUITE_P(Cells, CheckerboardTest,
    ::testing::Values(CellCase { "Step2WhiteCentre", White, Black, 2.0, 2, 2, 2, 2, grey(188) },
        CellCase { "Step2BlackCentre", White, Black, 2.0, 3, 2, 2, 2, grey(188) },
        CellCase { "Step2RedAndBlue", Red, Blue, 2.0, 2, 2, 2, 2, makeColour(188, 0, 188) },
        // 3 x 3 whole pixels: 5 of the centre's colour, 4 of the other.
        CellCase { "Step3WhiteCentre", White, Black, 3.0, 2, 2, 2, 2, grey(197) }, // 5/9: 196.56
        CellCase { "Step3BlackCentre", White, Black, 3.0, 3, 2, 2, 2, grey(178) }, // 4/9: 177.86
        // Step 4: weights 1/2, 1, 1, 1, 1/2 give each colour half the area.
        CellCase { "Step4", White, Black, 4.0, 0, 0, 2, 2, grey(188) },
        // Step 1.5 centred on (3, 3): weights 1/4, 1, 1/4, so the centre's
        // colour has (1 x 1 + 1/2 x 1/2) / (1.5 x 1.5) = 5/9 again.
        CellCase { "Step1Point5", White, Black, 1.5, 0, 0, 2, 2, grey(197) }),
    [](const auto& info) { return std::string(info.param.name); });

struct EdgeCase {
    int left;
    std::vector<std::int32_t> expected;
};

class EdgeTest : public ::testing::TestWithParam<EdgeCase> { };

TEST_P(EdgeTest, CellsAcrossAnEdgeTakeTheShareOfLightTheyCover)
{
    // Black for x < 10, white from x = 10: the edge lies at 9.5. Step 2.5
    // cells are 2.5 wide.
    const EdgeCase& edge = GetParam();
    const test::Picture picture(24, 6, [](int x, int) { return x < 10 ? Black : White; });
    const PixelGrid grid = sampleColours(picture.image(), { 4, 1, 2.5, edge.left, 0 }, SampleFilter::Box);
    for (int column = 1; column <= 4; ++column)
        EXPECT_EQ(grid(column, 1), edge.expected[static_cast<std::size_t>(column - 1)]) << "column " << column;
}

INSTANTIATE_TEST_SUITE_P(Centres, EdgeTest,
    ::testing::Values(
        // Centres 4.5, 7, 9.5 (1.25 of 2.5 white: 187.5), 12.
        EdgeCase { 2, { grey(0), grey(0), grey(188), grey(255) } },
        // Centres 6.5, 9 (0.75 of 2.5 white: 0.3 of the light, 148.9), 11.5, 14.
        EdgeCase { 4, { grey(0), grey(149), grey(255), grey(255) } },
        // Centres 7.5, 10 (1.75 of 2.5 white: 0.7 of the light, 217.8), 12.5, 15.
        EdgeCase { 5, { grey(0), grey(218), grey(255), grey(255) } }),
    [](const auto& info) { return "FrameFrom" + std::to_string(info.param.left); });

TEST(BoxFilterTest, AThinBrightLineKeepsItsShareOfTheLight)
{
    // One white column at x = 10; step 3 cells centred on 4, 7, 10 and 13.
    // Nearest keeps the line whole or loses it; the box gives the cell on it
    // a third of the light, sRGB 156.2 (a plain mean of the bytes, 85, would
    // make the line much darker).
    const test::Picture picture(24, 6, [](int x, int) { return x == 10 ? White : Black; });
    const PixelGrid grid = sampleColours(picture.image(), { 4, 1, 3.0, 1, 0 }, SampleFilter::Box);
    EXPECT_EQ(grid, test::gridOf(4, 1, { grey(0), grey(0), grey(156), grey(0) }));
}

TEST(BoxFilterTest, ThePartOfACellOutsideThePictureDoesNotCount)
{
    // Step 4 from (-8, -8): centres -4, 0, 4, ..., 24 on both axes over a
    // 20 x 20 picture (-0.5 to 19.5). The cells at -4 and 24 miss it; those
    // at 0 and 20 cover it in part and read its colour unchanged.
    const std::int32_t colour = makeColour(100, 150, 200);
    const test::Picture flat(20, 20, [colour](int, int) { return static_cast<std::uint32_t>(colour); });
    const PixelGrid grid = sampleColours(flat.image(), { 8, 8, 4.0, -8, -8 }, SampleFilter::Box);
    for (int row = 1; row <= 8; ++row) {
        for (int column = 1; column <= 8; ++column) {
            const bool outside = row == 1 || row == 8 || column == 1 || column == 8;
            EXPECT_EQ(grid(column, row), outside ? OutsideSample : colour) << "column " << column << " row " << row;
        }
    }

    // White column x = 0 only: the cell at 0 covers -0.5..2 of the picture,
    // 1 of its 2.5 white: 0.4 of the light, 169.6. (Counting the outside
    // part as black would give 0.25: 137.)
    const test::Picture edge(20, 20, [](int x, int) { return x == 0 ? White : Black; });
    EXPECT_EQ(sampleColours(edge.image(), { 8, 8, 4.0, -8, -8 }, SampleFilter::Box)(2, 2), grey(170));
}

TEST(BoxFilterTest, FlatPicturesKeepEveryValueExactly)
{
    // Fractional cells, some partly outside: the mean of one colour is that
    // colour, for every channel value. Step 2.7 from (-3, -5): the cells of
    // row 1 (-3.65 to -0.95) miss the picture; the rest cover it at least
    // in part.
    for (unsigned value = 0; value < 256; ++value) {
        const std::int32_t colour = makeColour(value, 255 - value, value / 2);
        const test::Picture picture(40, 40, [colour](int, int) { return static_cast<std::uint32_t>(colour); });
        const PixelGrid grid = sampleColours(picture.image(), { 16, 16, 2.7, -3, -5 }, SampleFilter::Box);
        for (int row = 1; row <= 16; ++row) {
            for (int column = 1; column <= 16; ++column)
                ASSERT_EQ(grid(column, row), row == 1 ? OutsideSample : colour) << "value " << value << " at " << column << ", " << row;
        }
        // Cells of more than seven pixels are summed another way.
        const PixelGrid large = sampleColours(picture.image(), { 4, 4, 9.5, -3, -5 }, SampleFilter::Box);
        for (const std::int32_t sample : large.values())
            ASSERT_EQ(sample, colour) << "value " << value << ", step 9.5";
    }
}

TEST(BoxFilterTest, NearestSamplesTheWindowsPixelsUnreduced)
{
    const test::Picture picture(10, 8, [](int x, int y) { return makeColour(x * 20 + 1, y * 30 + 2, 77); });
    const PixelGrid grid = sampleColours(picture.image(), { 12, 3, 1.0, -1, 5 }, SampleFilter::Nearest);
    for (int column = 1; column <= 12; ++column) {
        const int x = column - 1;
        EXPECT_EQ(grid(column, 1), x < 10 ? static_cast<std::int32_t>(makeColour(x * 20 + 1, 6 * 30 + 2, 77)) : OutsideSample);
        EXPECT_EQ(grid(column, 3), OutsideSample); // y = 8
    }
}

TEST(BoxFilterTest, ReportsRowsAndRefusesSizesOutsideTheLimits)
{
    const test::Picture picture(10, 10, [](int, int) { return Black; });
    for (const SampleFilter filter : AllSampleFilters) {
        std::vector<int> rows;
        sampleColours(picture.image(), { 3, 4, 2.5, 0, 0 }, filter, [&rows](int row, int count) {
            EXPECT_EQ(count, 4);
            rows.push_back(row);
        });
        EXPECT_EQ(rows, (std::vector<int> { 1, 2, 3, 4 }));
        EXPECT_TRUE(sampleColours(picture.image(), { 0, 4, 2.5, 0, 0 }, filter).isEmpty());
        EXPECT_TRUE(sampleColours(picture.image(), { 4, 8193, 2.5, 0, 0 }, filter).isEmpty());
        // No picture at all: every sample reads as outside.
        const PixelGrid nothing = sampleColours(SourceImage {}, { 3, 3, 2.5, 0, 0 }, filter);
        for (const std::int32_t sample : nothing.values())
            EXPECT_EQ(sample, OutsideSample);
    }
}

// A source that holds only part of the picture, from its pixel (left, top),
// samples as the whole picture does: nearest from the pixels the samples
// select, box from a part that holds every pixel the cells cover.
TEST(BoxFilterTest, PartOfThePictureSamplesAsTheWhole)
{
    std::mt19937 random(11);
    const test::Picture picture(40, 30, [&random](int, int) { return random() & 0xFFFFFFu; });
    const SourceImage whole = picture.image();
    const auto part = [&whole](std::int64_t left, std::int64_t top, int width, int height) {
        SourceImage image = whole;
        image.bytes += top * whole.bytesPerLine + left * 4;
        image.width = width;
        image.height = height;
        image.left = left;
        image.top = top;
        return image;
    };
    const struct {
        FrameSettings frame;
        PixelRect boxPart; // holds every pixel a cell covers
    } rows[] = {
        { { 10, 8, 1.5, 3, 2 }, { 2, 1, 30, 20 } },
        { { 12, 9, 2.5, -4, -3 }, { 0, 0, 30, 25 } }, // cells past the top-left corner
        { { 6, 5, 3.0, 25, 17 }, { 25, 17, 15, 13 } }, // cells past the bottom-right corner
    };
    for (const auto& row : rows) {
        const PixelRect selected = sampledRegion(row.frame, whole.width, whole.height);
        ASSERT_FALSE(selected.isEmpty());
        EXPECT_EQ(sampleColours(part(selected.left, selected.top, int(selected.width), int(selected.height)), row.frame,
                      SampleFilter::Nearest),
            sampleColours(whole, row.frame, SampleFilter::Nearest))
            << "step " << row.frame.sampleStep;
        const PixelRect& box = row.boxPart;
        EXPECT_EQ(sampleColours(part(box.left, box.top, int(box.width), int(box.height)), row.frame, SampleFilter::Box),
            sampleColours(whole, row.frame, SampleFilter::Box))
            << "step " << row.frame.sampleStep;
    }
}

TEST(BoxFilterTest, FilterNames)
{
    EXPECT_EQ(sampleFilterName(SampleFilter::Nearest), "nearest");
    EXPECT_EQ(sampleFilterName(SampleFilter::Box), "box");
    EXPECT_EQ(parseSampleFilter("BOX"), SampleFilter::Box);
    EXPECT_EQ(parseSampleFilter("Nearest"), SampleFilter::Nearest);
    EXPECT_EQ(parseSampleFilter("bilinear"), std::nullopt);
    EXPECT_EQ(parseSampleFilter(""), std::nullopt);
}

} // namespace
} // namespace rasterkit
