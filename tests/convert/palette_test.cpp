// The indexed formats' palettes in the core: the quantiser keeps a frame of
// few colours exactly and gives a sorted palette of 5:6:5 colours it maps
// every sample into; the fast nearest search finds what a plain scan finds;
// every dither mode keeps palette colours and stays in the palette; hand-made
// files decode (or are refused) as their layout says; byte order swaps the
// palette's words alone; the test pattern's bars are exact.

#include "testsupport.h"

#include "convert/byteorder.h"
#include "convert/decoders.h"
#include "convert/dither.h"
#include "convert/encoders.h"
#include "convert/palette.h"
#include "convert/pattern.h"
#include "convert/quantise.h"
#include "convert/reduceframe.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>
#include <string>
#include <tuple>
#include <vector>

namespace rasterkit {
namespace {

using rasterkit::PrintTo;
using test::fromHex;
using test::toHex;

// Pictures of sampled colours, 0x00BBGGRR.
PixelGrid stripes(int colours)
{
    // Colours that stay apart in 5:6:5, each a run of a few pixels.
    PixelGrid grid(37, 23);
    std::size_t index = 0;
    for (auto& value : grid.values()) {
        const auto stripe = static_cast<unsigned>((index++ / 5) % static_cast<std::size_t>(colours));
        value = static_cast<std::int32_t>(makeColour(stripe * 8 + 3, 255 - stripe * 4, (stripe * 40) & 0xFF));
    }
    return grid;
}

PixelGrid noise(int)
{
    std::mt19937 random(7);
    PixelGrid grid(45, 31);
    for (auto& value : grid.values())
        value = static_cast<std::int32_t>(random() & 0xFFFFFFu);
    return grid;
}

PixelGrid gradient(int)
{
    PixelGrid grid(64, 20);
    for (int row = 1; row <= grid.height(); ++row) {
        for (int column = 1; column <= grid.width(); ++column)
            grid(column, row) = static_cast<std::int32_t>(makeColour(unsigned(column * 4 - 1), unsigned(row * 12), 90));
    }
    return grid;
}

// Samples outside the picture beside a flat colour.
PixelGrid outsideAndFlat(int)
{
    PixelGrid grid(9, 7);
    for (std::size_t index = 0; index < grid.values().size(); ++index)
        grid.values()[index] = index % 3 == 0 ? OutsideSample : static_cast<std::int32_t>(makeColour(200, 30, 60));
    return grid;
}

struct QuantiseCase {
    const char* name;
    PixelGrid (*picture)(int);
    int colours; // the picture's parameter
};

const QuantiseCase QuantiseCases[] = {
    { "TwoStripes", stripes, 2 },
    { "FourStripes", stripes, 4 },
    { "SixteenStripes", stripes, 16 },
    { "SeventeenStripes", stripes, 17 },
    { "Noise", noise, 0 },
    { "Gradient", gradient, 0 },
    { "OutsideAndFlat", outsideAndFlat, 0 },
};

class QuantiseTest : public testing::TestWithParam<std::tuple<QuantiseCase, PixelFormat>> { };

TEST_P(QuantiseTest, PaletteIsSortedAndExactForFewColours)
{
    const auto& [row, format] = GetParam();
    const PixelGrid samples = row.picture(row.colours);
    const auto entries = static_cast<std::size_t>(formatInfo(format).paletteEntries());
    const Palette own = paletteOfColours(samples.values());
    const Palette palette = paletteForSamples(samples, format, ColourOrder::Rgb);

    ASSERT_FALSE(palette.empty());
    EXPECT_LE(palette.size(), entries);
    for (std::size_t index = 0; index < palette.size(); ++index) {
        EXPECT_EQ(palette[index] & ~Rgb565Mask, 0u) << index;
        if (index > 0) {
            EXPECT_LT(paletteWord(palette[index - 1]), paletteWord(palette[index])) << index;
        }
    }
    // No more colours than the palette holds: all of them, exactly; more:
    // every place used.
    if (own.size() <= entries) {
        EXPECT_EQ(palette, own);
    } else {
        EXPECT_EQ(palette.size(), entries);
    }
    EXPECT_EQ(paletteForSamples(samples, format, ColourOrder::Rgb), palette) << "the same samples, the same palette";

    for (const Dither dither : AllDithers) {
        const PixelGrid reduced = reduceColours(samples, format, dither);
        const std::set<std::int32_t> used(reduced.values().begin(), reduced.values().end());
        for (const std::int32_t value : used)
            EXPECT_NE(std::find(palette.begin(), palette.end(), static_cast<Colour>(value)), palette.end()) << ditherName(dither);
        // The file holds the colours in use, and comes back as they were.
        const OutputBytes bytes = encode(format, reduced);
        const DecodeResult decoded = decode(format, bytes, reduced.width(), reduced.height());
        ASSERT_TRUE(decoded.ok()) << decoded.message();
        EXPECT_EQ(decoded.grid, reduced) << ditherName(dither);
        EXPECT_EQ(decoded.palette.size(), used.size()) << ditherName(dither);
        // Lossless: each sample's own 5:6:5 colour, whatever the mode.
        if (own.size() <= entries) {
            EXPECT_EQ(reduced, reduceColours(samples, PixelFormat::RGB565, Dither::None)) << ditherName(dither);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Pictures, QuantiseTest,
    testing::Combine(testing::ValuesIn(QuantiseCases), testing::ValuesIn(test::indexedFormats())),
    [](const auto& info) {
        return std::string(std::get<0>(info.param).name) + "_" + test::formatTestName(std::get<1>(info.param));
    });

// The palette counts every sample: a colour covering most of the frame gets
// an entry of its own even among many others (given four entries or more:
// two split the noise and the flat colour between them).
TEST(QuantiseTest, AWideFlatAreaKeepsItsColour)
{
    PixelGrid samples = noise(0);
    const auto flat = static_cast<std::int32_t>(makeColour(0x40, 0x80, 0xC0));
    for (std::size_t index = 0; index < samples.values().size() * 3 / 4; ++index)
        samples.values()[index] = flat;
    for (const PixelFormat format : test::indexedFormats()) {
        if (formatInfo(format).paletteEntries() < 4)
            continue;
        const PixelGrid reduced = reduceColours(samples, format, Dither::None);
        EXPECT_EQ(reduced.values().front(), flat & static_cast<std::int32_t>(Rgb565Mask)) << test::formatTestName(format);
    }
}

// The search that reduction and encoding use finds the entry a plain scan
// of the palette finds (nearestEntry: the first of equally near ones), on
// random palettes, duplicates among them, for every 5:6:5 sample of a
// sparse lattice and through reduceColour.
TEST(PaletteMatcherTest, FindsWhatAPlainScanFinds)
{
    std::mt19937 random(11);
    for (const std::size_t size : { 1u, 2u, 3u, 5u, 16u, 40u, 256u }) {
        Palette palette;
        for (std::size_t index = 0; index < size; ++index)
            palette.push_back(static_cast<Colour>(random()) & Rgb565Mask);
        if (size > 2)
            palette[size - 1] = palette[1]; // listed twice: the first one wins
        PaletteMatcher matcher(palette);
        LevelOptions levels;
        levels.palette = palette;
        for (unsigned word = 0; word < (1u << 16); word += 37) {
            const Colour sample = colourOfWord(static_cast<std::uint16_t>(word));
            const std::size_t expected = nearestEntry(palette, sample);
            ASSERT_EQ(matcher.indexOf(sample), expected) << size << " entries, word " << word;
            ASSERT_EQ(reduceColour(PixelFormat::Index8, sample, levels), static_cast<std::int32_t>(palette[expected]));
        }
        // The palette's own colours find themselves.
        for (std::size_t index = 0; index < palette.size(); ++index)
            EXPECT_EQ(palette[matcher.indexOf(palette[index])], palette[index]);
    }
}

// A frame reduced row by row through a palette given is the whole grid
// reduced through it, in every mode, and turning it turns the grid.
TEST(PaletteReductionTest, RowByRowThroughAPaletteGivenIsTheWholeGrid)
{
    const test::Picture picture(40, 30, [](int x, int y) { return makeColour(unsigned(x * 6), unsigned(y * 8), unsigned(x * y) & 0xFFu); });
    const FrameSettings frame { 44, 33, 1.0, -2, -2 };
    const PixelGrid samples = sampleColours(picture.image(), frame, SampleFilter::Nearest);
    for (const PixelFormat format : test::indexedFormats()) {
        LevelOptions levels;
        levels.palette = paletteForSamples(samples, PixelFormat::Index2, ColourOrder::Rgb);
        for (const Dither dither : AllDithers) {
            ReductionRequest request { .frame = frame, .format = format, .dither = dither, .levels = levels };
            ASSERT_EQ(reduceFrame(picture.image(), request), reduceColours(samples, format, dither, levels))
                << test::formatTestName(format) << " " << ditherName(dither);
            request.orientation = { Rotation::Quarter, Mirror::None };
            EXPECT_EQ(reduceFrame(picture.image(), request), orient(reduceColours(samples, format, dither, levels), request.orientation));
        }
        // Without a palette, the one chosen for the frame.
        const ReductionRequest chosen { .frame = frame, .format = format, .dither = Dither::Diffusion };
        EXPECT_EQ(reduceFrame(picture.image(), chosen), reduceColours(samples, format, Dither::Diffusion));
    }
}

// Dithering into a palette brings a flat colour between two palette
// colours to a mix of them, and a palette colour stays put beside it.
TEST(PaletteReductionTest, DitheringMixesTheTwoColoursAroundAFlatOne)
{
    const Palette palette { makeColour(0, 0, 0), makeColour(0x80, 0x80, 0x80) };
    LevelOptions levels;
    levels.palette = palette;
    PixelGrid samples(32, 16);
    for (int row = 1; row <= samples.height(); ++row) {
        for (int column = 1; column <= samples.width(); ++column)
            samples(column, row) = static_cast<std::int32_t>(column <= 8 ? palette[1] : makeColour(0x40, 0x40, 0x40));
    }
    for (const Dither dither : { Dither::Ordered, Dither::Diffusion, Dither::Atkinson }) {
        const PixelGrid reduced = reduceColours(samples, PixelFormat::Index1, dither, levels);
        int grey = 0;
        for (int row = 1; row <= reduced.height(); ++row) {
            for (int column = 1; column <= reduced.width(); ++column) {
                if (column <= 8)
                    ASSERT_EQ(reduced(column, row), static_cast<std::int32_t>(palette[1])) << ditherName(dither);
                else
                    grey += reduced(column, row) == static_cast<std::int32_t>(palette[1]) ? 1 : 0;
            }
        }
        // 0x40 lies half way: about half of the 384 samples go up.
        EXPECT_GT(grey, 384 * 3 / 8) << ditherName(dither);
        EXPECT_LT(grey, 384 * 5 / 8) << ditherName(dither);
    }
}

struct IndexedFileCase {
    const char* name;
    PixelFormat format;
    const char* hex; // the palette part, then the index rows
    int width;
    int height;
    std::vector<Colour> pixels;  // raster order; empty for a refused file
    std::size_t paletteInUse;
    DecodeError error;
    std::size_t offset;
};

constexpr Colour Red = 0x0000F8u;
constexpr Colour Green = 0x00FC00u;
constexpr Colour Blue = 0xF80000u;
constexpr Colour White = 0xF8FCF8u;

const IndexedFileCase IndexedFileCases[] = {
    { "Index1BlackAndWhite", PixelFormat::Index1, "0000 FFFF  A0 50", 3, 2, { White, 0, White, 0, White, 0 }, 2,
        DecodeError::None, 0 },
    { "Index1OneColourPaddingIgnored", PixelFormat::Index1, "F800 0000  1F", 3, 1, { Red, Red, Red }, 1,
        DecodeError::None, 0 },
    { "Index2FourColours", PixelFormat::Index2, "0000 F800 07E0 001F  1B C0", 5, 1, { 0, Red, Green, Blue, Blue }, 4,
        DecodeError::None, 0 },
    { "Index4BlackInTheMiddle", PixelFormat::Index4, "F800 0000 07E0 0000 0000 0000 0000 0000 0000 0000 0000 0000 0000 0000 0000 0000  01 20",
        3, 1, { Red, 0, Green }, 3, DecodeError::None, 0 },
    { "Index4BlackAfterTheLastColour", PixelFormat::Index4, "F800 0000 0000 0000 0000 0000 0000 0000 0000 0000 0000 0000 0000 0000 0000 0000  01",
        2, 1, { Red, 0 }, 2, DecodeError::None, 0 },
    { "Index4PastTheColoursInUse", PixelFormat::Index4, "0000 FFFF 0000 0000 0000 0000 0000 0000 0000 0000 0000 0000 0000 0000 0000 0000  01 03",
        2, 2, {}, 0, DecodeError::PastPalette, 33 },
    { "Index1PaletteOfBlackAlone", PixelFormat::Index1, "0000 0000  40", 2, 1, {}, 0, DecodeError::PastPalette, 4 },
    { "Index2OneByteShort", PixelFormat::Index2, "0000 F800 07E0 001F", 4, 1, {}, 0, DecodeError::WrongLength, 8 },
    { "Index1OneByteLong", PixelFormat::Index1, "0000 FFFF  00 00", 8, 1, {}, 0, DecodeError::WrongLength, 5 },
};

class IndexedFileTest : public testing::TestWithParam<IndexedFileCase> { };

TEST_P(IndexedFileTest, DecodesAsTheLayoutSays)
{
    const IndexedFileCase& row = GetParam();
    const std::vector<std::uint8_t> bytes = fromHex(row.hex);
    const DecodeResult decoded = decode(row.format, bytes, row.width, row.height);
    ASSERT_EQ(decoded.error, row.error) << decoded.message();
    if (!decoded.ok()) {
        EXPECT_EQ(decoded.offset, row.offset);
        EXPECT_TRUE(decoded.grid.isEmpty());
        return;
    }
    EXPECT_EQ(decoded.palette.size(), row.paletteInUse);
    ASSERT_EQ(decoded.grid.values().size(), row.pixels.size());
    for (std::size_t index = 0; index < row.pixels.size(); ++index)
        EXPECT_EQ(static_cast<Colour>(decoded.grid.values()[index]), row.pixels[index]) << index;
    // The index rows alone read the same through the palette, and the grid
    // written through it gives the file back, padding bits 0.
    const std::size_t paletteBytes = static_cast<std::size_t>(formatInfo(row.format).paletteBytes());
    const DecodeResult rows = decodeIndexRows(row.format, std::span(bytes).subspan(paletteBytes), row.width, row.height, decoded.palette);
    ASSERT_TRUE(rows.ok()) << rows.message();
    EXPECT_EQ(rows.grid, decoded.grid);
    const OutputBytes again = encode(row.format, decoded.grid, decoded.palette);
    EXPECT_EQ(again, encode(row.format, decode(row.format, again, row.width, row.height).grid, decoded.palette));
    EXPECT_EQ(again.size(), bytes.size());
    EXPECT_EQ(encodeIndexRows(row.format, decoded.grid, decoded.palette),
        OutputBytes(again.begin() + static_cast<std::ptrdiff_t>(paletteBytes), again.end()));
    EXPECT_EQ(encodePalette(row.format, decoded.palette),
        OutputBytes(again.begin(), again.begin() + static_cast<std::ptrdiff_t>(paletteBytes)));
}

INSTANTIATE_TEST_SUITE_P(Files, IndexedFileTest, testing::ValuesIn(IndexedFileCases),
    [](const auto& info) { return std::string(info.param.name); });

// Little-endian files swap the palette's words, never the index bytes; the
// grid's own palette comes in ascending order of its words.
TEST(IndexedFileTest, ByteOrderSwapsThePaletteAlone)
{
    const PixelGrid grid = test::gridOf(3, 1, { static_cast<std::int32_t>(Blue), static_cast<std::int32_t>(Red),
                                                  static_cast<std::int32_t>(Blue) });
    OutputBytes bytes = encode(PixelFormat::Index2, grid);
    EXPECT_EQ(toHex(bytes), "00 1F F8 00 00 00 00 00 10");
    applyByteOrder(PixelFormat::Index2, bytes, ByteOrder::LittleEndian);
    EXPECT_EQ(toHex(bytes), "1F 00 00 F8 00 00 00 00 10");
    OutputBytes palette = encodePalette(PixelFormat::Index2, Palette { Blue, Red });
    applyByteOrder(PixelFormat::Index2, palette, ByteOrder::LittleEndian);
    EXPECT_EQ(toHex(palette), "1F 00 00 F8 00 00 00 00");
}

// The test pattern's flat colours are palette colours in the formats of 16
// and 256 colours, so its bars and border come out exact; in two colours it
// is the one-bit picture, exactly.
TEST(PatternPaletteTest, FlatColoursAreExact)
{
    for (const PixelFormat format : test::indexedFormats()) {
        const ReductionRequest request { .frame = { 64, 40, 1.0, 0, 0 }, .format = format };
        const PixelGrid grid = testPattern(request);
        const bool twoColours = formatInfo(format).paletteEntries() == 2;
        const std::size_t flatColours = std::min<std::size_t>(6, std::size_t(formatInfo(format).paletteEntries()));
        std::size_t exact = 0;
        for (int row = 1; row <= grid.height(); ++row) {
            for (int column = 1; column <= grid.width(); ++column) {
                const Colour wanted = twoColours ? monoTestPatternColour(column - 1, row - 1, 64, 40)
                                                 : testPatternColour(column - 1, row - 1, 64, 40);
                const Colour reduced = wanted & Rgb565Mask;
                const bool flat = twoColours || reduced == White || reduced == 0 || reduced == Red || reduced == Blue
                    || (flatColours > 4 && reduced == Green) || (flatColours > 5 && reduced == (Red | Green));
                if (flat) {
                    ASSERT_EQ(static_cast<Colour>(grid(column, row)), reduced)
                        << test::formatTestName(format) << " at " << column << ", " << row;
                    ++exact;
                }
            }
        }
        EXPECT_GT(exact, grid.values().size() / 4) << test::formatTestName(format);
    }
}

} // namespace
} // namespace rasterkit
