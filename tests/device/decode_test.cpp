// rasterkit_decode.h against the core: every format in both byte orders, read
// by rows, by runs, by both in turn and by rows with alphas, hands out the
// core decoder's pixels widened to RGB 5:6:5, on sampled pictures and random
// grids; the index and alpha formats hand out what their layouts hold, on
// random files and table rows; malformed streams and bad arguments get their
// codes; blending gives the nearest integer per channel.

#include "devicecheck.h"
#include "oneformat.h"

#include "../convert/testsupport.h"
#include "convert/reduceframe.h"
#include "convert/encoders.h"
#include "convert/sampling.h"
#include "platform/qtpictures.h"
#include "rasterkit_decode.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <span>
#include <set>
#include <string>

namespace rasterkit {
namespace {

using devicecheck::differences;
using test::fromHex;

class DeviceDecodeTest : public ::testing::TestWithParam<PixelFormat> { };

TEST_P(DeviceDecodeTest, SampledPicturesMatchTheCore)
{
    struct Frame {
        const char* picture;
        FrameSettings frame;
    };
    // Inside the picture, reaching past its edges (outside samples hold the
    // mask), scaled, and flat (full runs of every run limit).
    const Frame frames[] = {
        { "photo.jpg", { 176, 132, 1.0, 10, 9 } },
        { "photo.jpg", { 320, 240, 1.0, -20, -5 } },
        { "known.bmp", { 64, 48, 1.0, 0, 0 } },
        { "known.gif", { 37, 29, 1.3, -5, -3 } },
        { "transparent.gif", { 24, 16, 1.0, 0, 0 } },
        { "flat.gif", { 320, 240, 1.0, 0, 0 } },
        { "small.bmp", { 13, 9, 1.0, 0, 0 } },
    };
    const PixelFormat format = GetParam();
    for (const auto& [name, frame] : frames) {
        const PictureLoadResult picture = loadPicture(QStringLiteral(RASTERKIT_TEST_DATA "/") + QString::fromLatin1(name),
            PictureLoadOptions { .otherReader = QtPictureReader }); // BMP and GIF through Qt's readers
        ASSERT_TRUE(picture.ok()) << picture.message().toStdString();
        const PixelGrid grid = reduceFrame(sourceImageOf(picture.image), ReductionRequest { .frame = frame, .format = format });
        EXPECT_EQ(differences(format, encode(format, grid), frame.targetWidth, frame.targetHeight), "")
            << name << " " << frame.targetWidth << " x " << frame.targetHeight;
    }
}

TEST_P(DeviceDecodeTest, RandomGridsAndTheirDamagedFilesMatchTheCore)
{
    const PixelFormat format = GetParam();
    std::mt19937 random(static_cast<unsigned>(formatIndex(format) + 1));
    const int sizes[][2] = { { 1, 1 }, { 1, 9 }, { 9, 1 }, { 7, 5 }, { 300, 2 }, { 2, 300 }, { 33, 17 } };
    const int shapes[][2] = { { 1, 64 }, { 4, 3 }, { 40, 2 }, { 600, 1 } }; // longest run, values
    for (const auto& [width, height] : sizes) {
        for (const auto& [maxRun, palette] : shapes) {
            OutputBytes bytes = encode(format, test::randomGrid(format, width, height, random, maxRun, palette));
            EXPECT_EQ(differences(format, bytes, width, height), "") << width << " x " << height;
            // The same file cut short, with a byte changed, and with a byte added.
            const OutputBytes cut(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(random() % bytes.size()));
            EXPECT_EQ(differences(format, cut, width, height), "") << "cut to " << cut.size();
            bytes[random() % bytes.size()] = static_cast<std::uint8_t>(random());
            EXPECT_EQ(differences(format, bytes, width, height), "") << "changed";
            bytes.push_back(static_cast<std::uint8_t>(random()));
            EXPECT_EQ(differences(format, bytes, width, height), "") << "one byte more";
        }
    }
}

// The formats the core decodes: the window's eight.
INSTANTIATE_TEST_SUITE_P(DeviceFormats, DeviceDecodeTest,
    ::testing::ValuesIn(std::span(devicecheck::DeviceFormats).first(std::size_t(RK_FORMAT_COUNT))),
    [](const auto& info) { return test::formatTestName(info.param); });

// Parameterised by format number: the core's PixelFormat printer knows only
// the formats of its table.
class LayoutFormatTest : public ::testing::TestWithParam<int> { };

// Well-formed files, then each cut short, with a byte changed, with a byte
// added and, for the index formats, with an index past the palette's
// entries in use.
TEST_P(LayoutFormatTest, RandomFilesAndTheirDamagedFormsMatchTheCore)
{
    const auto format = static_cast<PixelFormat>(GetParam());
    const int bits = devicecheck::indexBits(format);
    const std::size_t indicesAt = bits != 0 ? std::size_t(2) << bits : 0;
    std::mt19937 random(static_cast<unsigned>(formatIndex(format)));
    const int sizes[][2] = { { 1, 1 }, { 1, 9 }, { 9, 1 }, { 7, 5 }, { 300, 2 }, { 2, 300 }, { 33, 17 } };
    for (const auto& [width, height] : sizes) {
        for (const int colours : { 1, 2, 3, 16, 200, 256 }) {
            const std::string where = std::to_string(width) + " x " + std::to_string(height) + ", "
                + std::to_string(colours) + " colours";
            OutputBytes bytes = devicecheck::randomLayoutFile(format, width, height, random, colours);
            ASSERT_EQ(devicecheck::coreOutcome(format, bytes, width, height).code, RK_DONE) << where;
            EXPECT_EQ(differences(format, bytes, width, height), "") << where;
            const OutputBytes cut(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(random() % bytes.size()));
            EXPECT_EQ(differences(format, cut, width, height), "") << where << ", cut to " << cut.size();
            OutputBytes longer = bytes;
            longer.push_back(static_cast<std::uint8_t>(random()));
            EXPECT_EQ(differences(format, longer, width, height), "") << where << ", one byte more";
            if (bits != 0 && colours < (1 << bits) - 1) {
                // The last index set to every bit: past the colours in use, a black one included.
                OutputBytes pastPalette = bytes;
                pastPalette.back() = 0xFF;
                EXPECT_EQ(devicecheck::coreOutcome(format, pastPalette, width, height).code, RK_ERR_INDEX) << where;
                EXPECT_EQ(differences(format, pastPalette, width, height), "") << where << ", an index past the palette";
            }
            bytes[random() % bytes.size()] = static_cast<std::uint8_t>(random());
            if (random() % 2 != 0 && indicesAt != 0)
                bytes[random() % indicesAt] = 0; // a palette entry cleared: fewer entries in use
            EXPECT_EQ(differences(format, bytes, width, height), "") << where << ", changed";
        }
    }
}

INSTANTIATE_TEST_SUITE_P(IndexAndAlphaFormats, LayoutFormatTest, ::testing::Range(RK_I1, RK_RGB565A8 + 1),
    [](const auto& info) { return devicecheck::shortName(static_cast<PixelFormat>(info.param)); });

// Files written out byte by byte (big-endian), with the colours and alphas
// they hold, read in both byte orders.
TEST(DeviceDecode, IndexAndAlphaFilesHandOutTheirColoursAndAlphas)
{
    const struct {
        int format, width, height;
        const char* bytes;
        std::vector<std::uint16_t> colours;
        std::vector<std::uint8_t> alphas;
    } rows[] = {
        // red, blue; rows 010 and 111, padding bits 1 (not looked at) and 0
        { RK_I1, 3, 2, "F8 00 00 1F 5F E0", { 0xF800, 0x001F, 0xF800, 0x001F, 0x001F, 0x001F }, {} },
        // black after the last non-zero entry is in use
        { RK_I1, 2, 1, "FF FF 00 00 40", { 0xFFFF, 0x0000 }, {} },
        // white, green, black, unused
        { RK_I2, 2, 2, "FF FF 07 E0 00 00 00 00 80 60", { 0x0000, 0xFFFF, 0x07E0, 0x0000 }, {} },
        { RK_I4, 3, 1, "12 34 AB CD 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 10 10",
            { 0xABCD, 0x1234, 0xABCD }, {} },
        { RK_A8, 3, 1, "00 80 FF", { 0xFFFF, 0xFFFF, 0xFFFF }, { 0x00, 0x80, 0xFF } },
        { RK_RGB565A8, 2, 2, "F8 00 00 00 12 34 FF FF FF 00 80 01", { 0xF800, 0x0000, 0x1234, 0xFFFF },
            { 0xFF, 0x00, 0x80, 0x01 } },
    };
    for (const auto& row : rows) {
        const auto format = static_cast<PixelFormat>(row.format);
        const auto big = fromHex(row.bytes);
        const auto little = devicecheck::swapUnits(format, big, row.width, row.height);
        const std::vector<std::uint8_t> alphas = row.alphas.empty() ? std::vector<std::uint8_t>(row.colours.size(), 255) : row.alphas;
        for (const auto& [order, bytes] : { std::pair { RK_BIG_ENDIAN, big }, std::pair { RK_LITTLE_ENDIAN, little } }) {
            const devicecheck::Outcome outcome = devicecheck::deviceOutcome(devicecheck::Way::AlphaRows, format, bytes,
                row.width, row.height, order);
            EXPECT_EQ(outcome, (devicecheck::Outcome { RK_DONE, 0, row.colours, alphas })) << row.bytes << " in byte order " << order;
        }
        EXPECT_EQ(differences(format, big, row.width, row.height), "") << row.bytes;
    }
    // An all-zero palette: a black picture of entry 0.
    const auto black = devicecheck::indexFile(PixelFormat(RK_I8), {}, { 0, 0 }, 2, 1);
    EXPECT_EQ(devicecheck::deviceOutcome(devicecheck::Way::Rows, PixelFormat(RK_I8), black, 2, 1, RK_BIG_ENDIAN),
        (devicecheck::Outcome { RK_DONE, 0, { 0, 0 }, {} }));
}

// One pixel of each format, with the RGB 5:6:5 value the widening rule gives.
TEST(DeviceDecode, ChannelsAreWidenedByRepeatingTheirBits)
{
    const struct {
        int format;
        const char* bytes;
        std::uint16_t expected;
    } rows[] = {
        { RK_RGB565, "F8 00", 0xF800 }, { RK_RGB565, "FF FF", 0xFFFF }, { RK_RGB565X8, "12 34 01", 0x1234 },
        { RK_RGB544X3, "FF F9", 0xFFFF }, { RK_RGB544X3, "07 81", 0x07E0 }, { RK_RGB544X3, "00 09", 0x0002 },
        { RK_RGB444X4, "FF F1", 0xFFFF }, { RK_RGB444X4, "10 01", 0x1000 }, { RK_RGB444X4, "08 01", 0x0440 },
        { RK_RGB333X7, "FF 81", 0xFFFF }, { RK_RGB333X7, "20 01", 0x2000 }, { RK_RGB333X7, "00 81", 0x0004 },
        { RK_RGB332, "FF", 0xFFFF }, { RK_RGB332, "A0", 0xB000 }, { RK_RGB332, "01", 0x000A },
        { RK_RGB332X8, "1C 01", 0x07E0 }, { RK_RGB332X8, "00 01", 0x0000 },
        { RK_Y5X3, "F9", 0xFFDF }, { RK_Y5X3, "39", 0x39C7 },
    };
    for (const auto& row : rows) {
        const auto format = static_cast<PixelFormat>(row.format);
        const auto big = fromHex(row.bytes);
        const auto little = devicecheck::swapUnits(format, big, 1, 1);
        for (const auto& [order, bytes] : { std::pair { RK_BIG_ENDIAN, big }, std::pair { RK_LITTLE_ENDIAN, little } }) {
            rk_decoder decoder;
            std::uint16_t pixel = 0;
            ASSERT_EQ(rk_decoder_init(&decoder, bytes.data(), bytes.size(), row.format, 1, 1, order), RK_OK) << row.bytes;
            EXPECT_EQ(rk_decoder_row(&decoder, &pixel), RK_OK);
            EXPECT_EQ(pixel, row.expected) << row.bytes << " in byte order " << order;
            EXPECT_EQ(rk_decoder_row(&decoder, &pixel), RK_DONE);
        }
        EXPECT_EQ(differences(format, big, 1, 1), "") << row.bytes;
    }
}

TEST(DeviceDecode, MalformedStreamsAndBadArgumentsGetTheirCodes)
{
    const std::uint8_t valid[] = { 0xF8, 0x00, 0x03, 0xFF, 0xFF, 0x01 }; // "RGB 5:6:5x8", 2 x 2
    const struct {
        int format;
        const char* bytes;
        int width, height, byteOrder;
        int code;
        std::size_t position;
    } rows[] = {
        { RK_RGB565X8, "F8 00 03 FF FF 01", 2, 2, RK_BIG_ENDIAN, RK_OK, 0 },
        { RK_RGB565X8, "F8 00 03 FF FF 00", 2, 2, RK_BIG_ENDIAN, RK_ERR_ZERO_RUN, 3 },
        { RK_RGB565X8, "F8 00 03 FF FF", 2, 2, RK_BIG_ENDIAN, RK_ERR_TRUNCATED, 3 },
        { RK_RGB565X8, "F8 00 03", 2, 2, RK_BIG_ENDIAN, RK_ERR_TOO_FEW, 3 },
        { RK_RGB565X8, "F8 00 03 FF FF 02", 2, 2, RK_BIG_ENDIAN, RK_ERR_TOO_MANY, 3 },
        { RK_RGB565X8, "F8 00 04 FF FF 01", 2, 2, RK_BIG_ENDIAN, RK_ERR_TOO_MANY, 3 }, // the trailing record
        { RK_RGB544X3, "F8 03 FF F9", 2, 2, RK_LITTLE_ENDIAN, RK_ERR_ZERO_RUN, 0 }, // big-endian bytes
        { RK_RGB544X3, "03 F8 F9 FF", 2, 2, RK_LITTLE_ENDIAN, RK_OK, 0 },
        { RK_Y5X3, "FF F9 A2", 5, 2, RK_BIG_ENDIAN, RK_OK, 0 },
        { RK_Y5X3, "", 5, 2, RK_BIG_ENDIAN, RK_ERR_TOO_FEW, 0 },
        { RK_RGB565, "00 00 00", 1, 2, RK_BIG_ENDIAN, RK_ERR_LENGTH, 3 },
        { RK_RGB565, "00 00 00 00 00", 1, 2, RK_BIG_ENDIAN, RK_ERR_LENGTH, 4 },
        { RK_RGB332, "00 00", 2, 1, RK_BIG_ENDIAN, RK_OK, 0 },
        { RK_RGB332, "00 00", 0, 1, RK_BIG_ENDIAN, RK_ERR_SIZE, 0 },
        { RK_RGB332, "00 00", 2, 0, RK_BIG_ENDIAN, RK_ERR_SIZE, 0 },
        { 8, "00 00", 2, 1, RK_BIG_ENDIAN, RK_ERR_FORMAT, 0 },
        { 15, "00 00", 2, 1, RK_BIG_ENDIAN, RK_ERR_FORMAT, 0 },
        { 22, "00 00", 2, 1, RK_BIG_ENDIAN, RK_ERR_FORMAT, 0 },
        { -1, "00 00", 2, 1, RK_BIG_ENDIAN, RK_ERR_FORMAT, 0 },
        // index files: the palette, then the rows; an index past the entries in use
        { RK_I1, "00 00 FF FF 80", 1, 1, RK_BIG_ENDIAN, RK_OK, 4 }, // ready: the rows start at byte 4
        { RK_I1, "00 00 FF FF", 1, 1, RK_BIG_ENDIAN, RK_ERR_LENGTH, 4 },
        { RK_I1, "00 00 FF", 1, 1, RK_BIG_ENDIAN, RK_ERR_LENGTH, 3 },
        { RK_I1, "00 00 FF FF 80 00", 1, 1, RK_BIG_ENDIAN, RK_ERR_LENGTH, 5 },
        { RK_I1, "00 00 00 00 80", 1, 1, RK_BIG_ENDIAN, RK_ERR_INDEX, 4 },
        { RK_I1, "00 00 00 00 00", 1, 1, RK_BIG_ENDIAN, RK_OK, 4 },
        { RK_I2, "FF FF 00 00 00 00 00 00 40 80", 2, 2, RK_BIG_ENDIAN, RK_ERR_INDEX, 9 },
        { RK_I2, "FF FF 00 00 00 00 00 00 40 5F", 2, 2, RK_BIG_ENDIAN, RK_OK, 8 }, // the padding bits are not looked at
        { RK_I2, "00 00 00 00 00 FF 00 00 80 00 00", 1, 3, RK_BIG_ENDIAN, RK_OK, 8 },
        { RK_I2, "00 00 00 00 00 FF 00 00 80 00 C0", 1, 3, RK_BIG_ENDIAN, RK_OK, 8 },
        { RK_I2, "00 00 FF 00 00 00 00 00 80 00 C0", 1, 3, RK_LITTLE_ENDIAN, RK_ERR_INDEX, 10 },
        // alpha files: W x H words and W x H alphas, or the alphas alone
        { RK_RGB565A8, "F8 00 00 00 FF 00", 2, 1, RK_BIG_ENDIAN, RK_OK, 0 },
        { RK_RGB565A8, "F8 00 00 00 FF", 2, 1, RK_BIG_ENDIAN, RK_ERR_LENGTH, 5 },
        { RK_RGB565A8, "F8 00 00 00 FF 00 00", 2, 1, RK_BIG_ENDIAN, RK_ERR_LENGTH, 6 },
        { RK_A8, "00 FF 00", 2, 2, RK_BIG_ENDIAN, RK_ERR_LENGTH, 3 },
        { RK_A8, "00 FF 00 80", 2, 2, RK_LITTLE_ENDIAN, RK_OK, 0 },
        { RK_RGB332, "00 00", 2, 1, 2, RK_ERR_BYTE_ORDER, 0 },
    };
    for (const auto& row : rows) {
        const auto bytes = fromHex(row.bytes);
        rk_decoder decoder;
        std::uint16_t pixels[8];
        std::uint8_t alphas[8];
        EXPECT_EQ(rk_decoder_init(&decoder, bytes.data(), bytes.size(), row.format, static_cast<std::uint16_t>(row.width),
                      static_cast<std::uint16_t>(row.height), row.byteOrder),
            row.code)
            << row.bytes;
        EXPECT_EQ(decoder.position, row.position) << row.bytes;
        EXPECT_EQ(rk_decoder_row_alpha(&decoder, pixels, alphas), row.code) << row.bytes << ": the first row, or the error again";
    }

    rk_decoder decoder;
    std::uint16_t colour = 0;
    std::uint32_t count = 0;
    EXPECT_EQ(rk_decoder_init(nullptr, valid, sizeof valid, RK_RGB565X8, 2, 2, RK_BIG_ENDIAN), RK_ERR_ARGUMENT);
    EXPECT_EQ(rk_decoder_init(&decoder, nullptr, 6, RK_RGB565X8, 2, 2, RK_BIG_ENDIAN), RK_ERR_ARGUMENT);
    ASSERT_EQ(rk_decoder_init(&decoder, valid, sizeof valid, RK_RGB565X8, 2, 2, RK_BIG_ENDIAN), RK_OK);
    EXPECT_EQ(rk_decoder_row(&decoder, nullptr), RK_ERR_ARGUMENT);
    std::uint16_t colours[2];
    EXPECT_EQ(rk_decoder_row_alpha(&decoder, colours, nullptr), RK_ERR_ARGUMENT);
    EXPECT_EQ(rk_decoder_row_alpha(nullptr, colours, nullptr), RK_ERR_ARGUMENT);
    EXPECT_EQ(rk_decoder_run(&decoder, nullptr, &count), RK_ERR_ARGUMENT);
    EXPECT_EQ(rk_decoder_run(&decoder, &colour, nullptr), RK_ERR_ARGUMENT);
    EXPECT_EQ(rk_decoder_run(nullptr, &colour, &count), RK_ERR_ARGUMENT);
    // Nothing was consumed by the refused calls.
    EXPECT_EQ(rk_decoder_run(&decoder, &colour, &count), RK_OK);
    EXPECT_EQ(colour, 0xF800);
    EXPECT_EQ(count, 3u);
}

TEST(DeviceDecode, ARowAfterRunsFillsTheRestOfItsRow)
{
    // "RGB 3:3:2x8", 4 x 2: 0xE0 x 3, 0x03 x 3, 0xFF x 2.
    const auto bytes = fromHex("E0 03 03 03 FF 02");
    rk_decoder decoder;
    std::uint16_t colour = 0, row[4] = { 1, 1, 1, 1 };
    std::uint32_t count = 0;
    ASSERT_EQ(rk_decoder_init(&decoder, bytes.data(), bytes.size(), RK_RGB332X8, 4, 2, RK_BIG_ENDIAN), RK_OK);
    ASSERT_EQ(rk_decoder_run(&decoder, &colour, &count), RK_OK);
    EXPECT_EQ(rk_decoder_row(&decoder, row), RK_OK);
    EXPECT_EQ(std::vector<std::uint16_t>(row, row + 4), (std::vector<std::uint16_t> { 1, 1, 1, 0x001F }));
    EXPECT_EQ(rk_decoder_run(&decoder, &colour, &count), RK_OK); // the rest of the blue record
    EXPECT_EQ(count, 2u);
    EXPECT_EQ(rk_decoder_row(&decoder, row), RK_OK);
    EXPECT_EQ(std::vector<std::uint16_t>(row, row + 4), (std::vector<std::uint16_t> { 1, 1, 0xFFFF, 0xFFFF }));
    EXPECT_EQ(rk_decoder_run(&decoder, &colour, &count), RK_DONE);
    EXPECT_EQ(rk_decoder_row(&decoder, row), RK_DONE);
}

// A firmware that compiles in one format: it reads that format as the whole
// header does, and refuses every other.
TEST(DeviceDecode, ADecoderBuiltForOneFormatReadsItAlone)
{
    const struct {
        PixelFormat only;
        devicecheck::ReadAlone read;
    } builds[] = { { PixelFormat::RGB565x8, devicecheck::readAlone1 }, { PixelFormat(RK_I4), devicecheck::readAlone18 },
        { PixelFormat(RK_RGB565A8), devicecheck::readAlone21 } };
    std::mt19937 random(17);
    for (const auto& [only, read] : builds) {
        for (const PixelFormat format : devicecheck::DeviceFormats) {
            const int width = 1 + static_cast<int>(random() % 40), height = 1 + static_cast<int>(random() % 20);
            OutputBytes bytes = devicecheck::isLayoutFormat(format)
                ? devicecheck::randomLayoutFile(format, width, height, random, 1 + static_cast<int>(random() % 16))
                : encode(format, test::randomGrid(format, width, height, random, 8, 12));
            for (const int order : { RK_BIG_ENDIAN, RK_LITTLE_ENDIAN }) {
                const devicecheck::Outcome whole = devicecheck::deviceOutcome(devicecheck::Way::AlphaRows, format, bytes, width, height, order);
                const devicecheck::Outcome alone = read(format, bytes, width, height, order);
                if (format == only)
                    EXPECT_EQ(alone, whole) << devicecheck::shortName(format) << " in byte order " << order;
                else
                    EXPECT_EQ(alone.code, RK_ERR_FORMAT) << devicecheck::shortName(format) << " read by " << devicecheck::shortName(only);
            }
            if (format == only) { // and damaged
                bytes[random() % bytes.size()] ^= 0xA5;
                bytes.pop_back();
                EXPECT_EQ(read(format, bytes, width, height, RK_BIG_ENDIAN),
                    devicecheck::deviceOutcome(devicecheck::Way::AlphaRows, format, bytes, width, height, RK_BIG_ENDIAN));
            }
        }
    }
}

// Every channel value over every other at every alpha: the nearest integer
// to the exact blend, whatever the other channels hold.
TEST(DeviceDecode, BlendingGivesTheNearestIntegerPerChannel)
{
    const struct {
        int shift, levels;
    } channels[] = { { 11, 32 }, { 5, 64 }, { 0, 32 } };
    for (const auto& [shift, levels] : channels) {
        std::vector<std::uint16_t> sources, backgrounds, expected;
        std::vector<std::uint8_t> alphas;
        for (int source = 0; source < levels; ++source) {
            for (int background = 0; background < levels; ++background) {
                for (int alpha = 0; alpha <= 255; ++alpha) {
                    const double exact = (source * alpha + background * (255 - alpha)) / 255.0;
                    const auto nearest = static_cast<std::uint16_t>(std::lround(exact) << shift);
                    const auto others = static_cast<std::uint16_t>(~((levels - 1) << shift) & (alpha * 0x0101));
                    sources.push_back(static_cast<std::uint16_t>(source << shift | others));
                    backgrounds.push_back(static_cast<std::uint16_t>(background << shift | others));
                    alphas.push_back(static_cast<std::uint8_t>(alpha));
                    expected.push_back(static_cast<std::uint16_t>(nearest | others));
                }
            }
        }
        rk_blend_row(backgrounds.data(), sources.data(), alphas.data(), alphas.size());
        EXPECT_EQ(backgrounds, expected) << "the channel at bit " << shift;
    }
    // White over black at half, a row blended onto itself, and no pixels.
    std::uint16_t row[] = { 0x0000, 0x1234, 0xFFFF };
    const std::uint16_t white[] = { 0xFFFF, 0xFFFF, 0xFFFF };
    const std::uint8_t alphas[] = { 128, 0, 255 };
    rk_blend_row(row, white, alphas, 3);
    EXPECT_EQ(std::vector<std::uint16_t>(row, row + 3), (std::vector<std::uint16_t> { 0x8410, 0x1234, 0xFFFF }));
    rk_blend_row(row, row, alphas, 3);
    EXPECT_EQ(std::vector<std::uint16_t>(row, row + 3), (std::vector<std::uint16_t> { 0x8410, 0x1234, 0xFFFF }));
    rk_blend_row(row, nullptr, nullptr, 0);
}

TEST(DeviceDecode, EveryResultCodeHasItsOwnText)
{
    std::set<std::string> texts;
    for (int code = RK_ERR_TRAILING; code <= RK_DONE; ++code)
        texts.insert(rk_error_text(code));
    EXPECT_EQ(texts.size(), 19u);
    EXPECT_EQ(texts.count(rk_error_text(RK_DONE + 1)), 0u);
    EXPECT_STREQ(rk_error_text(RK_DONE + 1), rk_error_text(RK_ERR_TRAILING - 1));
}

} // namespace
} // namespace rasterkit
