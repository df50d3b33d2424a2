// "RGB 5:6:5x8": 3-byte run records, the RGB 5:6:5 word high byte first, then
// the run length 1..255 as the pixel count itself.
#include "encoders.h"
#include "pack.h"
#include "scan.h"

namespace rasterkit {
namespace {

struct RGB565x8Record {
    static constexpr PixelFormat Format = PixelFormat::RGB565x8;

    static constexpr void build(std::int32_t colour, std::uint8_t runLength, std::uint8_t* out)
    {
        out[0] = Pack565High(static_cast<std::uint32_t>(colour));
        out[1] = Pack565Low(static_cast<std::uint32_t>(colour));
        out[2] = runLength;
    }

    static constexpr std::pair<std::int32_t, unsigned> parse(const std::uint8_t* in)
    {
        return { static_cast<std::int32_t>(detail::unpack565(in[0], in[1])), in[2] };
    }
};

} // namespace

OutputBytes EncodeRGB565x8(const PixelGrid& grid, const EncodeProgress& progress)
{
    return detail::encodeRuns<RGB565x8Record>(grid, progress);
}

DecodeResult detail::decodeRGB565x8(std::span<const std::uint8_t> bytes, int width, int height)
{
    return decodeRuns<RGB565x8Record>(bytes, width, height);
}

} // namespace rasterkit
