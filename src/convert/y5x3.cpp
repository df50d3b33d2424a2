// "Y 5x3": 1-byte run records, the grey level 7..31 in bits 7-3 and the run
// length 1..7 in bits 2-0, so every record is grey level x 8 + run length.
#include "encoders.h"
#include "pack.h"
#include "scan.h"

namespace rasterkit {
namespace {

struct Y5x3Record {
    static constexpr PixelFormat Format = PixelFormat::Y5x3;

    static constexpr void build(std::int32_t greyLevel, std::uint8_t runLength, std::uint8_t* out)
    {
        out[0] = PackY5x3(static_cast<std::uint32_t>(greyLevel), runLength);
    }

    static constexpr std::pair<std::int32_t, unsigned> parse(const std::uint8_t* in)
    {
        return { static_cast<std::int32_t>(in[0] >> 3), in[0] & 0x07u };
    }
};

} // namespace

OutputBytes EncodeY5x3(const PixelGrid& grid, const EncodeProgress& progress)
{
    return detail::encodeRuns<Y5x3Record>(grid, progress);
}

DecodeResult detail::decodeY5x3(std::span<const std::uint8_t> bytes, int width, int height)
{
    return decodeRuns<Y5x3Record>(bytes, width, height);
}

} // namespace rasterkit
