#include "devicecheck.h"

#include "convert/decoders.h"
#include "convert/greylevel.h"
#include "rasterkit_decode.h"

#include <bit>
#include <limits>
#include <string>
#include <utility>

namespace rasterkit::devicecheck {

std::vector<std::uint8_t> swapUnits(PixelFormat format, std::span<const std::uint8_t> bytes)
{
    std::vector<std::uint8_t> swapped(bytes.begin(), bytes.end());
    const auto& info = formatInfo(format);
    if (format == PixelFormat::RGB332 || format == PixelFormat::RGB332x8 || format == PixelFormat::Y5x3)
        return swapped;
    const auto recordWidth = static_cast<std::size_t>(info.recordWidth); // the word comes first in every record
    for (std::size_t offset = 0; offset + 2 <= swapped.size(); offset += recordWidth)
        std::swap(swapped[offset], swapped[offset + 1]);
    return swapped;
}

std::uint16_t widened(PixelFormat format, std::int32_t value)
{
    const auto& info = formatInfo(format);
    const std::uint32_t colour = info.grey() ? greyPreviewColour(value) : static_cast<std::uint32_t>(value);
    const auto channel = [&](int shift, int wanted) {
        const int kept = info.grey() ? 8 : std::popcount((info.reductionMask() >> shift) & 0xFFu);
        const unsigned bits = ((colour >> shift) & 0xFFu) >> (8 - kept);
        std::string pattern; // the kept bits, most significant first, repeated to 8 digits
        while (pattern.size() < 8) {
            for (int bit = kept - 1; bit >= 0; --bit)
                pattern += ((bits >> bit) & 1u) ? '1' : '0';
        }
        return static_cast<unsigned>(std::stoul(pattern.substr(0, 8), nullptr, 2)) >> (8 - wanted);
    };
    return static_cast<std::uint16_t>(channel(0, 5) << 11 | channel(8, 6) << 5 | channel(16, 5));
}

Outcome coreOutcome(PixelFormat format, std::span<const std::uint8_t> bytes, int width, int height)
{
    static constexpr int Codes[] = { RK_DONE, RK_ERR_SIZE, RK_ERR_LENGTH, RK_ERR_TRUNCATED, RK_ERR_ZERO_RUN,
        RK_ERR_TOO_MANY, RK_ERR_TOO_FEW }; // by DecodeError
    const DecodeResult result = decode(format, bytes, width, height);
    Outcome outcome { Codes[static_cast<int>(result.error)], result.offset, {} };
    for (const std::int32_t value : result.grid.values())
        outcome.pixels.push_back(widened(format, value));
    return outcome;
}

Outcome deviceOutcome(Way way, PixelFormat format, std::span<const std::uint8_t> bytes, int width, int height,
    int byteOrder)
{
    rk_decoder decoder;
    Outcome outcome;
    outcome.code = rk_decoder_init(&decoder, bytes.data(), bytes.size(), formatIndex(format),
        static_cast<std::uint16_t>(width), static_cast<std::uint16_t>(height), byteOrder);
    std::vector<std::uint16_t> row(static_cast<std::size_t>(width)); // exactly as wide: the sanitizers see overruns
    std::uint16_t colour = 0;
    std::uint32_t count = 0;
    bool runNext = way != Way::Rows;
    while (outcome.code == RK_OK) {
        if (runNext) {
            outcome.code = rk_decoder_run(&decoder, &colour, &count);
            if (outcome.code == RK_OK)
                outcome.pixels.insert(outcome.pixels.end(), count, colour);
        } else {
            const std::size_t column = outcome.pixels.size() % row.size();
            outcome.code = rk_decoder_row(&decoder, row.data());
            if (outcome.code == RK_OK)
                outcome.pixels.insert(outcome.pixels.end(), row.begin() + static_cast<std::ptrdiff_t>(column), row.end());
        }
        if (way == Way::Mixed)
            runNext = !runNext;
    }
    if (outcome.code != RK_DONE) {
        outcome.position = decoder.position;
        // A stopped decoder keeps saying why.
        std::uint16_t spare = 0;
        if (rk_decoder_row(&decoder, row.empty() ? &spare : row.data()) != outcome.code || rk_decoder_run(&decoder, &colour, &count) != outcome.code)
            outcome.code = std::numeric_limits<int>::min();
    }
    return outcome;
}

std::string differences(PixelFormat format, std::span<const std::uint8_t> bigEndian, int width, int height)
{
    if (width < 0 || height < 0 || width > 0xFFFF || height > 0xFFFF)
        return {}; // the header cannot be given such a size
    Outcome expected = coreOutcome(format, bigEndian, width, height);
    const bool coreRefusesSize = expected.code == RK_ERR_SIZE && width > 0 && height > 0;
    const std::vector<std::uint8_t> littleEndian = swapUnits(format, bigEndian);
    std::string report;
    for (const int byteOrder : { RK_BIG_ENDIAN, RK_LITTLE_ENDIAN }) {
        const auto bytes = byteOrder == RK_BIG_ENDIAN ? bigEndian : std::span<const std::uint8_t>(littleEndian);
        for (const Way way : { Way::Rows, Way::Runs, Way::Mixed }) {
            const Outcome outcome = deviceOutcome(way, format, bytes, width, height, byteOrder);
            if (coreRefusesSize && way == Way::Rows)
                expected = outcome; // the other ways must agree with the rows
            if (outcome == expected)
                continue;
            report += std::string(byteOrder == RK_BIG_ENDIAN ? "big-endian" : "little-endian")
                + (way == Way::Rows ? " rows" : way == Way::Runs ? " runs" : " runs and rows") + ": "
                + rk_error_text(outcome.code) + " at byte " + std::to_string(outcome.position) + ", "
                + std::to_string(outcome.pixels.size()) + " pixels; the core: " + rk_error_text(expected.code)
                + " at byte " + std::to_string(expected.position) + ", " + std::to_string(expected.pixels.size())
                + " pixels\n";
        }
    }
    return report;
}

} // namespace rasterkit::devicecheck
