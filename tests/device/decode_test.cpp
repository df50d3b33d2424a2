// rasterkit_decode.h against the core: every format in both byte orders, read
// by rows, by runs and by both in turn, hands out the core decoder's pixels
// widened to RGB 5:6:5, on sampled pictures and random grids; malformed
// streams and bad arguments get their codes.

#include "devicecheck.h"

#include "../convert/testsupport.h"
#include "convert/reduceframe.h"
#include "convert/encoders.h"
#include "convert/sampling.h"
#include "platform/qtpictures.h"
#include "rasterkit_decode.h"

#include <gtest/gtest.h>

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

// The formats the device decoder reads: the first RK_FORMAT_COUNT.
INSTANTIATE_TEST_SUITE_P(DeviceFormats, DeviceDecodeTest,
    ::testing::ValuesIn(std::span(AllPixelFormats).first(std::size_t(RK_FORMAT_COUNT))),
    [](const auto& info) { return test::formatTestName(info.param); });

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
        const auto little = devicecheck::swapUnits(format, big);
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
        { -1, "00 00", 2, 1, RK_BIG_ENDIAN, RK_ERR_FORMAT, 0 },
        { RK_RGB332, "00 00", 2, 1, 2, RK_ERR_BYTE_ORDER, 0 },
    };
    for (const auto& row : rows) {
        const auto bytes = fromHex(row.bytes);
        rk_decoder decoder;
        std::uint16_t pixels[8];
        EXPECT_EQ(rk_decoder_init(&decoder, bytes.data(), bytes.size(), row.format, static_cast<std::uint16_t>(row.width),
                      static_cast<std::uint16_t>(row.height), row.byteOrder),
            row.code)
            << row.bytes;
        EXPECT_EQ(decoder.position, row.position) << row.bytes;
        EXPECT_EQ(rk_decoder_row(&decoder, pixels), row.code) << row.bytes << ": the first row, or the error again";
    }

    rk_decoder decoder;
    std::uint16_t colour = 0;
    std::uint32_t count = 0;
    EXPECT_EQ(rk_decoder_init(nullptr, valid, sizeof valid, RK_RGB565X8, 2, 2, RK_BIG_ENDIAN), RK_ERR_ARGUMENT);
    EXPECT_EQ(rk_decoder_init(&decoder, nullptr, 6, RK_RGB565X8, 2, 2, RK_BIG_ENDIAN), RK_ERR_ARGUMENT);
    ASSERT_EQ(rk_decoder_init(&decoder, valid, sizeof valid, RK_RGB565X8, 2, 2, RK_BIG_ENDIAN), RK_OK);
    EXPECT_EQ(rk_decoder_row(&decoder, nullptr), RK_ERR_ARGUMENT);
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

TEST(DeviceDecode, EveryResultCodeHasItsOwnText)
{
    std::set<std::string> texts;
    for (int code = RK_ERR_TOO_FEW; code <= RK_DONE; ++code)
        texts.insert(rk_error_text(code));
    EXPECT_EQ(texts.size(), 11u);
    EXPECT_EQ(texts.count(rk_error_text(RK_DONE + 1)), 0u);
    EXPECT_STREQ(rk_error_text(RK_DONE + 1), rk_error_text(RK_ERR_TOO_FEW - 1));
}

} // namespace
} // namespace rasterkit
