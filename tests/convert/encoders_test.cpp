// The eight encoders: listed pictures byte for byte, one-colour and
// no-repeat pictures at 320 x 240 with their reports, random pictures against
// the reference encoder, and progress reporting.

#include "testsupport.h"

#include "convert/colour.h"
#include "convert/encoders.h"
#include "convert/report.h"

#include <gtest/gtest.h>

#include <random>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

namespace rasterkit {
namespace {

// Table rows print by their names (found by argument-dependent lookup here).
using rasterkit::PrintTo;

using test::fromHex;
using test::gridOf;
using test::toHex;

// The four-line compression report, written out for the expected values.
std::string expectedCompressionReport(const std::string& uncompressed, const std::string& compressed,
    const std::string& ratio)
{
    return "Результат компрессии:\r\nБез сжатия:  " + uncompressed + " байт\r\nПосле сжатия: " + compressed
        + "\r\nCжато в: " + ratio + " раза\r\n";
}

std::string expectedPlainReport(const std::string& size)
{
    return "Конвертирование завершено.\r\nРазмер файла : " + size;
}

struct ExampleCase {
    const char* name;
    PixelFormat format;
    int width;
    int height;
    std::vector<std::int32_t> values; // raster order
    const char* bytes;
    const char* report; // "N M R" for the compression report, or nullptr for the plain report
};

constexpr std::int32_t rgb(unsigned red, unsigned green, unsigned blue)
{
    return static_cast<std::int32_t>(makeColour(red, green, blue));
}

const std::int32_t Red565 = rgb(0xF8, 0, 0);
const std::int32_t White565 = rgb(0xF8, 0xFC, 0xF8);
const std::int32_t Green565 = rgb(0, 0xFC, 0);
const std::int32_t Blue565 = rgb(0, 0, 0xF8);
const std::int32_t White544 = rgb(0xF8, 0xF0, 0xF0);
const std::int32_t Red444 = rgb(0xF0, 0, 0);
const std::int32_t White444 = rgb(0xF0, 0xF0, 0xF0);
const std::int32_t Red333 = rgb(0xE0, 0, 0);
const std::int32_t Blue333 = rgb(0, 0, 0xE0);
const std::int32_t White333 = rgb(0xE0, 0xE0, 0xE0);
const std::int32_t Blue332 = rgb(0, 0, 0xC0);
const std::int32_t White332 = rgb(0xE0, 0xE0, 0xC0);
const std::int32_t Green332 = rgb(0, 0xE0, 0);

std::vector<ExampleCase> exampleCases()
{
    const auto repeat = [](std::int32_t value, int count) { return std::vector<std::int32_t>(static_cast<std::size_t>(count), value); };
    const auto join = [](std::vector<std::int32_t> a, const std::vector<std::int32_t>& b) {
        a.insert(a.end(), b.begin(), b.end());
        return a;
    };
    return {
        { "RGB565FourColoursTwoRows", PixelFormat::RGB565, 2, 2, { White565, Red565, Green565, Blue565 },
            "FF FF F8 00 07 E0 00 1F", nullptr },
        { "RGB565Red20Green20Blue40", PixelFormat::RGB565, 1, 1, { rgb(0x20, 0x20, 0x40) }, "21 08", nullptr },
        { "RGB332FourColoursTwoRows", PixelFormat::RGB332, 2, 2, { rgb(0xE0, 0xE0, 0xC0), Red333, Green332, Blue332 },
            "FF E0 1C 03", nullptr },
        { "RGB332Red20Green20Blue40", PixelFormat::RGB332, 3, 1, { rgb(0x20, 0x20, 0x40), 0, rgb(0x20, 0x20, 0x40) },
            "25 00 25", nullptr },
        { "RGB565x8ThreeRedOneWhite", PixelFormat::RGB565x8, 4, 1, join(repeat(Red565, 3), { White565 }),
            "F8 00 03 FF FF 01", "8 6 1.33" },
        { "RGB565x8ThreeRedOneWhiteInAColumn", PixelFormat::RGB565x8, 1, 4, join(repeat(Red565, 3), { White565 }),
            "F8 00 03 FF FF 01", "8 6 1.33" },
        { "RGB544x3ThreeRedOneWhite", PixelFormat::RGB544x3, 4, 1, join(repeat(Red565, 3), { White544 }),
            "F8 03 FF F9", "8 4 2" },
        { "RGB544x3RunOf7", PixelFormat::RGB544x3, 7, 1, repeat(Red565, 7), "F8 07", "14 2 7" },
        { "RGB544x3RunOf8", PixelFormat::RGB544x3, 4, 2, repeat(Red565, 8), "F8 07 F8 01", "16 4 4" },
        { "RGB444x4ThreeRedOneWhite", PixelFormat::RGB444x4, 2, 2, join(repeat(Red444, 3), { White444 }),
            "F0 03 FF F1", "8 4 2" },
        { "RGB444x4RunOf15", PixelFormat::RGB444x4, 5, 3, repeat(Red444, 15), "F0 0F", "30 2 15" },
        { "RGB444x4RunOf16", PixelFormat::RGB444x4, 16, 1, repeat(Red444, 16), "F0 0F F0 01", "32 4 8" },
        { "RGB333x7RedBlueWhiteTwoRows", PixelFormat::RGB333x7, 4, 2,
            { Red333, Red333, Red333, Blue333, Blue333, Blue333, White333, White333 }, "E0 03 03 83 FF 82",
            "16 6 2.66" },
        { "RGB333x7RunOf127BlueBit5Set", PixelFormat::RGB333x7, 127, 1, repeat(Blue333, 127), "03 FF", "254 2 127" },
        { "RGB333x7RunOf127BlueBit5Clear", PixelFormat::RGB333x7, 1, 127, repeat(rgb(0, 0, 0xC0), 127), "03 7F",
            "254 2 127" },
        { "RGB333x7BlueBit5NeverMerged", PixelFormat::RGB333x7, 4, 1,
            { rgb(0, 0, 0xC0), rgb(0, 0, 0xC0), Blue333, rgb(0, 0, 0xC0) }, "03 02 03 81 03 01", "8 6 1.33" },
        { "RGB332x8RedBlueWhiteTwoRows", PixelFormat::RGB332x8, 4, 2,
            { Red333, Red333, Red333, Blue332, Blue332, Blue332, White332, White332 }, "E0 03 03 03 FF 02",
            "8 6 1.33" },
        { "Y5x3Grey31And20TwoRows", PixelFormat::Y5x3, 5, 2, { 31, 31, 31, 31, 31, 31, 31, 31, 20, 20 }, "FF F9 A2",
            "10 3 3.33" },
        { "Y5x3BlackTen", PixelFormat::Y5x3, 10, 1, repeat(7, 10), "3F 3B", "10 2 5" },
        { "Y5x3WhiteFourteen", PixelFormat::Y5x3, 7, 2, repeat(31, 14), "FF FF", "14 2 7" },
        { "Y5x3SingleGrey7", PixelFormat::Y5x3, 1, 1, { 7 }, "39", "1 1 1" },
    };
}

class ExampleTest : public ::testing::TestWithParam<ExampleCase> { };

TEST_P(ExampleTest, EncodesToTheListedBytesAndReport)
{
    const auto& row = GetParam();
    const PixelGrid grid = gridOf(row.width, row.height, row.values);
    const OutputBytes bytes = encode(row.format, grid);
    EXPECT_EQ(toHex(bytes), row.bytes);

    const std::string report = conversionReport(row.format, row.width, row.height,
        static_cast<std::int64_t>(bytes.size()), ".");
    if (row.report == nullptr) {
        EXPECT_EQ(report, expectedPlainReport(std::to_string(bytes.size())));
    } else {
        std::istringstream parts(row.report);
        std::string uncompressed, compressed, ratio;
        parts >> uncompressed >> compressed >> ratio;
        EXPECT_EQ(report, expectedCompressionReport(uncompressed, compressed, ratio));
    }
}

INSTANTIATE_TEST_SUITE_P(Pictures, ExampleTest, ::testing::ValuesIn(exampleCases()),
    [](const auto& info) { return std::string(info.param.name); });

TEST(EncoderTest, PlainRowsFollowEachOtherWithNothingBetween)
{
    // 3 x 2: the first pixel of row 2 is at byte 2 x width (RGB 5:6:5) or width (RGB 3:3:2).
    const PixelGrid grid565 = gridOf(3, 2, { Red565, 0, 0, Blue565, 0, White565 });
    const OutputBytes bytes565 = encode(PixelFormat::RGB565, grid565);
    ASSERT_EQ(bytes565.size(), 12u);
    EXPECT_EQ(bytes565[6], 0x00);
    EXPECT_EQ(bytes565[7], 0x1F);
    EXPECT_EQ(toHex(bytes565), "F8 00 00 00 00 00 00 1F 00 00 FF FF");

    const PixelGrid grid332 = gridOf(3, 2, { Red333, 0, 0, Blue332, 0, White332 });
    EXPECT_EQ(toHex(encode(PixelFormat::RGB332, grid332)), "E0 00 00 03 00 FF");
}

struct FlatCase {
    PixelFormat format;
    int width;
    int height;
    std::size_t size;
    int fullRecords;
    int finalRun;
    const char* ratio; // nullptr for the plain formats
};

void PrintTo(const FlatCase& row, std::ostream* out)
{
    *out << test::formatTestName(row.format) << " " << row.width << "x" << row.height;
}

class FlatPictureTest : public ::testing::TestWithParam<FlatCase> { };

TEST_P(FlatPictureTest, HasTheListedSizeRecordsAndReport)
{
    const auto& row = GetParam();
    const std::int32_t value = row.format == PixelFormat::Y5x3 ? 31 : test::validValue(row.format, 0xFFFFFFu);
    const PixelGrid grid = test::filledGrid(row.width, row.height, value);
    const OutputBytes bytes = encode(row.format, grid);
    ASSERT_EQ(bytes.size(), row.size);

    const auto& info = formatInfo(row.format);
    if (info.runLength()) {
        std::vector<std::uint8_t> expected;
        const auto full = test::referenceRecord(row.format, value, info.runLimit);
        for (int record = 0; record < row.fullRecords; ++record)
            expected.insert(expected.end(), full.begin(), full.end());
        const auto last = test::referenceRecord(row.format, value, row.finalRun);
        expected.insert(expected.end(), last.begin(), last.end());
        EXPECT_EQ(bytes, expected);
        const std::int64_t uncompressed = static_cast<std::int64_t>(row.width) * row.height * info.uncompressedPixelBytes;
        EXPECT_EQ(conversionReport(row.format, row.width, row.height, static_cast<std::int64_t>(bytes.size()), ","),
            expectedCompressionReport(std::to_string(uncompressed), std::to_string(row.size), row.ratio));
    } else {
        EXPECT_EQ(bytes, test::referenceEncode(row.format, grid));
        EXPECT_EQ(conversionReport(row.format, row.width, row.height, static_cast<std::int64_t>(bytes.size()), ","),
            expectedPlainReport(std::to_string(row.size)));
    }
}

INSTANTIATE_TEST_SUITE_P(OneColour, FlatPictureTest,
    ::testing::Values(
        FlatCase { PixelFormat::RGB565, 320, 240, 153600, 0, 0, nullptr },
        FlatCase { PixelFormat::RGB565, 128, 128, 32768, 0, 0, nullptr },
        FlatCase { PixelFormat::RGB332, 320, 240, 76800, 0, 0, nullptr },
        FlatCase { PixelFormat::RGB332, 128, 128, 16384, 0, 0, nullptr },
        FlatCase { PixelFormat::RGB565x8, 320, 240, 906, 301, 45, "169,53" },
        FlatCase { PixelFormat::RGB544x3, 320, 240, 21944, 10971, 3, "6,99" },
        FlatCase { PixelFormat::RGB444x4, 320, 240, 10240, 5119, 15, "15" },
        FlatCase { PixelFormat::RGB333x7, 320, 240, 1210, 604, 92, "126,94" },
        FlatCase { PixelFormat::RGB332x8, 320, 240, 604, 301, 45, "127,15" },
        FlatCase { PixelFormat::Y5x3, 320, 240, 10972, 10971, 3, "6,99" },
        FlatCase { PixelFormat::Y5x3, 128, 128, 2341, 2340, 4, "6,99" },
        FlatCase { PixelFormat::RGB565x8, 255, 2, 6, 1, 255, "170" },
        FlatCase { PixelFormat::RGB333x7, 127, 2, 4, 1, 127, "127" }),
    [](const auto& info) {
        return test::formatTestName(info.param.format) + "_" + std::to_string(info.param.width) + "x"
            + std::to_string(info.param.height);
    });

struct NoRepeatCase {
    PixelFormat format;
    std::size_t size;
    const char* ratio; // nullptr for the plain formats
};

void PrintTo(const NoRepeatCase& row, std::ostream* out)
{
    *out << test::formatTestName(row.format);
}

class NoRepeatPictureTest : public ::testing::TestWithParam<NoRepeatCase> { };

TEST_P(NoRepeatPictureTest, HasOneRecordPerPixel)
{
    const auto& row = GetParam();
    const PixelGrid grid = test::noEqualNeighboursGrid(row.format, 320, 240);
    const OutputBytes bytes = encode(row.format, grid);
    ASSERT_EQ(bytes.size(), row.size);
    EXPECT_EQ(bytes, test::referenceEncode(row.format, grid));
    const std::string report = conversionReport(row.format, 320, 240, static_cast<std::int64_t>(bytes.size()), ".");
    if (row.ratio == nullptr) {
        EXPECT_EQ(report, expectedPlainReport(std::to_string(row.size)));
    } else {
        const std::int64_t uncompressed = 320 * 240 * formatInfo(row.format).uncompressedPixelBytes;
        EXPECT_EQ(report, expectedCompressionReport(std::to_string(uncompressed), std::to_string(row.size), row.ratio));
    }
}

INSTANTIATE_TEST_SUITE_P(AllFormats, NoRepeatPictureTest,
    ::testing::Values(NoRepeatCase { PixelFormat::RGB565, 153600, nullptr },
        NoRepeatCase { PixelFormat::RGB565x8, 230400, "0.66" }, NoRepeatCase { PixelFormat::RGB544x3, 153600, "1" },
        NoRepeatCase { PixelFormat::RGB444x4, 153600, "1" }, NoRepeatCase { PixelFormat::RGB333x7, 153600, "1" },
        NoRepeatCase { PixelFormat::RGB332, 76800, nullptr }, NoRepeatCase { PixelFormat::RGB332x8, 153600, "0.5" },
        NoRepeatCase { PixelFormat::Y5x3, 76800, "1" }),
    [](const auto& info) { return test::formatTestName(info.param.format); });

class ReferenceEncoderTest : public ::testing::TestWithParam<PixelFormat> { };

TEST_P(ReferenceEncoderTest, RandomPicturesEncodeByteForByteAsTheRecordLayoutSays)
{
    const PixelFormat format = GetParam();
    std::mt19937 random(1000 + formatIndex(format));
    for (int picture = 0; picture < 150; ++picture) {
        const int width = 1 + static_cast<int>(random() % 40);
        const int height = 1 + static_cast<int>(random() % 40);
        const int maxRun = static_cast<int>(random() % 300);
        const int palette = 1 + static_cast<int>(random() % 6);
        const PixelGrid grid = test::randomGrid(format, width, height, random, maxRun, palette);
        const OutputBytes bytes = encode(format, grid);
        ASSERT_EQ(toHex(bytes), toHex(test::referenceEncode(format, grid)))
            << width << " x " << height << ", runs up to " << maxRun << ", " << palette << " values";
    }
}

INSTANTIATE_TEST_SUITE_P(AllFormats, ReferenceEncoderTest, ::testing::ValuesIn(AllPixelFormats),
    [](const auto& info) { return test::formatTestName(info.param); });

struct ProgressCall {
    int row;
    int rowCount;
    EncodePass pass;
    bool operator==(const ProgressCall&) const = default;
};

void PrintTo(const ProgressCall& call, std::ostream* out)
{
    *out << (call.pass == EncodePass::Counting ? "counting " : "writing ") << call.row << "/" << call.rowCount;
}

class EncodeProgressTest : public ::testing::TestWithParam<PixelFormat> { };

TEST_P(EncodeProgressTest, ReportsEveryRowOfEachPassInOrder)
{
    const PixelFormat format = GetParam();
    std::mt19937 random(3);
    const PixelGrid grid = test::randomGrid(format, 6, 5, random, 8, 2);
    std::vector<ProgressCall> calls;
    const OutputBytes bytes = encode(format, grid,
        [&calls](int row, int rowCount, EncodePass pass) { calls.push_back({ row, rowCount, pass }); });

    std::vector<ProgressCall> expected;
    if (formatInfo(format).runLength()) {
        for (int row = 1; row <= 5; ++row)
            expected.push_back({ row, 5, EncodePass::Counting });
    }
    for (int row = 1; row <= 5; ++row)
        expected.push_back({ row, 5, EncodePass::Writing });
    EXPECT_EQ(calls, expected);
    EXPECT_EQ(bytes, test::referenceEncode(format, grid));
}

TEST_P(EncodeProgressTest, EmptyGridGivesNoBytesAndNoProgress)
{
    int calls = 0;
    const OutputBytes bytes = encode(GetParam(), PixelGrid(), [&calls](int, int, EncodePass) { ++calls; });
    EXPECT_TRUE(bytes.empty());
    EXPECT_EQ(calls, 0);
}

INSTANTIATE_TEST_SUITE_P(AllFormats, EncodeProgressTest, ::testing::ValuesIn(AllPixelFormats),
    [](const auto& info) { return test::formatTestName(info.param); });

} // namespace
} // namespace rasterkit
