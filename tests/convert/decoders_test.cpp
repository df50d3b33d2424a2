// Decoding output files back into grids: known files, and every kind of bad
// input for every format, with the error, its byte offset and its message.
// Inputs are held in buffers of exactly their own length, so the sanitizer
// build reports any read past the end.

#include "testsupport.h"

#include "convert/colour.h"
#include "convert/decoders.h"
#include "convert/encoders.h"

#include <gtest/gtest.h>

#include <climits>
#include <set>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

namespace rasterkit {
namespace {

// Table rows print by their names (found by argument-dependent lookup here).
using rasterkit::PrintTo;

struct KnownFileCase {
    const char* name;
    PixelFormat format;
    const char* bytes;
    int width;
    int height;
    std::vector<std::int32_t> values;
};

class KnownFileTest : public ::testing::TestWithParam<KnownFileCase> { };

TEST_P(KnownFileTest, DecodesToTheGridItWasMadeFrom)
{
    const auto& row = GetParam();
    const std::vector<std::uint8_t> bytes = test::fromHex(row.bytes);
    const DecodeResult result = decode(row.format, bytes, row.width, row.height);
    ASSERT_TRUE(result.ok()) << result.message();
    EXPECT_EQ(result.grid, test::gridOf(row.width, row.height, row.values));
}

constexpr std::int32_t rgb(unsigned red, unsigned green, unsigned blue)
{
    return static_cast<std::int32_t>(makeColour(red, green, blue));
}

INSTANTIATE_TEST_SUITE_P(Files, KnownFileTest,
    ::testing::Values(
        KnownFileCase { "RGB565White", PixelFormat::RGB565, "FF FF 00 1F", 2, 1, { rgb(0xF8, 0xFC, 0xF8), rgb(0, 0, 0xF8) } },
        KnownFileCase { "RGB565Green", PixelFormat::RGB565, "07 E0", 1, 1, { rgb(0, 0xFC, 0) } },
        KnownFileCase { "RGB332AllColours", PixelFormat::RGB332, "FF E0 1C 03", 2, 2,
            { rgb(0xE0, 0xE0, 0xC0), rgb(0xE0, 0, 0), rgb(0, 0xE0, 0), rgb(0, 0, 0xC0) } },
        KnownFileCase { "RGB565x8ThreeRedOneWhite", PixelFormat::RGB565x8, "F8 00 03 FF FF 01", 2, 2,
            { rgb(0xF8, 0, 0), rgb(0xF8, 0, 0), rgb(0xF8, 0, 0), rgb(0xF8, 0xFC, 0xF8) } },
        KnownFileCase { "RGB544x3ThreeRedOneWhite", PixelFormat::RGB544x3, "F8 03 FF F9", 4, 1,
            { rgb(0xF8, 0, 0), rgb(0xF8, 0, 0), rgb(0xF8, 0, 0), rgb(0xF8, 0xF0, 0xF0) } },
        KnownFileCase { "RGB544x3GreenBit4", PixelFormat::RGB544x3, "00 81", 1, 1, { rgb(0, 0x10, 0) } },
        KnownFileCase { "RGB444x4ThreeRedOneWhite", PixelFormat::RGB444x4, "F0 03 FF F1", 1, 4,
            { rgb(0xF0, 0, 0), rgb(0xF0, 0, 0), rgb(0xF0, 0, 0), rgb(0xF0, 0xF0, 0xF0) } },
        KnownFileCase { "RGB333x7TwoRows", PixelFormat::RGB333x7, "E0 03 03 83 FF 82", 4, 2,
            { rgb(0xE0, 0, 0), rgb(0xE0, 0, 0), rgb(0xE0, 0, 0), rgb(0, 0, 0xE0), rgb(0, 0, 0xE0), rgb(0, 0, 0xE0),
                rgb(0xE0, 0xE0, 0xE0), rgb(0xE0, 0xE0, 0xE0) } },
        KnownFileCase { "RGB332x8TwoRows", PixelFormat::RGB332x8, "E0 03 03 03 FF 02", 4, 2,
            { rgb(0xE0, 0, 0), rgb(0xE0, 0, 0), rgb(0xE0, 0, 0), rgb(0, 0, 0xC0), rgb(0, 0, 0xC0), rgb(0, 0, 0xC0),
                rgb(0xE0, 0xE0, 0xC0), rgb(0xE0, 0xE0, 0xC0) } },
        KnownFileCase { "Y5x3TwoRows", PixelFormat::Y5x3, "FF F9 A2", 5, 2, { 31, 31, 31, 31, 31, 31, 31, 31, 20, 20 } },
        // Valid but not as the encoder would write it: a short run followed
        // by more of the same value.
        KnownFileCase { "Y5x3SplitRun", PixelFormat::Y5x3, "61 62", 3, 1, { 12, 12, 12 } },
        KnownFileCase { "RGB565x8SplitRun", PixelFormat::RGB565x8, "F8 00 01 F8 00 01", 2, 1,
            { rgb(0xF8, 0, 0), rgb(0xF8, 0, 0) } }),
    [](const auto& info) { return std::string(info.param.name); });

TEST(DecoderTest, NonCanonicalRunsReencodeToTheShortestForm)
{
    const std::vector<std::uint8_t> bytes = test::fromHex("61 62 61");
    const DecodeResult result = decode(PixelFormat::Y5x3, bytes, 2, 2);
    ASSERT_TRUE(result.ok()) << result.message();
    EXPECT_EQ(test::toHex(encode(PixelFormat::Y5x3, result.grid)), "64");
}

// One bad input: how it is made from a valid file, and the error and byte
// offset it must give.
struct BadInput {
    std::vector<std::uint8_t> bytes;
    DecodeError error;
    std::size_t offset;
};

struct BadInputCase {
    const char* name;
    bool runLengthOnly;
    bool plainOnly;
    // Makes the bad input from the format, a valid file of a 3 x 2 grid
    // A A B / B B A and the two values.
    BadInput (*make)(PixelFormat format, const std::vector<std::uint8_t>& valid, std::int32_t a, std::int32_t b);
};

std::vector<std::uint8_t> concat(std::initializer_list<std::vector<std::uint8_t>> parts)
{
    std::vector<std::uint8_t> bytes;
    for (const auto& part : parts)
        bytes.insert(bytes.end(), part.begin(), part.end());
    return bytes;
}

std::size_t widthOf(PixelFormat format)
{
    return static_cast<std::size_t>(formatInfo(format).recordWidth);
}

std::vector<std::uint8_t> record(PixelFormat format, std::int32_t value, int runLength)
{
    return test::referenceRecord(format, value, runLength);
}

const BadInputCase BadInputCases[] = {
    { "Empty", false, false,
        [](PixelFormat format, const std::vector<std::uint8_t>&, std::int32_t, std::int32_t) {
            return BadInput { {}, formatInfo(format).runLength() ? DecodeError::TooFewPixels : DecodeError::WrongLength, 0 };
        } },
    { "PlainOneByteShort", false, true,
        [](PixelFormat, const std::vector<std::uint8_t>& valid, std::int32_t, std::int32_t) {
            return BadInput { { valid.begin(), valid.end() - 1 }, DecodeError::WrongLength, valid.size() - 1 };
        } },
    { "PlainOneByteLong", false, true,
        [](PixelFormat, const std::vector<std::uint8_t>& valid, std::int32_t, std::int32_t) {
            auto bytes = valid;
            bytes.push_back(0);
            return BadInput { bytes, DecodeError::WrongLength, valid.size() };
        } },
    { "PlainOneRowOnly", false, true,
        [](PixelFormat, const std::vector<std::uint8_t>& valid, std::int32_t, std::int32_t) {
            return BadInput { { valid.begin(), valid.begin() + static_cast<std::ptrdiff_t>(valid.size() / 2) },
                DecodeError::WrongLength, valid.size() / 2 };
        } },
    { "LastRecordMissing", true, false,
        [](PixelFormat format, const std::vector<std::uint8_t>& valid, std::int32_t, std::int32_t) {
            const std::size_t size = valid.size() - widthOf(format);
            return BadInput { { valid.begin(), valid.begin() + static_cast<std::ptrdiff_t>(size) },
                DecodeError::TooFewPixels, size };
        } },
    { "MiddleRecordOneShort", true, false,
        [](PixelFormat format, const std::vector<std::uint8_t>&, std::int32_t a, std::int32_t b) {
            return BadInput { concat({ record(format, a, 2), record(format, b, 2), record(format, a, 1) }),
                DecodeError::TooFewPixels, 3 * widthOf(format) };
        } },
    { "ExtraRecord", true, false,
        [](PixelFormat format, const std::vector<std::uint8_t>& valid, std::int32_t a, std::int32_t) {
            return BadInput { concat({ valid, record(format, a, 1) }), DecodeError::TooManyPixels, valid.size() };
        } },
    { "LastRecordOneLong", true, false,
        [](PixelFormat format, const std::vector<std::uint8_t>&, std::int32_t a, std::int32_t b) {
            return BadInput { concat({ record(format, a, 2), record(format, b, 3), record(format, a, 2) }),
                DecodeError::TooManyPixels, 2 * widthOf(format) };
        } },
    { "FirstRecordLongerThanThePicture", true, false,
        [](PixelFormat format, const std::vector<std::uint8_t>&, std::int32_t a, std::int32_t) {
            return BadInput { record(format, a, 7), DecodeError::TooManyPixels, 0 };
        } },
    { "ZeroRunFirst", true, false,
        [](PixelFormat format, const std::vector<std::uint8_t>& valid, std::int32_t a, std::int32_t) {
            return BadInput { concat({ record(format, a, 0), valid }), DecodeError::ZeroRunLength, 0 };
        } },
    { "ZeroRunInTheMiddle", true, false,
        [](PixelFormat format, const std::vector<std::uint8_t>&, std::int32_t a, std::int32_t b) {
            return BadInput { concat({ record(format, a, 2), record(format, b, 0), record(format, b, 3),
                                  record(format, a, 1) }),
                DecodeError::ZeroRunLength, widthOf(format) };
        } },
    { "TruncatedByOneByte", true, false,
        [](PixelFormat format, const std::vector<std::uint8_t>& valid, std::int32_t, std::int32_t) {
            if (widthOf(format) == 1) // a one-byte record cannot be cut; the record is just missing
                return BadInput { { valid.begin(), valid.end() - 1 }, DecodeError::TooFewPixels, valid.size() - 1 };
            return BadInput { { valid.begin(), valid.end() - 1 }, DecodeError::TruncatedRecord,
                valid.size() - widthOf(format) };
        } },
    { "TruncatedAfterTheFirstByte", true, false,
        [](PixelFormat format, const std::vector<std::uint8_t>& valid, std::int32_t, std::int32_t) {
            if (widthOf(format) == 1)
                return BadInput { { valid.begin(), valid.begin() + 1 }, DecodeError::TooFewPixels, 1 };
            return BadInput { { valid.begin(), valid.begin() + 1 }, DecodeError::TruncatedRecord, 0 };
        } },
    { "TruncatedAfterAllPixels", true, false,
        [](PixelFormat format, const std::vector<std::uint8_t>& valid, std::int32_t, std::int32_t) {
            auto bytes = valid;
            bytes.push_back(0xFF);
            if (widthOf(format) == 1)
                return BadInput { bytes, DecodeError::TooManyPixels, valid.size() };
            return BadInput { bytes, DecodeError::TruncatedRecord, valid.size() };
        } },
};

class BadInputTest : public ::testing::TestWithParam<std::tuple<PixelFormat, BadInputCase>> { };

TEST_P(BadInputTest, IsRefusedWithTheErrorAndItsOffset)
{
    const auto& [format, badCase] = GetParam();
    const std::int32_t a = format == PixelFormat::Y5x3 ? 9 : test::validValue(format, 0x123456u);
    const std::int32_t b = format == PixelFormat::Y5x3 ? 30 : test::validValue(format, 0xE0C0A0u);
    const PixelGrid grid = test::gridOf(3, 2, { a, a, b, b, b, a });
    const OutputBytes valid = encode(format, grid);
    ASSERT_TRUE(decode(format, valid, 3, 2).ok());

    const BadInput bad = badCase.make(format, valid, a, b);
    // A buffer of exactly the input's length: nothing readable lies beyond it.
    const std::vector<std::uint8_t> exact(bad.bytes.begin(), bad.bytes.end());
    const DecodeResult result = decode(format, exact, 3, 2);
    EXPECT_FALSE(result.ok());
    EXPECT_EQ(result.error, bad.error) << result.message();
    EXPECT_EQ(result.offset, bad.offset) << result.message();
    EXPECT_TRUE(result.grid.isEmpty());
    // The message names the fault and its byte offset.
    EXPECT_NE(result.message().find(std::string(decodeErrorMessage(bad.error))), std::string::npos);
    EXPECT_NE(result.message().find("byte " + std::to_string(bad.offset)), std::string::npos) << result.message();
}

// Every format with every case that applies to its kind (plain or run-length).
std::vector<std::tuple<PixelFormat, BadInputCase>> badInputParams()
{
    std::vector<std::tuple<PixelFormat, BadInputCase>> params;
    for (const PixelFormat format : AllPixelFormats) {
        const bool runLength = formatInfo(format).runLength();
        for (const BadInputCase& badCase : BadInputCases) {
            if ((badCase.runLengthOnly && !runLength) || (badCase.plainOnly && runLength))
                continue;
            params.emplace_back(format, badCase);
        }
    }
    return params;
}

INSTANTIATE_TEST_SUITE_P(AllFormats, BadInputTest, ::testing::ValuesIn(badInputParams()),
    [](const auto& info) { return test::formatTestName(std::get<0>(info.param)) + "_" + std::get<1>(info.param).name; });

class InvalidSizeTest : public ::testing::TestWithParam<PixelFormat> { };

TEST_P(InvalidSizeTest, IsRefusedBeforeAnyByteIsRead)
{
    const PixelFormat format = GetParam();
    const std::vector<std::uint8_t> bytes = test::fromHex("F8 00 01 F8 00 01");
    const std::pair<int, int> sizes[] = { { 0, 1 }, { 1, 0 }, { 0, 0 }, { -1, 2 }, { 2, -1 }, { 8193, 1 }, { 1, 8193 },
        { INT_MIN, INT_MIN }, { INT_MAX, 1 }, { 1, INT_MAX } };
    for (const auto& [width, height] : sizes) {
        SCOPED_TRACE(std::to_string(width) + " x " + std::to_string(height));
        const DecodeResult result = decode(format, bytes, width, height);
        EXPECT_EQ(result.error, DecodeError::InvalidSize);
        EXPECT_FALSE(result.ok());
        EXPECT_TRUE(result.grid.isEmpty());
        EXPECT_NE(result.message().find("8192"), std::string::npos) << result.message();
    }
}

INSTANTIATE_TEST_SUITE_P(AllFormats, InvalidSizeTest, ::testing::ValuesIn(AllPixelFormats),
    [](const auto& info) { return test::formatTestName(info.param); });

TEST(DecoderTest, EveryErrorHasItsOwnMessage)
{
    const DecodeError errors[] = { DecodeError::None, DecodeError::InvalidSize, DecodeError::WrongLength,
        DecodeError::TruncatedRecord, DecodeError::ZeroRunLength, DecodeError::TooManyPixels,
        DecodeError::TooFewPixels };
    std::set<std::string> messages;
    for (const DecodeError error : errors) {
        const std::string message(decodeErrorMessage(error));
        EXPECT_FALSE(message.empty());
        messages.insert(message);
    }
    EXPECT_EQ(messages.size(), std::size(errors));
}

} // namespace
} // namespace rasterkit
