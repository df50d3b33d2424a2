// The sRGB <-> linear light tables: every entry is the sRGB curve computed in
// double precision and rounded, and decoding then encoding gives every
// channel value back.

#include "convert/linearlight.h"

#include <gtest/gtest.h>

#include <cmath>

namespace rasterkit {
namespace {

double decode(double encoded)
{
    return encoded <= 0.04045 ? encoded / 12.92 : std::pow((encoded + 0.055) / 1.055, 2.4);
}

double encode(double linear)
{
    return linear <= 0.0031308 ? linear * 12.92 : 1.055 * std::pow(linear, 1.0 / 2.4) - 0.055;
}

TEST(LinearLightTest, EveryChannelValueDecodesToItsRoundedLinearLight)
{
    for (int value = 0; value < 256; ++value) {
        const double exact = LinearLightMaximum * decode(value / 255.0);
        ASSERT_EQ(linearFromSrgb(static_cast<std::uint8_t>(value)), std::nearbyint(exact)) << "channel " << value;
    }
}

TEST(LinearLightTest, EveryLinearValueEncodesToItsRoundedChannelValue)
{
    for (int linear = 0; linear <= LinearLightMaximum; ++linear) {
        const double exact = 255.0 * encode(linear / double(LinearLightMaximum));
        ASSERT_EQ(srgbFromLinear(static_cast<std::uint16_t>(linear)), std::nearbyint(exact)) << "linear " << linear;
    }
}

TEST(LinearLightTest, DecodingThenEncodingGivesEveryChannelValueBack)
{
    for (int value = 0; value < 256; ++value)
        ASSERT_EQ(srgbFromLinear(linearFromSrgb(static_cast<std::uint8_t>(value))), value);
}

TEST(LinearLightTest, KnownPoints)
{
    EXPECT_EQ(linearFromSrgb(0), 0);
    EXPECT_EQ(linearFromSrgb(255), 65535);
    EXPECT_EQ(linearFromSrgb(1), 20);     // 65535 / 255 / 12.92 = 19.89
    EXPECT_EQ(linearFromSrgb(128), 14146); // 65535 x 0.21586
    EXPECT_EQ(srgbFromLinear(32768), 188); // half the light is sRGB 187.5, not 128
    EXPECT_EQ(srgbFromLinear(21845), 156); // a third: 156.19
}

} // namespace
} // namespace rasterkit
