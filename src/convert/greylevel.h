#pragma once

#include <cstdint>

namespace rasterkit {

// The grey level 7..31 of a colour for "Y 5x3". Bits 7 down to 1 of each
// channel weigh 4, 2, 1, 0.5, 0.25, 0.12 and 0.06 (bit 0 is ignored), 7 is
// added and the sum is rounded to nearest, ties to even. The sum is kept in
// hundredths, where the weights are whole, so no rounding error creeps in.
constexpr std::int16_t GreyLevel(std::uint32_t colour)
{
    constexpr int weights[8] = { 0, 6, 12, 25, 50, 100, 200, 400 }; // by channel bit 0..7
    int hundredths = 700;
    for (int channel = 0; channel < 3; ++channel) {
        const unsigned value = (colour >> (8 * channel)) & 0xFFu;
        for (int bit = 7; bit >= 1; --bit) {
            if (value & (1u << bit))
                hundredths += weights[bit];
        }
    }
    int level = hundredths / 100;
    const int remainder = hundredths % 100;
    if (remainder > 50 || (remainder == 50 && (level % 2) == 1))
        ++level;
    return static_cast<std::int16_t>(level);
}

// The preview shows a grey level as red = green = blue = 8 x level.
constexpr std::uint32_t greyPreviewColour(std::int32_t level)
{
    const auto v = static_cast<std::uint32_t>((8 * level) & 0xFF);
    return v | (v << 8) | (v << 16);
}

} // namespace rasterkit
