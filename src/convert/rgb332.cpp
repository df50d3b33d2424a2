// "RGB 3:3:2": one byte per pixel, red in bits 7-5, green in bits 4-2 and
// blue in bits 1-0.
#include "encoders.h"
#include "pack.h"
#include "scan.h"

namespace rasterkit {

OutputBytes EncodeRGB332(const PixelGrid& grid, const EncodeProgress& progress)
{
    return detail::encodePlain<PixelFormat::RGB332>(grid, progress, [](std::uint32_t colour, std::uint8_t* out) {
        out[0] = Pack332(colour);
    });
}

namespace detail {

DecodeResult decodeRGB332(std::span<const std::uint8_t> bytes, int width, int height)
{
    return decodePlain<PixelFormat::RGB332>(bytes, width, height, [](const std::uint8_t* in) { return unpack332(in[0]); });
}

} // namespace detail
} // namespace rasterkit
