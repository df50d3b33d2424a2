#pragma once

#include <cstdint>

// Byte builders shared by the plain and the run-length encoders. Each looks
// only at the colour bits it names (0x00BBGGRR layout) and, where it takes a
// run length, only at the low bits of the run length that fit its field.
namespace rasterkit {

// R7 R6 R5 R4 R3 G7 G6 G5: the high byte of an RGB 5:6:5 word.
constexpr std::uint8_t Pack565High(std::uint32_t colour)
{
    return static_cast<std::uint8_t>((colour & 0xF8u) | ((colour >> 13) & 0x07u));
}

// G4 G3 G2 B7 B6 B5 B4 B3: the low byte of an RGB 5:6:5 word.
constexpr std::uint8_t Pack565Low(std::uint32_t colour)
{
    return static_cast<std::uint8_t>(((colour >> 5) & 0xE0u) | ((colour >> 19) & 0x1Fu));
}

// R7 R6 R5 G7 G6 G5 B7 B6.
constexpr std::uint8_t Pack332(std::uint32_t colour)
{
    return static_cast<std::uint8_t>((colour & 0xE0u) | ((colour >> 11) & 0x1Cu) | ((colour >> 22) & 0x03u));
}

// G4, then B7 B6 B5 B4, then the run length's bits 2..0.
constexpr std::uint8_t Pack544x3Low(std::uint32_t colour, std::uint8_t runLength)
{
    return static_cast<std::uint8_t>(((colour >> 5) & 0x80u) | ((colour >> 17) & 0x78u) | (runLength & 0x07u));
}

// R7 R6 R5 R4 G7 G6 G5 G4.
constexpr std::uint8_t Pack444High(std::uint32_t colour)
{
    return static_cast<std::uint8_t>((colour & 0xF0u) | ((colour >> 12) & 0x0Fu));
}

// B7 B6 B5 B4, then the run length's bits 3..0.
constexpr std::uint8_t Pack444x4Low(std::uint32_t colour, std::uint8_t runLength)
{
    return static_cast<std::uint8_t>(((colour >> 16) & 0xF0u) | (runLength & 0x0Fu));
}

// B5, then the run length's bits 6..0.
constexpr std::uint8_t Pack333x7Low(std::uint32_t colour, std::uint8_t runLength)
{
    return static_cast<std::uint8_t>(((colour >> 14) & 0x80u) | (runLength & 0x7Fu));
}

// Grey level bits 4..0, then the run length's bits 2..0.
constexpr std::uint8_t PackY5x3(std::uint32_t greyLevel, std::uint8_t runLength)
{
    return static_cast<std::uint8_t>(((greyLevel & 0x1Fu) << 3) | (runLength & 0x07u));
}

} // namespace rasterkit
