// The grey level of "Y 5x3" and its preview colour.

#include "testsupport.h"

#include "convert/colour.h"
#include "convert/greylevel.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <string>

namespace rasterkit {
namespace {

// Table rows print by their names (found by argument-dependent lookup here).
using rasterkit::PrintTo;

struct GreyCase {
    const char* name;
    Colour colour;
    int level;
    unsigned previewChannel;
};

class GreyLevelExampleTest : public ::testing::TestWithParam<GreyCase> { };

TEST_P(GreyLevelExampleTest, GivesTheLevelAndItsPreviewGrey)
{
    const auto& row = GetParam();
    const int level = GreyLevel(row.colour);
    EXPECT_EQ(level, row.level);
    EXPECT_EQ(greyPreviewColour(level), makeColour(row.previewChannel, row.previewChannel, row.previewChannel));
}

INSTANTIATE_TEST_SUITE_P(Colours, GreyLevelExampleTest,
    ::testing::Values(
        GreyCase { "Black", makeColour(0, 0, 0), 7, 56 },
        GreyCase { "White", makeColour(255, 255, 255), 31, 248 },
        GreyCase { "OutsideSampleMasked", 0xFFFFFFu, 31, 248 },
        GreyCase { "MidGrey", makeColour(128, 128, 128), 19, 152 },
        GreyCase { "PureRed1493", makeColour(255, 0, 0), 15, 120 },
        GreyCase { "Red16TieToEven", makeColour(16, 0, 0), 8, 64 },    // 7.5
        GreyCase { "Red48TieToEven", makeColour(48, 0, 0), 8, 64 },    // 8.5
        GreyCase { "Red1OnlyBit0", makeColour(1, 0, 0), 7, 56 },
        GreyCase { "AllBit0", makeColour(1, 1, 1), 7, 56 },
        GreyCase { "Green16TieToEven", makeColour(0, 16, 0), 8, 64 },
        GreyCase { "Blue48TieToEven", makeColour(0, 0, 48), 8, 64 },
        GreyCase { "ThreeChannels16", makeColour(16, 16, 16), 8, 64 },  // 8.5
        GreyCase { "Red16Green16", makeColour(16, 16, 0), 8, 64 },      // exactly 8
        GreyCase { "Bits2And1AllChannels", makeColour(6, 6, 6), 8, 64 }, // 7.54
        GreyCase { "HighBitsIgnored", 0xFF000000u, 7, 56 }),
    [](const auto& info) { return std::string(info.param.name); });

// The rule computed independently in double precision: each channel's bits 7
// to 1 weigh 4, 2, 1, 0.5, 0.25, 0.12 and 0.06; 7 is added; the sum is
// rounded to nearest with ties to even.
int referenceGreyLevel(std::uint32_t colour)
{
    static constexpr double weights[8] = { 0.0, 0.06, 0.12, 0.25, 0.5, 1.0, 2.0, 4.0 };
    double sum = 0.0;
    for (int channel = 0; channel < 3; ++channel) {
        const unsigned value = (colour >> (8 * channel)) & 0xFFu;
        for (int bit = 7; bit >= 1; --bit) {
            if (value & (1u << bit))
                sum += weights[bit];
        }
    }
    return static_cast<int>(std::nearbyint(sum + 7.0));
}

TEST(GreyLevelTest, EveryCombinationOfWeightedBitsMatchesTheDoublePrecisionRule)
{
    // Bits 7..1 of the three channels are 21 bits: all 2^21 combinations,
    // with bit 0 of each channel and the top byte set in a changing pattern
    // to show they are ignored.
    std::uint32_t pattern = 0x9E3779B9u;
    int mismatches = 0;
    for (std::uint32_t combination = 0; combination < (1u << 21); ++combination) {
        const std::uint32_t red = (combination & 0x7Fu) << 1;
        const std::uint32_t green = ((combination >> 7) & 0x7Fu) << 1;
        const std::uint32_t blue = ((combination >> 14) & 0x7Fu) << 1;
        pattern = pattern * 1664525u + 1013904223u;
        const std::uint32_t ignored = (pattern & 0xFF010101u);
        const std::uint32_t colour = (red | (green << 8) | (blue << 16)) | ignored;
        const int expected = referenceGreyLevel(colour);
        const int level = GreyLevel(colour);
        if (level != expected && ++mismatches <= 10)
            ADD_FAILURE() << std::hex << "colour 0x" << colour << std::dec << ": " << level << " instead of " << expected;
        if (level < 7 || level > 31)
            FAIL() << "level " << level << " outside 7..31";
    }
    EXPECT_EQ(mismatches, 0);
}

TEST(GreyLevelTest, PreviewIsEightTimesTheLevelOnAllChannels)
{
    for (int level = 7; level <= 31; ++level) {
        const auto grey = static_cast<unsigned>(8 * level);
        EXPECT_EQ(greyPreviewColour(level), makeColour(grey, grey, grey)) << "level " << level;
    }
}

} // namespace
} // namespace rasterkit
