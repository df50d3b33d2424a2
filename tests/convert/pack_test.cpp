// The byte builders: the listed colours, and the exact place of every source
// bit (so that each builder is shown to ignore all bits it does not name).

#include "testsupport.h"

#include "convert/colour.h"
#include "convert/records.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <random>
#include <string>
#include <utility>
#include <vector>

namespace rasterkit {
namespace {

// Table rows print by their names (found by argument-dependent lookup here).
using rasterkit::PrintTo;

struct PlainPackCase {
    const char* name;
    Colour colour;
    std::uint8_t high565;
    std::uint8_t low565;
    std::uint8_t byte332;
};

class PlainPackTest : public ::testing::TestWithParam<PlainPackCase> { };

TEST_P(PlainPackTest, GivesTheListedBytes)
{
    const auto& row = GetParam();
    EXPECT_EQ(Pack565High(row.colour), row.high565);
    EXPECT_EQ(Pack565Low(row.colour), row.low565);
    EXPECT_EQ(Pack332(row.colour), row.byte332);
}

INSTANTIATE_TEST_SUITE_P(Colours, PlainPackTest,
    ::testing::Values(
        PlainPackCase { "White565Masked", 0xF8FCF8u, 0xFF, 0xFF, 0xFF },
        PlainPackCase { "White", makeColour(255, 255, 255), 0xFF, 0xFF, 0xFF },
        PlainPackCase { "White332Masked", 0xC0E0E0u, 0xE7, 0x18, 0xFF },
        PlainPackCase { "Red", makeColour(255, 0, 0), 0xF8, 0x00, 0xE0 },
        PlainPackCase { "Green", makeColour(0, 255, 0), 0x07, 0xE0, 0x1C },
        PlainPackCase { "Blue", makeColour(0, 0, 255), 0x00, 0x1F, 0x03 },
        PlainPackCase { "Black", makeColour(0, 0, 0), 0x00, 0x00, 0x00 },
        PlainPackCase { "Red20Green20Blue40", makeColour(0x20, 0x20, 0x40), 0x21, 0x08, 0x25 },
        // Outside the picture: all 32 bits set, masked or not, packs as white.
        PlainPackCase { "OutsideSample", 0xFFFFFFFFu, 0xFF, 0xFF, 0xFF }),
    [](const auto& info) { return std::string(info.param.name); });

// One builder seen as (colour, run length) -> byte, with the destination bit
// of every colour bit and every run-length bit it uses.
struct BitMapCase {
    const char* name;
    std::function<std::uint8_t(std::uint32_t, std::uint8_t)> build;
    std::vector<std::pair<int, int>> colourBits;    // (colour bit, byte bit)
    std::vector<std::pair<int, int>> runLengthBits; // (run-length bit, byte bit)
};

std::vector<BitMapCase> bitMapCases()
{
    return {
        { "Pack565High", [](std::uint32_t c, std::uint8_t) { return Pack565High(c); },
            { { 7, 7 }, { 6, 6 }, { 5, 5 }, { 4, 4 }, { 3, 3 }, { 15, 2 }, { 14, 1 }, { 13, 0 } }, {} },
        { "Pack565Low", [](std::uint32_t c, std::uint8_t) { return Pack565Low(c); },
            { { 12, 7 }, { 11, 6 }, { 10, 5 }, { 23, 4 }, { 22, 3 }, { 21, 2 }, { 20, 1 }, { 19, 0 } }, {} },
        { "Pack332", [](std::uint32_t c, std::uint8_t) { return Pack332(c); },
            { { 7, 7 }, { 6, 6 }, { 5, 5 }, { 15, 4 }, { 14, 3 }, { 13, 2 }, { 23, 1 }, { 22, 0 } }, {} },
        { "Pack544x3Low", [](std::uint32_t c, std::uint8_t r) { return Pack544x3Low(c, r); },
            { { 12, 7 }, { 23, 6 }, { 22, 5 }, { 21, 4 }, { 20, 3 } }, { { 2, 2 }, { 1, 1 }, { 0, 0 } } },
        { "Pack444High", [](std::uint32_t c, std::uint8_t) { return Pack444High(c); },
            { { 7, 7 }, { 6, 6 }, { 5, 5 }, { 4, 4 }, { 15, 3 }, { 14, 2 }, { 13, 1 }, { 12, 0 } }, {} },
        { "Pack444x4Low", [](std::uint32_t c, std::uint8_t r) { return Pack444x4Low(c, r); },
            { { 23, 7 }, { 22, 6 }, { 21, 5 }, { 20, 4 } }, { { 3, 3 }, { 2, 2 }, { 1, 1 }, { 0, 0 } } },
        { "Pack333x7Low", [](std::uint32_t c, std::uint8_t r) { return Pack333x7Low(c, r); },
            { { 21, 7 } }, { { 6, 6 }, { 5, 5 }, { 4, 4 }, { 3, 3 }, { 2, 2 }, { 1, 1 }, { 0, 0 } } },
        { "PackY5x3", [](std::uint32_t g, std::uint8_t r) { return PackY5x3(g, r); },
            { { 4, 7 }, { 3, 6 }, { 2, 5 }, { 1, 4 }, { 0, 3 } }, { { 2, 2 }, { 1, 1 }, { 0, 0 } } },
    };
}

class PackBitsTest : public ::testing::TestWithParam<BitMapCase> {
protected:
    // The byte the builder must give: the destination bits of all set source bits.
    static std::uint8_t expected(const BitMapCase& row, std::uint32_t colour, std::uint8_t runLength)
    {
        unsigned byte = 0;
        for (const auto& [source, destination] : row.colourBits) {
            if (colour & (1u << source))
                byte |= 1u << destination;
        }
        for (const auto& [source, destination] : row.runLengthBits) {
            if (runLength & (1u << source))
                byte |= 1u << destination;
        }
        return static_cast<std::uint8_t>(byte);
    }
};

TEST_P(PackBitsTest, EachSingleColourBitLandsInItsPlaceOrNowhere)
{
    const auto& row = GetParam();
    for (int bit = 0; bit < 32; ++bit) {
        const std::uint32_t colour = 1u << bit;
        EXPECT_EQ(row.build(colour, 0), expected(row, colour, 0)) << "colour bit " << bit;
    }
}

TEST_P(PackBitsTest, EachSingleRunLengthBitLandsInItsPlaceOrNowhere)
{
    const auto& row = GetParam();
    for (int bit = 0; bit < 8; ++bit) {
        const auto runLength = static_cast<std::uint8_t>(1u << bit);
        EXPECT_EQ(row.build(0, runLength), expected(row, 0, runLength)) << "run-length bit " << bit;
    }
}

TEST_P(PackBitsTest, AnyColourAndRunLengthGiveTheSumOfTheirBits)
{
    const auto& row = GetParam();
    std::mt19937 random(20240611);
    for (int sample = 0; sample < 20000; ++sample) {
        const auto colour = static_cast<std::uint32_t>(random());
        const auto runLength = static_cast<std::uint8_t>(random());
        ASSERT_EQ(row.build(colour, runLength), expected(row, colour, runLength))
            << std::hex << "colour 0x" << colour << " run length 0x" << unsigned(runLength);
    }
    EXPECT_EQ(row.build(0xFFFFFFFFu, 0xFF), expected(row, 0xFFFFFFFFu, 0xFF));
}

INSTANTIATE_TEST_SUITE_P(Builders, PackBitsTest, ::testing::ValuesIn(bitMapCases()),
    [](const auto& info) { return std::string(info.param.name); });

// The record bytes listed for the run-length formats, built from the packers.
struct RecordCase {
    const char* name;
    std::uint8_t byte0;
    std::uint8_t byte1;
    std::uint8_t expected0;
    std::uint8_t expected1;
};

class RecordBytesTest : public ::testing::TestWithParam<RecordCase> { };

TEST_P(RecordBytesTest, MatchesTheListedRecord)
{
    EXPECT_EQ(GetParam().byte0, GetParam().expected0);
    EXPECT_EQ(GetParam().byte1, GetParam().expected1);
}

constexpr Colour Red565 = makeColour(0xF8, 0, 0);
constexpr Colour White544 = makeColour(0xF8, 0xF0, 0xF0);
constexpr Colour Red444 = makeColour(0xF0, 0, 0);
constexpr Colour White444 = makeColour(0xF0, 0xF0, 0xF0);
constexpr Colour Blue333 = makeColour(0, 0, 0xE0);

INSTANTIATE_TEST_SUITE_P(Records, RecordBytesTest,
    ::testing::Values(
        RecordCase { "Red544x3Run3", Pack565High(Red565), Pack544x3Low(Red565, 3), 0xF8, 0x03 },
        RecordCase { "White544x3Run1", Pack565High(White544), Pack544x3Low(White544, 1), 0xFF, 0xF9 },
        RecordCase { "Red544x3Run7", Pack565High(Red565), Pack544x3Low(Red565, 7), 0xF8, 0x07 },
        RecordCase { "Red444x4Run15", Pack444High(Red444), Pack444x4Low(Red444, 15), 0xF0, 0x0F },
        RecordCase { "White444x4Run1", Pack444High(White444), Pack444x4Low(White444, 1), 0xFF, 0xF1 },
        RecordCase { "Blue333x7Run3", Pack332(Blue333), Pack333x7Low(Blue333, 3), 0x03, 0x83 },
        RecordCase { "Blue333x7Run127", Pack332(Blue333), Pack333x7Low(Blue333, 127), 0x03, 0xFF },
        RecordCase { "BlueBit5Clear333x7Run127", Pack332(makeColour(0, 0, 0xC0)),
            Pack333x7Low(makeColour(0, 0, 0xC0), 127), 0x03, 0x7F },
        RecordCase { "Grey7Run1", PackY5x3(7, 1), PackY5x3(7, 7), 0x39, 0x3F },
        RecordCase { "Grey31Run7", PackY5x3(31, 7), PackY5x3(31, 1), 0xFF, 0xF9 },
        RecordCase { "Grey20Run2", PackY5x3(20, 2), PackY5x3(20, 2), 0xA2, 0xA2 }),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace rasterkit
