// Every format decodes its own output back to the grid it came from, over
// random and structured grids of awkward sizes, and its output size is the
// record width times the number of records the runs need.

#include "testsupport.h"

#include "convert/decoders.h"
#include "convert/encoders.h"

#include <gtest/gtest.h>

#include <bit>

#include <random>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

namespace rasterkit {
namespace {

// Table rows print by their names (found by argument-dependent lookup here).
using rasterkit::PrintTo;

const std::vector<std::pair<int, int>> Sizes {
    { 1, 1 }, { 1, 2 }, { 2, 1 }, { 1, 300 }, { 300, 1 }, { 7, 5 }, { 33, 17 }, { 5, 7 }, { 127, 3 },
    { 255, 2 }, { 3, 85 }, { 64, 64 }, { 131, 9 }, { 8192, 1 }, { 1, 8192 },
};

void expectRoundTrip(PixelFormat format, const PixelGrid& grid, const std::string& what)
{
    const OutputBytes bytes = encode(format, grid);
    ASSERT_EQ(static_cast<std::int64_t>(bytes.size()), test::referenceEncodedSize(format, grid)) << what;
    const DecodeResult decoded = decode(format, bytes, grid.width(), grid.height());
    ASSERT_TRUE(decoded.ok()) << what << ": " << decoded.message();
    ASSERT_EQ(decoded.grid, grid) << what;
}

class RoundTripTest : public ::testing::TestWithParam<PixelFormat> { };

TEST_P(RoundTripTest, RandomGridsComeBackUnchanged)
{
    const PixelFormat format = GetParam();
    for (const auto& [width, height] : Sizes) {
        SCOPED_TRACE(std::to_string(width) + " x " + std::to_string(height));
        std::mt19937 random(static_cast<unsigned>(formatIndex(format) * 100003 + width * 31 + height));
        // No runs, short runs, long runs over a few values, and runs over one value.
        const std::vector<std::pair<int, int>> shapes { { 1, 64 }, { 4, 3 }, { 40, 2 }, { 600, 3 }, { 1, 1 } };
        for (const auto& [maxRun, palette] : shapes) {
            const PixelGrid grid = test::randomGrid(format, width, height, random, maxRun, palette);
            expectRoundTrip(format, grid, "runs up to " + std::to_string(maxRun) + ", " + std::to_string(palette) + " values");
        }
    }
}

TEST_P(RoundTripTest, StructuredGridsComeBackUnchanged)
{
    const PixelFormat format = GetParam();
    const auto& info = formatInfo(format);
    const int limit = info.runLength() ? info.runLimit : 1;
    for (const auto& [width, height] : Sizes) {
        SCOPED_TRACE(std::to_string(width) + " x " + std::to_string(height));
        expectRoundTrip(format, test::noEqualNeighboursGrid(format, width, height), "no equal neighbours");
        expectRoundTrip(format, test::filledGrid(width, height, test::validValue(format, 0xFFFFFFu)), "one value");

        // Runs of exactly L, L + 1 and 2 L laid end to end across rows,
        // alternating two values so each run is maximal.
        const std::int32_t values[2] = { test::validValue(format, 0x00FF00u), test::validValue(format, 0x0000FEu) };
        for (const int runLength : { limit, limit + 1, 2 * limit, limit - 1 > 0 ? limit - 1 : 1 }) {
            PixelGrid grid(width, height);
            std::size_t position = 0;
            for (auto& element : grid.values())
                element = values[(position++ / static_cast<std::size_t>(runLength)) % 2];
            expectRoundTrip(format, grid, "runs of " + std::to_string(runLength));
        }
    }
}

INSTANTIATE_TEST_SUITE_P(AllFormats, RoundTripTest, ::testing::ValuesIn(AllPixelFormats),
    [](const auto& info) { return test::formatTestName(info.param); });

class FullValueRangeTest : public ::testing::TestWithParam<PixelFormat> { };

TEST_P(FullValueRangeTest, EveryValueTheFormatCanHoldComesBackUnchanged)
{
    // Every combination of kept bits (every grey level for "Y 5x3"), one per
    // pixel, in a grid as wide as a display.
    const PixelFormat format = GetParam();
    std::vector<std::int32_t> values;
    const PixelFormatInfo& info = formatInfo(format);
    const std::uint32_t mask = info.reductionMask();
    if (format == PixelFormat::Y5x3) {
        for (int level = 7; level <= 31; ++level)
            values.push_back(level);
    } else if (info.grey()) {
        for (int level = 0; level < (1 << info.channelBits[0]); ++level)
            values.push_back(level);
    } else if (std::popcount(mask) <= 18) {
        // Enumerate the subsets of the mask's bits.
        std::uint32_t subset = 0;
        do {
            values.push_back(static_cast<std::int32_t>(subset));
            subset = (subset - mask) & mask;
        } while (subset != 0);
    } else {
        // Too many to list: 2^18 spread over them, black and white among them.
        for (std::uint32_t index = 0; index < (1u << 18); ++index)
            values.push_back(static_cast<std::int32_t>((index * 2654435761u) & mask));
        values.push_back(static_cast<std::int32_t>(mask));
    }
    if (info.keepsAlpha() && !info.grey()) {
        // Each colour beside an alpha of 1..255, and one transparent pixel.
        for (std::size_t index = 0; index < values.size(); ++index)
            values[index] = static_cast<std::int32_t>(static_cast<std::uint32_t>(values[index]) | ((index % 255 + 1) << 24));
        values.push_back(0);
    }
    const int width = 320;
    const int height = static_cast<int>((values.size() + width - 1) / width);
    values.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), values.front());
    expectRoundTrip(format, test::gridOf(width, height, values), "all values");
}

// An indexed format holds any 5:6:5 colour, 2^N at a time: see palette_test.cpp.
INSTANTIATE_TEST_SUITE_P(FormatsWithoutPalette, FullValueRangeTest, ::testing::ValuesIn(test::formatsWithoutPalette()),
    [](const auto& info) { return test::formatTestName(info.param); });

} // namespace
} // namespace rasterkit
