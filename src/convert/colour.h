#pragma once

#include <cstdint>

namespace rasterkit {

// A colour value is laid out 0x00BBGGRR: red in bits 0-7, green in bits 8-15,
// blue in bits 16-23, bits 24-31 zero. Channel bit k of green is colour bit
// 8 + k, of blue colour bit 16 + k.
using Colour = std::uint32_t;

// A sample taken outside the source picture reads as -1 (all bits set), so
// after the reduction mask it holds the mask itself.
inline constexpr std::int32_t OutsideSample = -1;

constexpr unsigned redOf(std::uint32_t colour) { return colour & 0xFFu; }
constexpr unsigned greenOf(std::uint32_t colour) { return (colour >> 8) & 0xFFu; }
constexpr unsigned blueOf(std::uint32_t colour) { return (colour >> 16) & 0xFFu; }

// The luma of a colour, 0..255: (299 R + 587 G + 114 B + 500) / 1000 in
// whole numbers.
constexpr int lumaOf(std::uint32_t colour)
{
    return static_cast<int>((299 * redOf(colour) + 587 * greenOf(colour) + 114 * blueOf(colour) + 500) / 1000);
}

constexpr Colour makeColour(unsigned red, unsigned green, unsigned blue)
{
    return (red & 0xFFu) | ((green & 0xFFu) << 8) | ((blue & 0xFFu) << 16);
}

// One channel over another at alpha 0..255: (c x alpha + b x (255 - alpha) +
// 127) / 255, as pictures read with transparency are blended over their
// background.
constexpr unsigned blendChannel(unsigned channel, unsigned alpha, unsigned background)
{
    return (channel * alpha + background * (255 - alpha) + 127) / 255;
}

// A colour (its low 24 bits) over a background, channel by channel.
constexpr Colour blendOver(std::uint32_t colour, unsigned alpha, Colour background)
{
    return makeColour(blendChannel(redOf(colour), alpha, redOf(background)),
        blendChannel(greenOf(colour), alpha, greenOf(background)),
        blendChannel(blueOf(colour), alpha, blueOf(background)));
}

// What the formats that keep alpha are shown over, in their previews and in
// compare: the light grey of the window's picture box.
inline constexpr Colour PreviewBackground = 0xF0F0F0u;

} // namespace rasterkit
