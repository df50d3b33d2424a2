// The status texts: exact UTF-8 bytes of the plain and the compression
// reports, and the writing of the compression ratio.

#include "testsupport.h"

#include "convert/report.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>

namespace rasterkit {
namespace {

// Table rows print by their names (found by argument-dependent lookup here).
using rasterkit::PrintTo;

TEST(ReportTest, PlainReportIsTwoLinesWithoutATrailingBreak)
{
    EXPECT_EQ(plainReport(153600), "Конвертирование завершено.\r\nРазмер файла : 153600");
    EXPECT_EQ(plainReport(1), "Конвертирование завершено.\r\nРазмер файла : 1");
    EXPECT_EQ(conversionReport(PixelFormat::RGB565, 320, 240, 153600, ","),
        "Конвертирование завершено.\r\nРазмер файла : 153600");
    EXPECT_EQ(conversionReport(PixelFormat::RGB332, 320, 240, 76800, "."),
        "Конвертирование завершено.\r\nРазмер файла : 76800");
}

TEST(ReportTest, ProgressMessages)
{
    EXPECT_EQ(ConvertingMessage, "Конвертирование...");
    EXPECT_EQ(CompressingMessage, "Компрессия...");
}

struct CompressionReportCase {
    const char* name;
    std::int64_t uncompressed;
    std::int64_t compressed;
    const char* separator;
    std::string text;
};

// The whole compression report with its three numbers written as given.
std::string compressionText(const char* uncompressed, const char* compressed, const char* ratio)
{
    return std::string("Результат компрессии:\r\nБез сжатия:  ") + uncompressed + " байт\r\nПосле сжатия: " + compressed
        + "\r\nCжато в: " + ratio + " раза\r\n";
}

class CompressionReportTest : public ::testing::TestWithParam<CompressionReportCase> { };

TEST_P(CompressionReportTest, IsTheExactText)
{
    const auto& row = GetParam();
    EXPECT_EQ(compressionReport(row.uncompressed, row.compressed, row.separator), row.text);
}

INSTANTIATE_TEST_SUITE_P(Reports, CompressionReportTest,
    ::testing::Values(
        CompressionReportCase { "RGB333x7TwoRowsComma", 16, 6, ",", compressionText("16", "6", "2,66") },
        CompressionReportCase { "RGB333x7TwoRowsPoint", 16, 6, ".", compressionText("16", "6", "2.66") },
        CompressionReportCase { "RGB332x8TwoRows", 8, 6, ",", compressionText("8", "6", "1,33") },
        CompressionReportCase { "Y5x3TwoRows", 10, 3, ".", compressionText("10", "3", "3.33") },
        CompressionReportCase { "RGB565x8OneColour", 153600, 906, ",", compressionText("153600", "906", "169,53") },
        CompressionReportCase { "RGB444x4OneColourWhole", 153600, 10240, ",", compressionText("153600", "10240", "15") },
        CompressionReportCase { "EqualSizesGiveOne", 153600, 153600, ",", compressionText("153600", "153600", "1") },
        CompressionReportCase { "RGB332x8NoRepeats", 76800, 153600, ",", compressionText("76800", "153600", "0,5") },
        CompressionReportCase { "RGB565x8NoRepeatsWideSeparator", 153600, 230400, "<>", compressionText("153600", "230400", "0<>66") }),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ReportTest, CompressionReportBytesAreExactUtf8)
{
    const std::string text = compressionReport(16, 6, ",");
    // "Cжато в: " starts with the Latin capital C (0x43), then Cyrillic "жато".
    const std::string latinC = "\x43\xD0\xB6\xD0\xB0\xD1\x82\xD0\xBE\x20\xD0\xB2\x3A\x20";
    EXPECT_NE(text.find(latinC), std::string::npos);
    EXPECT_EQ(text.find("\xD0\xA1\xD0\xB6"), std::string::npos) << "Cyrillic С before жато";
    // Two spaces between "Без сжатия:" and N; one between "После сжатия:" and M.
    EXPECT_NE(text.find("\xD1\x8F\x3A\x20\x20\x31\x36\x20"), std::string::npos);
    EXPECT_NE(text.find("\x3A\x20\x36\x0D\x0A"), std::string::npos);
    // No " байт" after M: the word appears once, on the N line.
    const std::string bytesWord = " байт";
    const auto first = text.find(bytesWord);
    ASSERT_NE(first, std::string::npos);
    EXPECT_EQ(text.find(bytesWord, first + 1), std::string::npos);
    // Four lines, each ending in CR LF, with no bare line feeds.
    int lineFeeds = 0;
    for (std::size_t index = 0; index < text.size(); ++index) {
        if (text[index] == '\n') {
            ++lineFeeds;
            EXPECT_TRUE(index > 0 && text[index - 1] == '\r');
        }
    }
    EXPECT_EQ(lineFeeds, 4);
    EXPECT_EQ(text.substr(text.size() - 2), "\r\n");
}

struct RatioCase {
    const char* name;
    std::int64_t uncompressed;
    std::int64_t compressed;
    double ratio;
};

class CompressionRatioTest : public ::testing::TestWithParam<RatioCase> { };

TEST_P(CompressionRatioTest, IsTheQuotientTimes100RoundedDownOver100)
{
    const auto& row = GetParam();
    EXPECT_EQ(compressionRatio(row.uncompressed, row.compressed), row.ratio);
}

INSTANTIATE_TEST_SUITE_P(Sizes, CompressionRatioTest,
    ::testing::Values(RatioCase { "TwoPointSixSix", 16, 6, 2.66 }, RatioCase { "OnePointThreeThree", 8, 6, 1.33 },
        RatioCase { "ThreePointThreeThree", 10, 3, 3.33 }, RatioCase { "Half", 76800, 153600, 0.5 },
        RatioCase { "TwoThirds", 153600, 230400, 0.66 }, RatioCase { "Whole", 153600, 10240, 15.0 },
        RatioCase { "OneColour565x8", 153600, 906, 169.53 }, RatioCase { "OneColour544x3", 153600, 21944, 6.99 },
        RatioCase { "OneColour333x7", 153600, 1210, 126.94 }, RatioCase { "OneColour332x8", 76800, 604, 127.15 },
        RatioCase { "OneColourY5x3", 76800, 10972, 6.99 }, RatioCase { "JustBelowOne", 999, 1000, 0.99 },
        RatioCase { "BelowOneHundredth", 1, 1000, 0.0 },
        // 29 / 100 x 100 is 28.999999999999996 in double precision, so the floor is 28.
        RatioCase { "DoubleProductFloored", 29, 100, 0.28 },
        RatioCase { "LargestSizes", 201326592, 3, 67108864.0 }, RatioCase { "ZeroOutputGivesZero", 10, 0, 0.0 }),
    [](const auto& info) { return std::string(info.param.name); });

struct FormatRatioCase {
    const char* name;
    double ratio;
    const char* separator;
    const char* text;
};

class FormatRatioTest : public ::testing::TestWithParam<FormatRatioCase> { };

TEST_P(FormatRatioTest, FifteenSignificantDigitsNoExponentRegionalSeparator)
{
    const auto& row = GetParam();
    EXPECT_EQ(formatRatio(row.ratio, row.separator), row.text);
}

INSTANTIATE_TEST_SUITE_P(Ratios, FormatRatioTest,
    ::testing::Values(
        FormatRatioCase { "One", 1.0, ",", "1" },
        FormatRatioCase { "Fifteen", 15.0, ".", "15" },
        FormatRatioCase { "Zero", 0.0, ",", "0" },
        FormatRatioCase { "HalfComma", 0.5, ",", "0,5" },
        FormatRatioCase { "HalfPoint", 0.5, ".", "0.5" },
        FormatRatioCase { "TwoThirds", 0.66, ",", "0,66" },
        FormatRatioCase { "OnePointThreeThree", 1.33, ",", "1,33" },
        FormatRatioCase { "TwoPointSixSix", 2.66, ".", "2.66" },
        FormatRatioCase { "ThreePointThreeThree", 3.33, ",", "3,33" },
        FormatRatioCase { "SixPointNineNine", 6.99, ",", "6,99" },
        FormatRatioCase { "TrailingZeroDropped", 2.5, ",", "2,5" },
        FormatRatioCase { "OneHundredth", 0.01, ",", "0,01" },
        FormatRatioCase { "OneColour565x8", 169.53, ".", "169.53" },
        FormatRatioCase { "OneColour333x7", 126.94, ",", "126,94" },
        FormatRatioCase { "OneColour332x8", 127.15, ",", "127,15" },
        FormatRatioCase { "FloorOfTwentyNine", 0.28, ",", "0,28" },
        FormatRatioCase { "HundredThousand", 100000.0, ",", "100000" },
        FormatRatioCase { "Million", 1000000.0, ",", "1000000" },
        FormatRatioCase { "LargeWithDecimals", 123456789.12, ",", "123456789,12" },
        FormatRatioCase { "LargestSizes", 67108864.0, ",", "67108864" },
        FormatRatioCase { "FifteenDigitsWhole", 123456789012345.0, ",", "123456789012345" },
        FormatRatioCase { "FifteenDigitsWithDecimal", 12345678901234.5, ",", "12345678901234,5" },
        FormatRatioCase { "OneE15NoExponent", 1e15, ",", "1000000000000000" },
        FormatRatioCase { "SixteenDigitsRoundedToFifteen", 1234567890123456.0, ",", "1234567890123460" },
        FormatRatioCase { "OneE20NoExponent", 1e20, ".", "100000000000000000000" },
        FormatRatioCase { "SmallNoExponent", 0.00001, ",", "0,00001" },
        FormatRatioCase { "SmallRoundedToFifteen", 0.000012345678901234567, ".", "0.0000123456789012346" },
        FormatRatioCase { "MultiByteSeparator", 2.66, "\xC2\xB7", "2\xC2\xB7" "66" }),
    [](const auto& info) { return std::string(info.param.name); });

struct UncompressedSizeCase {
    PixelFormat format;
    int width;
    int height;
    std::int64_t size;
};

void PrintTo(const UncompressedSizeCase& row, std::ostream* out)
{
    *out << static_cast<int>(row.format) << " " << row.width << "x" << row.height;
}

class UncompressedSizeTest : public ::testing::TestWithParam<UncompressedSizeCase> { };

TEST_P(UncompressedSizeTest, IsTwoBytesPerPixelExceptTheOneByteFormats)
{
    const auto& row = GetParam();
    EXPECT_EQ(uncompressedSize(row.format, row.width, row.height), row.size);
}

INSTANTIATE_TEST_SUITE_P(Formats, UncompressedSizeTest,
    ::testing::Values(UncompressedSizeCase { PixelFormat::RGB565, 320, 240, 153600 },
        UncompressedSizeCase { PixelFormat::RGB565x8, 320, 240, 153600 },
        UncompressedSizeCase { PixelFormat::RGB544x3, 320, 240, 153600 },
        UncompressedSizeCase { PixelFormat::RGB444x4, 131, 7, 1834 },
        UncompressedSizeCase { PixelFormat::RGB333x7, 4, 2, 16 },
        UncompressedSizeCase { PixelFormat::RGB332, 320, 240, 76800 },
        UncompressedSizeCase { PixelFormat::RGB332x8, 4, 2, 8 },
        UncompressedSizeCase { PixelFormat::Y5x3, 5, 2, 10 },
        UncompressedSizeCase { PixelFormat::RGB565x8, 8192, 8192, 134217728 }),
    [](const auto& info) {
        return test::formatTestName(info.param.format) + "_" + std::to_string(info.param.width) + "x"
            + std::to_string(info.param.height);
    });

} // namespace
} // namespace rasterkit
