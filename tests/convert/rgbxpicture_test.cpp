// RgbxPicture: the bytes it holds (red, green, blue, 0xFF), the parts it
// shares or copies, and the views the sampler reads.

#include "convert/rgbxpicture.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace rasterkit {
namespace {

// A 7 x 5 picture whose colour tells each pixel's place: 0xFF00YYXX.
RgbxPicture numbered()
{
    RgbxPicture picture = RgbxPicture::allocate(7, 5);
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x)
            picture.setPixel(x, y, std::uint32_t(y) << 8 | std::uint32_t(x));
    return picture;
}

TEST(RgbxPictureTest, HoldsRedGreenBlueAndOpaqueBytes)
{
    RgbxPicture picture = RgbxPicture::allocate(3, 2);
    ASSERT_FALSE(picture.isNull());
    EXPECT_EQ(picture.bytesPerLine(), 12);
    picture.fill(0x123456);
    picture.setPixel(2, 1, 0x01ABCDEF); // the alpha given is ignored
    const std::uint8_t expected[2][12] = { { 0x12, 0x34, 0x56, 0xFF, 0x12, 0x34, 0x56, 0xFF, 0x12, 0x34, 0x56, 0xFF },
        { 0x12, 0x34, 0x56, 0xFF, 0x12, 0x34, 0x56, 0xFF, 0xAB, 0xCD, 0xEF, 0xFF } };
    for (int y = 0; y < 2; ++y)
        for (int index = 0; index < 12; ++index)
            EXPECT_EQ(picture.constScanLine(y)[index], expected[y][index]) << y << ", " << index;
    EXPECT_EQ(picture.pixel(2, 1), 0xFFABCDEFu);
    EXPECT_EQ(picture.pixel(0, 0), 0xFF123456u);
}

TEST(RgbxPictureTest, RefusesSidesThatAreNotPositive)
{
    const struct {
        int width, height;
    } sizes[] = { { 0, 1 }, { 1, 0 }, { -3, 4 }, { 4, -3 } };
    for (const auto& size : sizes) {
        const RgbxPicture picture = RgbxPicture::allocate(size.width, size.height);
        EXPECT_TRUE(picture.isNull()) << size.width << " x " << size.height;
        EXPECT_EQ(picture.view().bytes, nullptr);
    }
}

TEST(RgbxPictureTest, RegionsShareThePixelsAndCopiesDoNot)
{
    const struct {
        int left, top, width, height;
    } parts[] = { { 0, 0, 7, 5 }, { 2, 1, 3, 2 }, { 6, 4, 1, 1 }, { 0, 3, 7, 2 } };
    for (const auto& part : parts) {
        SCOPED_TRACE(testing::Message() << part.left << "," << part.top << " " << part.width << " x " << part.height);
        RgbxPicture picture = numbered();
        RgbxPicture shared = picture.region(part.left, part.top, part.width, part.height);
        const RgbxPicture copied = picture.copy(part.left, part.top, part.width, part.height);
        ASSERT_EQ(shared, copied);
        for (int y = 0; y < part.height; ++y)
            for (int x = 0; x < part.width; ++x)
                EXPECT_EQ(copied.pixel(x, y), 0xFF000000u | std::uint32_t(part.top + y) << 8 | std::uint32_t(part.left + x));
        EXPECT_EQ(copied.bytesPerLine(), part.width * 4);
        EXPECT_EQ(shared.bytesPerLine(), picture.bytesPerLine());

        shared.setPixel(0, 0, 0xABCDEF);
        EXPECT_EQ(picture.pixel(part.left, part.top), 0xFFABCDEFu);
        EXPECT_NE(shared, copied);
        picture = {}; // the region keeps the pixels alive
        EXPECT_EQ(shared.pixel(0, 0), 0xFFABCDEFu);
    }
}

TEST(RgbxPictureTest, ViewsStartAtTheGivenPixel)
{
    const RgbxPicture picture = numbered();
    const SourceImage view = picture.region(2, 1, 4, 3).view(-10, 20);
    EXPECT_EQ(view.width, 4);
    EXPECT_EQ(view.height, 3);
    EXPECT_EQ(view.left, -10);
    EXPECT_EQ(view.top, 20);
    EXPECT_EQ(view.bytesPerLine, picture.bytesPerLine());
    EXPECT_EQ(view.bytes, picture.constScanLine(1) + 2 * 4);
}

TEST(RgbxPictureTest, EqualMeansTheSameSizeAndColours)
{
    EXPECT_EQ(numbered(), numbered());
    EXPECT_EQ(RgbxPicture(), RgbxPicture());
    EXPECT_NE(numbered(), numbered().copy(0, 0, 7, 4));
    EXPECT_NE(numbered(), RgbxPicture());
}

} // namespace
} // namespace rasterkit
