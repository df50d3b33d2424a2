// Reducing sampled colours to a format with and without dithering: the
// default is the window's sampler byte for byte; dithered values are always
// one of the two levels around the sample, flat colours the format carries
// stay flat, areas average out to their colour, and diffusion's error stays
// within its bound.

#include "testsupport.h"

#include "convert/boxfilter.h"
#include "convert/colour.h"
#include "convert/decoders.h"
#include "convert/dither.h"
#include "convert/encoders.h"
#include "convert/greylevel.h"
#include "convert/quantise.h"
#include "convert/reduceframe.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>
#include <vector>

namespace rasterkit {
namespace {

using rasterkit::PrintTo;

constexpr Dither Dithering[] = { Dither::Ordered, Dither::Diffusion, Dither::Atkinson };
// Atkinson's diffusion drops a quarter of each error, so only these two keep
// an area's mean.
constexpr Dither MeanKeeping[] = { Dither::Ordered, Dither::Diffusion };

bool lumaLevels(PixelFormat format)
{
    const Reduction reduction = formatInfo(format).reduction;
    return reduction == Reduction::Luma || reduction == Reduction::Threshold;
}

// The top level of a luma or mono format.
int topLevel(PixelFormat format)
{
    return (1 << formatInfo(format).channelBits[0]) - 1;
}

// A grey the luma or mono format carries exactly, two thirds of the way up.
std::uint32_t exactLumaGrey(PixelFormat format)
{
    const int top = topLevel(format);
    const unsigned value = static_cast<unsigned>((2 * top + 1) / 3 * 255 / top);
    return makeColour(value, value, value);
}

// One channel of a sample as the format sees it, in the units of the
// reduced grid (channel value, or grey level): the value it stands for,
// clamped to the top level, and the level just below it and the step up.
struct ChannelLevels {
    double target;
    int below;
    int step;
};

int channelCount(PixelFormat format)
{
    return formatInfo(format).grey() ? 1 : 3;
}

ChannelLevels channelLevels(PixelFormat format, std::uint32_t colour, int channel)
{
    if (lumaLevels(format)) {
        // Luma (299 R + 587 G + 114 B + 500) / 1000 on a scale of the format's levels.
        const int luma = static_cast<int>((299 * redOf(colour) + 587 * greenOf(colour) + 114 * blueOf(colour) + 500) / 1000);
        const double target = luma * topLevel(format) / 255.0;
        return { target, static_cast<int>(std::floor(target)), 1 };
    }
    if (format == PixelFormat::Y5x3) {
        const int hundredths = 700 + detail::ChannelHundredths[redOf(colour)] + detail::ChannelHundredths[greenOf(colour)]
            + detail::ChannelHundredths[blueOf(colour)];
        // The last step, 30 to the largest sum 30.79, stands for 30 to 31.
        const double target = hundredths < 3000 ? hundredths / 100.0 : 30 + (hundredths - 3000) / 79.0;
        return { target, static_cast<int>(std::floor(target)), 1 };
    }
    const int kept = static_cast<int>((formatInfo(format).reductionMask() >> (8 * channel)) & 0xFFu);
    const int value = static_cast<int>((colour >> (8 * channel)) & 0xFFu);
    return { static_cast<double>(std::min(value, kept)), value & kept, 256 - kept };
}

int channelOf(PixelFormat format, std::int32_t reduced, int channel)
{
    return formatInfo(format).grey() ? reduced : static_cast<int>((static_cast<std::uint32_t>(reduced) >> (8 * channel)) & 0xFFu);
}

test::Picture noisePicture(int width, int height, unsigned seed)
{
    std::mt19937 random(seed);
    return test::Picture(width, height, [&random](int, int) { return random() & 0xFFFFFFu; });
}

Colour gradientColour(int x, int y)
{
    return makeColour(static_cast<unsigned>(x * 3 + y), static_cast<unsigned>(255 - y * 2), static_cast<unsigned>((x * y) / 16));
}

test::Picture gradientPicture(int width, int height)
{
    return test::Picture(width, height, gradientColour);
}

class DefaultReductionTest : public ::testing::TestWithParam<PixelFormat> { };

// The frame reduced row by row, as the window and convert reduce it, is the
// sampled colours reduced as a whole, as compare reduces them; without
// dithering each sample is reduced on its own.
TEST_P(DefaultReductionTest, RowByRowIsTheWholeGridAndNoDitheringIsEachSampleOnItsOwn)
{
    const PixelFormat format = GetParam();
    const test::Picture picture = noisePicture(30, 24, 11);
    const FrameSettings frames[] = { { 30, 24, 1.0, -1, -1 }, { 40, 30, 1.0, -5, -3 }, { 17, 13, 1.5, 0, 0 },
        { 9, 7, 3.3, -2, 1 }, { 12, 10, 2.7, -20, -20 }, { 5, 5, 1.1, 25, 20 } };
    for (const FrameSettings& frame : frames) {
        SCOPED_TRACE(test::frameTestName(frame));
        for (const SampleFilter filter : AllSampleFilters) {
            const PixelGrid colours = sampleColours(picture.image(), frame, filter);
            for (const Dither dither : AllDithers) {
                const PixelGrid reduced = reduceFrame(picture.image(), { frame, format, filter, dither });
                ASSERT_EQ(reduced, reduceColours(colours, format, dither)) << ditherName(dither);
                if (dither != Dither::None)
                    continue;
                // An indexed format: each sample's nearest colour in the palette chosen for them all.
                LevelOptions levels;
                if (formatInfo(format).paletteEntries() > 0)
                    levels.palette = paletteForSamples(colours, format, ColourOrder::Rgb);
                for (std::size_t index = 0; index < colours.values().size(); ++index)
                    ASSERT_EQ(reduced.values()[index], reduceColour(format, static_cast<Colour>(colours.values()[index]), levels));
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Formats, DefaultReductionTest, ::testing::ValuesIn(AllPixelFormats),
    [](const auto& info) { return test::formatTestName(info.param); });

class DitherTest : public ::testing::TestWithParam<PixelFormat> { };

TEST_P(DitherTest, FlatColoursTheFormatCarriesStayFlat)
{
    const PixelFormat format = GetParam();
    const std::uint32_t mask = formatInfo(format).reductionMask();
    std::vector<std::uint32_t> colours;
    if (format == PixelFormat::Y5x3) {
        // Sums of whole levels: black 7, 9.00, 19.00; white and those that
        // sum as white (bit 0 is ignored) are the top level 31.
        colours = { 0x000000, 0x010101, 0x000040, 0x808080, 0xFFFFFF, 0xFEFEFE };
    } else if (lumaLevels(format)) {
        // Every level's grey.
        for (int level = 0; level <= topLevel(format); ++level) {
            const auto value = static_cast<unsigned>(level * 255 / topLevel(format));
            colours.push_back(makeColour(value, value, value));
        }
    } else {
        // Levels of every channel, and values above the top level, which
        // stay at it.
        colours = { 0x000000, mask, 0xFFFFFF, mask & 0x808080, mask & 0x00FF40 };
        std::mt19937 random(static_cast<unsigned>(formatIndex(format)));
        for (int count = 0; count < 20; ++count)
            colours.push_back(random() & mask);
    }
    for (const std::uint32_t colour : colours) {
        const test::Picture picture(20, 15, [colour](int, int) { return colour; });
        // The frame reaches past the picture on every side.
        const PixelGrid samples = sampleColours(picture.image(), { 24, 18, 1.0, -2, -2 }, SampleFilter::Nearest);
        const PixelGrid plain = reduceColours(samples, format, Dither::None);
        for (const Dither dither : Dithering)
            ASSERT_EQ(reduceColours(samples, format, dither), plain) << ditherName(dither) << " " << std::hex << colour;
    }
}

TEST_P(DitherTest, AnAreaOnALevelBesideAGradientStaysFlat)
{
    // Left half a gradient, right half a colour the format carries exactly:
    // error diffused from the gradient must not make noise in it.
    const PixelFormat format = GetParam();
    const std::uint32_t exact = format == PixelFormat::Y5x3 ? 0x808080
        : lumaLevels(format)                                  ? exactLumaGrey(format)
                                                              : formatInfo(format).reductionMask() & 0x406080;
    const test::Picture picture(64, 40, [&](int x, int y) { return x >= 32 ? exact : gradientColour(x, y); });
    const PixelGrid samples = sampleColours(picture.image(), { 64, 40, 1.0, -1, -1 }, SampleFilter::Nearest);
    const std::int32_t level = reduceColours(test::filledGrid(1, 1, static_cast<std::int32_t>(exact)), format, Dither::None)(1, 1);
    for (const Dither dither : Dithering) {
        const PixelGrid reduced = reduceColours(samples, format, dither);
        for (int row = 1; row <= 40; ++row) {
            for (int column = 33; column <= 64; ++column)
                ASSERT_EQ(reduced(column, row), level) << ditherName(dither) << " column " << column << " row " << row;
        }
    }
}

TEST_P(DitherTest, EveryValueIsALevelAroundItsSampleAndRoundTrips)
{
    const PixelFormat format = GetParam();
    // Beside a colour, an opaque sample's alpha.
    const std::uint32_t mask = formatInfo(format).reductionMask() | (formatInfo(format).keepsAlpha() ? 0xFF000000u : 0u);
    for (const test::Picture& picture : { noisePicture(61, 37, 5), gradientPicture(61, 37) }) {
        // Partly outside the picture: those samples are reduced as without dithering.
        const PixelGrid samples = sampleColours(picture.image(), { 67, 41, 1.0, -3, -2 }, SampleFilter::Nearest);
        const PixelGrid plain = reduceColours(samples, format, Dither::None);
        for (const Dither dither : Dithering) {
            SCOPED_TRACE(std::string(ditherName(dither)));
            const PixelGrid reduced = reduceColours(samples, format, dither);
            for (std::size_t index = 0; index < samples.values().size(); ++index) {
                const std::int32_t sample = samples.values()[index];
                const std::int32_t value = reduced.values()[index];
                if (sample == OutsideSample) {
                    ASSERT_EQ(value, plain.values()[index]);
                    continue;
                }
                if (format == PixelFormat::Y5x3)
                    ASSERT_TRUE(value >= 7 && value <= 31) << value;
                else if (lumaLevels(format))
                    ASSERT_TRUE(value >= 0 && value <= topLevel(format)) << value;
                else
                    ASSERT_EQ(static_cast<std::uint32_t>(value) & ~mask, 0u) << std::hex << value;
                for (int channel = 0; channel < channelCount(format); ++channel) {
                    const ChannelLevels levels = channelLevels(format, static_cast<std::uint32_t>(sample), channel);
                    const int got = channelOf(format, value, channel);
                    const bool onLevel = levels.target == levels.below;
                    ASSERT_TRUE(got == levels.below || (!onLevel && got == levels.below + levels.step))
                        << "sample " << std::hex << sample << " channel " << channel << " gave " << std::dec << got;
                }
            }
            const OutputBytes bytes = encode(format, reduced);
            const DecodeResult decoded = decode(format, bytes, reduced.width(), reduced.height());
            ASSERT_TRUE(decoded.ok()) << decoded.message();
            ASSERT_EQ(decoded.grid, reduced);
        }
    }
}

TEST_P(DitherTest, AFlatColourBetweenLevelsAveragesToItWithinAQuarterStep)
{
    const PixelFormat format = GetParam();
    std::vector<std::uint32_t> colours;
    if (format == PixelFormat::Y5x3) {
        // Sums 7.25, 7.5, 11.25, 25.75, and 30.61 in the stretched last step.
        colours = { 0x000008, 0x000010, 0x000088, 0xC8C8C8, 0xFCFCFC };
    } else if (lumaLevels(format)) {
        // Greys a quarter, a half and three quarters of a step above the
        // lowest level, and the same above the top level but one.
        const double step = 255.0 / topLevel(format);
        for (const int base : { 0, topLevel(format) - 1 }) {
            for (const int quarters : { 1, 2, 3 }) {
                const auto value = static_cast<unsigned>(std::lround((base + quarters / 4.0) * step));
                colours.push_back(makeColour(value, value, value));
            }
        }
    } else {
        // Each channel a quarter, a half or three quarters of its step above
        // a level, and one channel above the top level.
        for (const int quarters : { 1, 2, 3 }) {
            std::uint32_t colour = 0;
            for (int channel = 0; channel < 3; ++channel) {
                const unsigned step = 256 - ((formatInfo(format).reductionMask() >> (8 * channel)) & 0xFFu);
                colour |= (64 + step * static_cast<unsigned>((quarters + channel) % 3 + 1) / 4) << (8 * channel);
            }
            colours.push_back(colour);
        }
        colours.push_back(0xFE4020);
    }
    constexpr int Size = 128;
    for (const std::uint32_t colour : colours) {
        const PixelGrid samples = test::filledGrid(Size, Size, static_cast<std::int32_t>(colour));
        for (const Dither dither : MeanKeeping) {
            const PixelGrid reduced = reduceColours(samples, format, dither);
            for (int channel = 0; channel < channelCount(format); ++channel) {
                const ChannelLevels levels = channelLevels(format, colour, channel);
                double sum = 0;
                for (const std::int32_t value : reduced.values())
                    sum += channelOf(format, value, channel);
                EXPECT_NEAR(sum / (Size * Size), levels.target, levels.step / 4.0)
                    << ditherName(dither) << " colour " << std::hex << colour << " channel " << channel;
            }
        }
    }
}

TEST_P(DitherTest, DiffusionErrorOverAnyBlockStaysWithinItsBound)
{
    // What a block of 16 x 16 samples gains or loses against its colours is
    // only the error that crosses its border, each part under half a step:
    // at most (60 + 50) half steps, under a quarter step a sample.
    const PixelFormat format = GetParam();
    for (const test::Picture& picture : { noisePicture(96, 80, 3), gradientPicture(96, 80) }) {
        const PixelGrid samples = sampleColours(picture.image(), { 96, 80, 1.0, -1, -1 }, SampleFilter::Nearest);
        const PixelGrid reduced = reduceColours(samples, format, Dither::Diffusion);
        for (int top = 1; top <= 80; top += 16) {
            for (int left = 1; left <= 96; left += 16) {
                for (int channel = 0; channel < channelCount(format); ++channel) {
                    double error = 0;
                    int step = 1;
                    for (int row = top; row < top + 16; ++row) {
                        for (int column = left; column < left + 16; ++column) {
                            const ChannelLevels levels = channelLevels(format, static_cast<std::uint32_t>(samples(column, row)), channel);
                            error += channelOf(format, reduced(column, row), channel) - levels.target;
                            step = levels.step;
                        }
                    }
                    ASSERT_LE(std::abs(error) / 256, step / 4.0) << "block at (" << left << ", " << top << ") channel " << channel;
                }
            }
        }
    }
}

// The levels of these rules are a format's own: an indexed format's are its
// palette's (palette_test.cpp), and "A 8" keeps neither a colour nor a grey
// and is not dithered.
std::vector<PixelFormat> ditheredFormats()
{
    std::vector<PixelFormat> formats;
    for (const PixelFormat format : test::formatsWithoutPalette()) {
        if (formatInfo(format).reduction != Reduction::Alpha)
            formats.push_back(format);
    }
    return formats;
}

INSTANTIATE_TEST_SUITE_P(AllFormats, DitherTest, ::testing::ValuesIn(ditheredFormats()),
    [](const auto& info) { return test::formatTestName(info.param); });

TEST(OrderedDitherTest, HalfAStepGoesUpAtHalfOfEveryEightByEightTile)
{
    // Red 68 in "RGB 5:6:5" is half way from 64 to 72.
    const PixelGrid reduced = reduceColours(test::filledGrid(24, 16, 68), PixelFormat::RGB565, Dither::Ordered);
    for (int top = 1; top <= 16; top += 8) {
        for (int left = 1; left <= 24; left += 8) {
            int up = 0;
            for (int row = top; row < top + 8; ++row) {
                for (int column = left; column < left + 8; ++column) {
                    ASSERT_TRUE(reduced(column, row) == 64 || reduced(column, row) == 72);
                    up += reduced(column, row) == 72 ? 1 : 0;
                }
            }
            EXPECT_EQ(up, 32);
        }
    }
    // The pattern is the same in every tile, and neighbours differ.
    EXPECT_EQ(reduced(1, 1), reduced(9, 9));
    EXPECT_NE(reduced(1, 1), reduced(2, 1));
}

TEST(DitherNamesTest, NamesAndParsing)
{
    EXPECT_EQ(ditherName(Dither::None), "none");
    EXPECT_EQ(ditherName(Dither::Ordered), "ordered");
    EXPECT_EQ(ditherName(Dither::Diffusion), "diffusion");
    EXPECT_EQ(ditherName(Dither::Atkinson), "atkinson");
    for (const Dither dither : AllDithers)
        EXPECT_EQ(parseDither(ditherName(dither)), dither);
    EXPECT_EQ(parseDither("Diffusion"), Dither::Diffusion);
    EXPECT_EQ(parseDither("floyd"), std::nullopt);
    EXPECT_EQ(parseDither(""), std::nullopt);
}

} // namespace
} // namespace rasterkit
