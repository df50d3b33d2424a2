// Byte order: which formats it changes, that it turns an image back, and
// that the bytes of a record cut short at the end stay as they are.

#include "convert/byteorder.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace rasterkit {
namespace {

using Bytes = std::vector<std::uint8_t>;

TEST(ByteOrderTest, SwapsTheWordOfWholeRecordsOnly)
{
    const struct {
        PixelFormat format;
        Bytes little; // of the bytes 1 2 3 4 5 6 7
    } rows[] = {
        { PixelFormat::RGB565, { 2, 1, 4, 3, 6, 5, 7 } },
        { PixelFormat::RGB565x8, { 2, 1, 3, 5, 4, 6, 7 } },
        { PixelFormat::RGB333x7, { 2, 1, 4, 3, 6, 5, 7 } },
        { PixelFormat::RGB332x8, { 1, 2, 3, 4, 5, 6, 7 } },
        { PixelFormat::Y5x3, { 1, 2, 3, 4, 5, 6, 7 } },
    };
    const Bytes big { 1, 2, 3, 4, 5, 6, 7 };
    for (const auto& row : rows) {
        Bytes bytes = big;
        applyByteOrder(row.format, bytes, ByteOrder::BigEndian);
        EXPECT_EQ(bytes, big);
        applyByteOrder(row.format, bytes, ByteOrder::LittleEndian);
        EXPECT_EQ(bytes, row.little) << formatInfo(row.format).name;
        applyByteOrder(row.format, bytes, ByteOrder::LittleEndian);
        EXPECT_EQ(bytes, big) << formatInfo(row.format).name;
    }
}

TEST(ByteOrderTest, NamesAreBigAndLittle)
{
    for (const ByteOrder order : { ByteOrder::BigEndian, ByteOrder::LittleEndian })
        EXPECT_EQ(parseByteOrder(byteOrderName(order)), order);
    EXPECT_FALSE(parseByteOrder("Big"));
    EXPECT_FALSE(parseByteOrder(""));
}

} // namespace
} // namespace rasterkit
