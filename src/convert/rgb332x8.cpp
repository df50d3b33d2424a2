// "RGB 3:3:2x8": 2-byte run records, the RGB 3:3:2 colour byte, then the run
// length 1..255 as the pixel count itself.
#include "encoders.h"
#include "pack.h"
#include "scan.h"

namespace rasterkit {
namespace {

struct RGB332x8Record {
    static constexpr PixelFormat Format = PixelFormat::RGB332x8;

    static constexpr void build(std::int32_t colour, std::uint8_t runLength, std::uint8_t* out)
    {
        out[0] = Pack332(static_cast<std::uint32_t>(colour));
        out[1] = runLength;
    }

    static constexpr std::pair<std::int32_t, unsigned> parse(const std::uint8_t* in)
    {
        return { static_cast<std::int32_t>(detail::unpack332(in[0])), in[1] };
    }
};

} // namespace

OutputBytes EncodeRGB332x8(const PixelGrid& grid, const EncodeProgress& progress)
{
    return detail::encodeRuns<RGB332x8Record>(grid, progress);
}

DecodeResult detail::decodeRGB332x8(std::span<const std::uint8_t> bytes, int width, int height)
{
    return decodeRuns<RGB332x8Record>(bytes, width, height);
}

} // namespace rasterkit
