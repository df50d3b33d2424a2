// "RGB 5:4:4x3": one 16-bit word per run, high byte first: red bits 7-3 in
// word bits 15-11, green 7-4 in 10-7, blue 7-4 in 6-3 and the run length 1..7
// in 2-0.
#include "encoders.h"
#include "pack.h"
#include "scan.h"

namespace rasterkit {
namespace {

struct RGB544x3Record {
    static constexpr PixelFormat Format = PixelFormat::RGB544x3;

    static constexpr void build(std::int32_t colour, std::uint8_t runLength, std::uint8_t* out)
    {
        // The high byte is red 7-3 and green 7-5, the same byte as RGB 5:6:5's.
        out[0] = Pack565High(static_cast<std::uint32_t>(colour));
        out[1] = Pack544x3Low(static_cast<std::uint32_t>(colour), runLength);
    }

    static constexpr std::pair<std::int32_t, unsigned> parse(const std::uint8_t* in)
    {
        const unsigned red = in[0] & 0xF8u;
        const unsigned green = ((in[0] & 0x07u) << 5) | ((in[1] & 0x80u) >> 3);
        const unsigned blue = (in[1] & 0x78u) << 1;
        return { static_cast<std::int32_t>(red | (green << 8) | (blue << 16)), in[1] & 0x07u };
    }
};

} // namespace

OutputBytes EncodeRGB544x3(const PixelGrid& grid, const EncodeProgress& progress)
{
    return detail::encodeRuns<RGB544x3Record>(grid, progress);
}

DecodeResult detail::decodeRGB544x3(std::span<const std::uint8_t> bytes, int width, int height)
{
    return decodeRuns<RGB544x3Record>(bytes, width, height);
}

} // namespace rasterkit
