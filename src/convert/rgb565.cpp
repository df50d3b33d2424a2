// "RGB 5:6:5": one 16-bit word per pixel, high byte first, red in bits 15-11,
// green in bits 10-5 and blue in bits 4-0.
#include "encoders.h"
#include "pack.h"
#include "scan.h"

namespace rasterkit {

OutputBytes EncodeRGB565(const PixelGrid& grid, const EncodeProgress& progress)
{
    return detail::encodePlain<PixelFormat::RGB565>(grid, progress, [](std::uint32_t colour, std::uint8_t* out) {
        out[0] = Pack565High(colour);
        out[1] = Pack565Low(colour);
    });
}

namespace detail {

DecodeResult decodeRGB565(std::span<const std::uint8_t> bytes, int width, int height)
{
    return decodePlain<PixelFormat::RGB565>(bytes, width, height, [](const std::uint8_t* in) { return unpack565(in[0], in[1]); });
}

} // namespace detail
} // namespace rasterkit
