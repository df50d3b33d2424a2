// "RGB 4:4:4x4": one 16-bit word per run, high byte first: red bits 7-4 in
// word bits 15-12, green 7-4 in 11-8, blue 7-4 in 7-4 and the run length 1..15
// in 3-0.
#include "encoders.h"
#include "pack.h"
#include "scan.h"

namespace rasterkit {
namespace {

struct RGB444x4Record {
    static constexpr PixelFormat Format = PixelFormat::RGB444x4;

    static constexpr void build(std::int32_t colour, std::uint8_t runLength, std::uint8_t* out)
    {
        out[0] = Pack444High(static_cast<std::uint32_t>(colour));
        out[1] = Pack444x4Low(static_cast<std::uint32_t>(colour), runLength);
    }

    static constexpr std::pair<std::int32_t, unsigned> parse(const std::uint8_t* in)
    {
        const unsigned red = in[0] & 0xF0u;
        const unsigned green = (in[0] & 0x0Fu) << 4;
        const unsigned blue = in[1] & 0xF0u;
        return { static_cast<std::int32_t>(red | (green << 8) | (blue << 16)), in[1] & 0x0Fu };
    }
};

} // namespace

OutputBytes EncodeRGB444x4(const PixelGrid& grid, const EncodeProgress& progress)
{
    return detail::encodeRuns<RGB444x4Record>(grid, progress);
}

DecodeResult detail::decodeRGB444x4(std::span<const std::uint8_t> bytes, int width, int height)
{
    return decodeRuns<RGB444x4Record>(bytes, width, height);
}

} // namespace rasterkit
