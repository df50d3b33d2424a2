// Built once for each format of oneformat.h, with ONE_FORMAT set to its
// number: the header with RK_FORMATS naming that format alone, read by
// readAlone<number>.
#include "oneformat.h"

#define RK_FORMATS RK_FORMAT_BIT(ONE_FORMAT)
#include "rasterkit_decode.h"

#include <cstdint>
#include <vector>

#define ONE_FORMAT_NAME(number) readAlone##number
#define ONE_FORMAT_FUNCTION(number) ONE_FORMAT_NAME(number)

namespace rasterkit::devicecheck {

Outcome ONE_FORMAT_FUNCTION(ONE_FORMAT)(PixelFormat format, std::span<const std::uint8_t> bytes, int width, int height,
    int byteOrder)
{
    rk_decoder decoder;
    Outcome outcome;
    outcome.code = rk_decoder_init(&decoder, bytes.data(), bytes.size(), formatIndex(format),
        static_cast<std::uint16_t>(width), static_cast<std::uint16_t>(height), byteOrder);
    std::vector<std::uint16_t> colours(static_cast<std::size_t>(width));
    std::vector<std::uint8_t> alphas(static_cast<std::size_t>(width));
    while (outcome.code == RK_OK && (outcome.code = rk_decoder_row_alpha(&decoder, colours.data(), alphas.data())) == RK_OK) {
        outcome.pixels.insert(outcome.pixels.end(), colours.begin(), colours.end());
        outcome.alphas.insert(outcome.alphas.end(), alphas.begin(), alphas.end());
    }
    if (outcome.code != RK_DONE)
        outcome.position = decoder.position;
    return outcome;
}

} // namespace rasterkit::devicecheck
