// Fuzz target for device/rasterkit_decode.h. The input is laid out as for the
// core's decode target (decode_fuzzer.h): format, width, height, then the
// file; the format byte picks one of the formats the header reads
// (devicecheck::DeviceFormats, modulo their count: 0 .. 7 as the core
// numbers them, 8 .. 13 for "Index 1" .. "RGB 5:6:5 A8"). The header reads
// the file row by row (into a row buffer exactly as wide as the picture, so
// the sanitizers see any write past it), run by run, both in turn and row
// by row with the alphas, in big-endian order and, with every 16-bit unit
// swapped, in little-endian order. Every way must hand out what the
// reference decodes (the core's decoder, its values widened to RGB 5:6:5;
// for the index and alpha formats the model of their layouts), or refuse the
// file with the reference's error at its offset, and a refused file must
// stay refused. The swapped units must be the core's little-endian order,
// which rasterkit-cli writes.
//
// Built with clang's -fsanitize=fuzzer this is a libFuzzer target; otherwise
// replay_main.cpp drives it over the corpus and device_random.cpp over a
// pseudo-random batch.

#include "decode_fuzzer.h"
#include "devicecheck.h"
#include "rasterkit_decode.h"

#include "convert/byteorder.h"

#include <algorithm>
#include <string>
#include <vector>

namespace rasterkit::fuzz {

bool checkDecoding(std::span<const std::uint8_t> input)
{
    if (input.size() < HeaderSize)
        return false;
    const PixelFormat format = devicecheck::DeviceFormats[input[0] % devicecheck::DeviceFormats.size()];
    const int width = sizeFromByte(input[1]);
    const int height = sizeFromByte(input[2]);
    const std::span<const std::uint8_t> data = input.subspan(HeaderSize);
    if (const std::string differences = devicecheck::differences(format, data, width, height); !differences.empty())
        fail(("the device decoder differs from the reference:\n" + differences).c_str(), input);
    // The little-endian files rasterkit-cli writes (--byte-order little) are
    // the ones the header is given in that order here, up to a record cut
    // short at the end, which is refused however its bytes lie. The colour
    // words of "RGB 5:6:5 A8" are known from the length of a whole file alone.
    const PixelFormatInfo& info = formatInfo(format);
    if (info.layout == FormatLayout::ColourThenAlpha
        && (width <= 0 || height <= 0 || data.size() != 3 * static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(height)))
        return devicecheck::referenceOutcome(format, data, width, height).code == RK_DONE;
    std::vector<std::uint8_t> littleEndian(data.begin(), data.end());
    applyByteOrder(format, littleEndian, ByteOrder::LittleEndian);
    const std::vector<std::uint8_t> swapped = devicecheck::swapUnits(format, data, width, height);
    const std::size_t unit = static_cast<std::size_t>(std::max(info.recordWidth, 1));
    const std::size_t whole = data.size() - data.size() % unit;
    if (!std::equal(littleEndian.begin(), littleEndian.begin() + static_cast<std::ptrdiff_t>(whole), swapped.begin()))
        fail("the core's little-endian order differs from the one the device decoder is checked in", input);
    return devicecheck::referenceOutcome(format, data, width, height).code == RK_DONE;
}

} // namespace rasterkit::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    rasterkit::fuzz::checkDecoding(std::span<const std::uint8_t>(data, size));
    return 0;
}
