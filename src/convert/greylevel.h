#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace rasterkit {

namespace detail {

// Hundredths that one 8-bit channel adds to the grey sum: bits 7 down to 1
// weigh 400, 200, 100, 50, 25, 12 and 6; bit 0 weighs nothing.
constexpr int channelHundredths(unsigned value)
{
    constexpr int weights[8] = { 0, 6, 12, 25, 50, 100, 200, 400 }; // by channel bit 0..7
    int hundredths = 0;
    for (int bit = 7; bit >= 1; --bit) {
        if (value & (1u << bit))
            hundredths += weights[bit];
    }
    return hundredths;
}

inline constexpr auto ChannelHundredths = [] {
    std::array<std::uint16_t, 256> table {};
    for (unsigned value = 0; value < 256; ++value)
        table[value] = static_cast<std::uint16_t>(channelHundredths(value));
    return table;
}();

// Rounds a sum in hundredths to the nearest whole level, ties to even.
constexpr std::int16_t roundHundredths(int hundredths)
{
    int level = hundredths / 100;
    const int remainder = hundredths % 100;
    if (remainder > 50 || (remainder == 50 && (level % 2) == 1))
        ++level;
    return static_cast<std::int16_t>(level);
}

// The largest sum: every weighted bit of all three channels set, plus 7.
inline constexpr int MaximumHundredths = 700 + 3 * channelHundredths(0xFF);

inline constexpr auto LevelOfHundredths = [] {
    std::array<std::int16_t, MaximumHundredths + 1> table {};
    for (int hundredths = 0; hundredths <= MaximumHundredths; ++hundredths)
        table[static_cast<std::size_t>(hundredths)] = roundHundredths(hundredths);
    return table;
}();

} // namespace detail

// The grey level 7..31 of a colour for the grey-sum format. Bits 7 down to 1 of each
// channel weigh 4, 2, 1, 0.5, 0.25, 0.12 and 0.06 (bit 0 is ignored), 7 is
// added and the sum is rounded to nearest, ties to even. The sum is kept in
// hundredths, where the weights are whole, so no rounding error creeps in.
constexpr std::int16_t GreyLevel(std::uint32_t colour)
{
    const int hundredths = 700 + detail::ChannelHundredths[colour & 0xFFu]
        + detail::ChannelHundredths[(colour >> 8) & 0xFFu] + detail::ChannelHundredths[(colour >> 16) & 0xFFu];
    return detail::LevelOfHundredths[static_cast<std::size_t>(hundredths)];
}

// The preview shows a grey level as red = green = blue = 8 x level.
constexpr std::uint32_t greyPreviewColour(std::int32_t level)
{
    const auto v = static_cast<std::uint32_t>((8 * level) & 0xFF);
    return v | (v << 8) | (v << 16);
}

} // namespace rasterkit
