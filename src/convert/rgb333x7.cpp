// "RGB 3:3:3x7": one 16-bit word per run, high byte first: red bits 7-5 in
// word bits 15-13, green 7-5 in 12-10, blue 7-5 in 9-7 and the run length
// 1..127 in 6-0.
#include "encoders.h"
#include "pack.h"
#include "scan.h"

namespace rasterkit {
namespace {

struct RGB333x7Record {
    static constexpr PixelFormat Format = PixelFormat::RGB333x7;

    static constexpr void build(std::int32_t colour, std::uint8_t runLength, std::uint8_t* out)
    {
        // The high byte is red 7-5, green 7-5 and blue 7-6: the RGB 3:3:2 byte.
        out[0] = Pack332(static_cast<std::uint32_t>(colour));
        out[1] = Pack333x7Low(static_cast<std::uint32_t>(colour), runLength);
    }

    static constexpr std::pair<std::int32_t, unsigned> parse(const std::uint8_t* in)
    {
        const std::uint32_t colour = detail::unpack332(in[0]) | (static_cast<std::uint32_t>(in[1] & 0x80u) << 14);
        return { static_cast<std::int32_t>(colour), in[1] & 0x7Fu };
    }
};

} // namespace

OutputBytes EncodeRGB333x7(const PixelGrid& grid, const EncodeProgress& progress)
{
    return detail::encodeRuns<RGB333x7Record>(grid, progress);
}

DecodeResult detail::decodeRGB333x7(std::span<const std::uint8_t> bytes, int width, int height)
{
    return decodeRuns<RGB333x7Record>(bytes, width, height);
}

} // namespace rasterkit
