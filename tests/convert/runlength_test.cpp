// The run rules shared by the six run-length formats: runs of the limit L,
// L + 1 and 2 L, final full records, runs across row ends, and runs that
// differ in a single kept bit.

#include "testsupport.h"

#include "convert/encoders.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

namespace rasterkit {
namespace {

// Table rows print by their names (found by argument-dependent lookup here).
using rasterkit::PrintTo;

const std::vector<PixelFormat> RunLengthFormats {
    PixelFormat::RGB565x8, PixelFormat::RGB544x3, PixelFormat::RGB444x4,
    PixelFormat::RGB333x7, PixelFormat::RGB332x8, PixelFormat::Y5x3,
};

// Two valid values of each format that differ in every kept field.
std::int32_t firstValue(PixelFormat format)
{
    return format == PixelFormat::Y5x3 ? 12 : test::validValue(format, 0x80E040u);
}

std::int32_t secondValue(PixelFormat format)
{
    return format == PixelFormat::Y5x3 ? 29 : test::validValue(format, 0x4020E0u);
}

// One value and the run lengths of its records.
struct ValueRecords {
    std::int32_t value;
    std::vector<int> runLengths;
};

// The records of consecutive runs, in order.
std::vector<std::uint8_t> recordsOf(PixelFormat format, const std::vector<ValueRecords>& runs)
{
    std::vector<std::uint8_t> bytes;
    for (const auto& [value, runLengths] : runs) {
        for (const int runLength : runLengths) {
            const auto record = test::referenceRecord(format, value, runLength);
            bytes.insert(bytes.end(), record.begin(), record.end());
        }
    }
    return bytes;
}

// A run of `pixels` equal values, given in terms of the run limit L, and the
// run lengths of the records it must give.
struct RunCase {
    const char* name;
    int (*pixels)(int limit);
    std::vector<int> (*runLengths)(int limit);
};

const RunCase RunCases[] = {
    { "One", [](int) { return 1; }, [](int) { return std::vector<int> { 1 }; } },
    { "LMinus1", [](int l) { return l - 1; }, [](int l) { return std::vector<int> { l - 1 }; } },
    { "L", [](int l) { return l; }, [](int l) { return std::vector<int> { l }; } },
    { "LPlus1", [](int l) { return l + 1; }, [](int l) { return std::vector<int> { l, 1 }; } },
    { "TwoL", [](int l) { return 2 * l; }, [](int l) { return std::vector<int> { l, l }; } },
    { "TwoLPlus1", [](int l) { return 2 * l + 1; }, [](int l) { return std::vector<int> { l, l, 1 }; } },
    { "ThreeLPlus2", [](int l) { return 3 * l + 2; }, [](int l) { return std::vector<int> { l, l, l, 2 }; } },
};

enum class Shape { Row, Column };

void PrintTo(Shape shape, std::ostream* out)
{
    *out << (shape == Shape::Row ? "one row" : "one column");
}

class RunLengthTest : public ::testing::TestWithParam<std::tuple<PixelFormat, RunCase>> {
protected:
    // `count` pixels laid out in one row or in one column (where every pixel
    // after the first starts a new row).
    static PixelGrid lineGrid(Shape shape, int count, const std::vector<std::int32_t>& values)
    {
        return shape == Shape::Row ? test::gridOf(count, 1, values) : test::gridOf(1, count, values);
    }
};

TEST_P(RunLengthTest, OneRunIsCutIntoFullRecordsAndTheRest)
{
    const auto& [format, runCase] = GetParam();
    for (const Shape shape : { Shape::Row, Shape::Column }) {
        SCOPED_TRACE(::testing::PrintToString(shape));
        const int limit = formatInfo(format).runLimit;
        const int pixels = runCase.pixels(limit);
        const std::int32_t value = firstValue(format);
        const PixelGrid grid = lineGrid(shape, pixels, std::vector<std::int32_t>(static_cast<std::size_t>(pixels), value));
        EXPECT_EQ(test::toHex(encode(format, grid)), test::toHex(recordsOf(format, { { value, runCase.runLengths(limit) } })));
    }
}

TEST_P(RunLengthTest, RunFollowedByAnotherValueEndsWithASingleRecordOfIt)
{
    const auto& [format, runCase] = GetParam();
    for (const Shape shape : { Shape::Row, Shape::Column }) {
        SCOPED_TRACE(::testing::PrintToString(shape));
        const int limit = formatInfo(format).runLimit;
        const int pixels = runCase.pixels(limit);
        const std::int32_t value = firstValue(format);
        const std::int32_t other = secondValue(format);
        std::vector<std::int32_t> values(static_cast<std::size_t>(pixels), value);
        values.push_back(other);
        values.push_back(value);
        const PixelGrid grid = lineGrid(shape, pixels + 2, values);
        const auto expected = recordsOf(format, { { value, runCase.runLengths(limit) }, { other, { 1 } }, { value, { 1 } } });
        EXPECT_EQ(test::toHex(encode(format, grid)), test::toHex(expected));
    }
}

INSTANTIATE_TEST_SUITE_P(RunLimits, RunLengthTest,
    ::testing::Combine(::testing::ValuesIn(RunLengthFormats), ::testing::ValuesIn(RunCases)),
    [](const auto& info) { return test::formatTestName(std::get<0>(info.param)) + "_" + std::get<1>(info.param).name; });

class RowEndTest : public ::testing::TestWithParam<PixelFormat> { };

TEST_P(RowEndTest, RunCrossingARowEndIsOneRecord)
{
    const PixelFormat format = GetParam();
    const std::int32_t a = firstValue(format);
    const std::int32_t b = secondValue(format);
    // A B B / B B A: the four B pixels run from row 1 into row 2.
    const PixelGrid grid = test::gridOf(3, 2, { a, b, b, b, b, a });
    EXPECT_EQ(test::toHex(encode(format, grid)), test::toHex(recordsOf(format, { { a, { 1 } }, { b, { 4 } }, { a, { 1 } } })));
}

TEST_P(RowEndTest, FullRecordEndingExactlyAtARowEndIsFollowedByANewRun)
{
    // Width L, two rows of one value: a full record per row, the second
    // being the final record.
    const PixelFormat format = GetParam();
    const int limit = formatInfo(format).runLimit;
    const std::int32_t value = secondValue(format);
    const PixelGrid grid = test::filledGrid(limit, 2, value);
    EXPECT_EQ(test::toHex(encode(format, grid)), test::toHex(recordsOf(format, { { value, { limit, limit } } })));
}

TEST_P(RowEndTest, ValuesDifferingInOneKeptBitAreNeverMerged)
{
    const PixelFormat format = GetParam();
    std::vector<std::int32_t> bases;
    std::vector<std::uint32_t> bits;
    if (format == PixelFormat::Y5x3) {
        bases = { 15 }; // 15 with any one of bits 0..4 flipped stays within 7..31
        bits = { 1, 2, 4, 8, 16 };
    } else {
        const std::uint32_t mask = formatInfo(format).reductionMask();
        bases = { 0, static_cast<std::int32_t>(mask) };
        for (int bit = 0; bit < 24; ++bit) {
            if (mask & (1u << bit))
                bits.push_back(1u << bit);
        }
    }
    for (const std::int32_t base : bases) {
        for (const std::uint32_t bit : bits) {
            const auto other = static_cast<std::int32_t>(static_cast<std::uint32_t>(base) ^ bit);
            const PixelGrid grid = test::gridOf(2, 2, { base, other, other, base });
            const auto expected = recordsOf(format, { { base, { 1 } }, { other, { 2 } }, { base, { 1 } } });
            const OutputBytes bytes = encode(format, grid);
            EXPECT_EQ(test::toHex(bytes), test::toHex(expected)) << std::hex << "base 0x" << base << " bit 0x" << bit;
            // The two values' records differ, so the bit reaches the output.
            EXPECT_NE(test::referenceRecord(format, base, 1), test::referenceRecord(format, other, 1));
        }
    }
}

INSTANTIATE_TEST_SUITE_P(RunLengthFormats, RowEndTest, ::testing::ValuesIn(RunLengthFormats),
    [](const auto& info) { return test::formatTestName(info.param); });

} // namespace
} // namespace rasterkit
