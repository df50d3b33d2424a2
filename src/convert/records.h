#pragma once

// The bytes of each format's pixels and run records. Each builder looks only
// at the colour bits it names (0x00BBGGRR layout) and, where it takes a run
// length, only at the low bits of the run length that fit its field. Each
// record's builder and reader are named by its row of the format table
// (pixelformat.h), which checks them against the row when it is compiled.

#include "colour.h"
#include "greylevel.h"

#include <cstdint>

namespace rasterkit {

// A record read back: the value the grid holds, and the run length (0 for a
// plain format's pixel).
struct RecordFields {
    std::int32_t value = 0;
    unsigned runLength = 0;
};

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

namespace records {

// Colours back from the packed bytes, with the dropped low bits 0.
constexpr std::uint32_t unpack565(std::uint8_t high, std::uint8_t low)
{
    const unsigned red = high & 0xF8u;
    const unsigned green = ((high & 0x07u) << 5) | ((low & 0xE0u) >> 3);
    const unsigned blue = (low & 0x1Fu) << 3;
    return red | (green << 8) | (blue << 16);
}

constexpr std::uint32_t unpack332(std::uint8_t byte)
{
    const unsigned red = byte & 0xE0u;
    const unsigned green = (byte & 0x1Cu) << 3;
    const unsigned blue = (byte & 0x03u) << 6;
    return red | (green << 8) | (blue << 16);
}

constexpr std::uint32_t bits(std::int32_t value)
{
    return static_cast<std::uint32_t>(value);
}

// The preview of a colour format shows the value itself; of the grey format,
// grey 8 x level.
constexpr Colour colourPreview(std::int32_t value)
{
    return bits(value) & 0xFFFFFFu;
}

constexpr Colour greyPreview(std::int32_t level)
{
    return greyPreviewColour(level);
}

// A grey level of Bits bits widened to 8 by repeating its bits: 0 black, the
// top level white (for one bit: a lit pixel white).
template<int Bits>
constexpr Colour levelPreview(std::int32_t level)
{
    auto grey = static_cast<unsigned>(level) & ((1u << Bits) - 1);
    for (int filled = Bits; filled < 8; filled *= 2)
        grey |= grey << filled;
    grey &= 0xFFu;
    return grey | (grey << 8) | (grey << 16);
}

// The formats that keep alpha are shown as they look drawn over the
// preview's background: "A 8" as black ink of that alpha (the colour a glyph
// or icon is tinted with when drawn), the colour and alpha formats as the
// colour of bits 0..23 at the alpha of bits 24..31.
constexpr Colour alphaPreview(std::int32_t alpha)
{
    return blendOver(0, bits(alpha) & 0xFFu, PreviewBackground);
}

constexpr Colour colourAlphaPreview(std::int32_t value)
{
    return blendOver(bits(value), bits(value) >> 24, PreviewBackground);
}

// "RGB 5:6:5": one 16-bit word a pixel, high byte first, red in bits 15-11,
// green in 10-5, blue in 4-0.
struct RGB565 {
    static constexpr void build(std::int32_t colour, std::uint8_t, std::uint8_t* out)
    {
        out[0] = Pack565High(bits(colour));
        out[1] = Pack565Low(bits(colour));
    }
    static constexpr RecordFields parse(const std::uint8_t* in)
    {
        return { static_cast<std::int32_t>(unpack565(in[0], in[1])), 0 };
    }
};

// "RGB 5:6:5x8": 3-byte run records, the RGB 5:6:5 word high byte first, then
// the run length 1..255 as the pixel count itself.
struct RGB565x8 {
    static constexpr void build(std::int32_t colour, std::uint8_t runLength, std::uint8_t* out)
    {
        out[0] = Pack565High(bits(colour));
        out[1] = Pack565Low(bits(colour));
        out[2] = runLength;
    }
    static constexpr RecordFields parse(const std::uint8_t* in)
    {
        return { static_cast<std::int32_t>(unpack565(in[0], in[1])), in[2] };
    }
};

// "RGB 5:4:4x3": one 16-bit word a run, high byte first: red bits 7-3 in word
// bits 15-11, green 7-4 in 10-7, blue 7-4 in 6-3 and the run length 1..7 in
// 2-0. The high byte is red 7-3 and green 7-5, the same byte as RGB 5:6:5's.
struct RGB544x3 {
    static constexpr void build(std::int32_t colour, std::uint8_t runLength, std::uint8_t* out)
    {
        out[0] = Pack565High(bits(colour));
        out[1] = Pack544x3Low(bits(colour), runLength);
    }
    static constexpr RecordFields parse(const std::uint8_t* in)
    {
        const unsigned red = in[0] & 0xF8u;
        const unsigned green = ((in[0] & 0x07u) << 5) | ((in[1] & 0x80u) >> 3);
        const unsigned blue = (in[1] & 0x78u) << 1;
        return { static_cast<std::int32_t>(red | (green << 8) | (blue << 16)), in[1] & 0x07u };
    }
};

// "RGB 4:4:4x4": one 16-bit word a run, high byte first: red bits 7-4 in word
// bits 15-12, green 7-4 in 11-8, blue 7-4 in 7-4 and the run length 1..15 in
// 3-0.
struct RGB444x4 {
    static constexpr void build(std::int32_t colour, std::uint8_t runLength, std::uint8_t* out)
    {
        out[0] = Pack444High(bits(colour));
        out[1] = Pack444x4Low(bits(colour), runLength);
    }
    static constexpr RecordFields parse(const std::uint8_t* in)
    {
        const unsigned red = in[0] & 0xF0u;
        const unsigned green = (in[0] & 0x0Fu) << 4;
        const unsigned blue = in[1] & 0xF0u;
        return { static_cast<std::int32_t>(red | (green << 8) | (blue << 16)), in[1] & 0x0Fu };
    }
};

// "RGB 3:3:3x7": one 16-bit word a run, high byte first: red bits 7-5 in word
// bits 15-13, green 7-5 in 12-10, blue 7-5 in 9-7 and the run length 1..127
// in 6-0. The high byte is red 7-5, green 7-5 and blue 7-6: the RGB 3:3:2
// byte.
struct RGB333x7 {
    static constexpr void build(std::int32_t colour, std::uint8_t runLength, std::uint8_t* out)
    {
        out[0] = Pack332(bits(colour));
        out[1] = Pack333x7Low(bits(colour), runLength);
    }
    static constexpr RecordFields parse(const std::uint8_t* in)
    {
        const std::uint32_t colour = unpack332(in[0]) | (static_cast<std::uint32_t>(in[1] & 0x80u) << 14);
        return { static_cast<std::int32_t>(colour), in[1] & 0x7Fu };
    }
};

// "RGB 3:3:2": one byte a pixel, red in bits 7-5, green in 4-2, blue in 1-0.
struct RGB332 {
    static constexpr void build(std::int32_t colour, std::uint8_t, std::uint8_t* out) { out[0] = Pack332(bits(colour)); }
    static constexpr RecordFields parse(const std::uint8_t* in) { return { static_cast<std::int32_t>(unpack332(in[0])), 0 }; }
};

// "RGB 3:3:2x8": 2-byte run records, the RGB 3:3:2 colour byte, then the run
// length 1..255 as the pixel count itself.
struct RGB332x8 {
    static constexpr void build(std::int32_t colour, std::uint8_t runLength, std::uint8_t* out)
    {
        out[0] = Pack332(bits(colour));
        out[1] = runLength;
    }
    static constexpr RecordFields parse(const std::uint8_t* in)
    {
        return { static_cast<std::int32_t>(unpack332(in[0])), in[1] };
    }
};

// "Y 5x3": 1-byte run records, the grey level 7..31 in bits 7-3 and the run
// length 1..7 in bits 2-0, so every record is grey level x 8 + run length.
struct Y5x3 {
    static constexpr void build(std::int32_t greyLevel, std::uint8_t runLength, std::uint8_t* out)
    {
        out[0] = PackY5x3(bits(greyLevel), runLength);
    }
    static constexpr RecordFields parse(const std::uint8_t* in)
    {
        return { static_cast<std::int32_t>(in[0] >> 3), in[0] & 0x07u };
    }
};

// "A 8": one byte a pixel, its alpha.
struct AlphaByte {
    static constexpr void build(std::int32_t alpha, std::uint8_t, std::uint8_t* out)
    {
        out[0] = static_cast<std::uint8_t>(bits(alpha) & 0xFFu);
    }
    static constexpr RecordFields parse(const std::uint8_t* in) { return { in[0], 0 }; }
};

// "RGB 8:8:8": three bytes a pixel, red, green and blue.
struct RGBBytes {
    static constexpr void build(std::int32_t colour, std::uint8_t, std::uint8_t* out)
    {
        out[0] = static_cast<std::uint8_t>(redOf(bits(colour)));
        out[1] = static_cast<std::uint8_t>(greenOf(bits(colour)));
        out[2] = static_cast<std::uint8_t>(blueOf(bits(colour)));
    }
    static constexpr RecordFields parse(const std::uint8_t* in)
    {
        return { static_cast<std::int32_t>(makeColour(in[0], in[1], in[2])), 0 };
    }
};

// "RGB 6:6:6": three bytes a pixel, red, green and blue, each channel's top
// 6 bits in the byte's top 6 bits, the low 2 bits 0; read back, the low 2
// bits are ignored, as an 18-bit panel ignores them.
struct RGB666 {
    static constexpr void build(std::int32_t colour, std::uint8_t runLength, std::uint8_t* out)
    {
        RGBBytes::build(static_cast<std::int32_t>(bits(colour) & 0xFCFCFCu), runLength, out);
    }
    static constexpr RecordFields parse(const std::uint8_t* in)
    {
        return { static_cast<std::int32_t>(makeColour(in[0] & 0xFCu, in[1] & 0xFCu, in[2] & 0xFCu)), 0 };
    }
};

} // namespace records
} // namespace rasterkit
