// Fuzz target for device/rasterkit_decode.h. The input is laid out as for the
// core's decode target (decode_fuzzer.h): format, width, height, then the
// file. The header reads the file row by row (into a row buffer exactly as
// wide as the picture, so the sanitizers see any write past it), run by run,
// and both in turn, in big-endian order and, with every 16-bit unit swapped,
// in little-endian order. Every way must hand out what the core's decoder
// decodes, widened to RGB 5:6:5, or refuse the file with the core's error at
// the core's offset, and a refused file must stay refused. The swapped units
// must be the core's little-endian order, which rasterkit-cli writes.
//
// Built with clang's -fsanitize=fuzzer this is a libFuzzer target; otherwise
// replay_main.cpp drives it over the corpus and decode_random.cpp over a
// pseudo-random batch.

#include "decode_fuzzer.h"
#include "devicecheck.h"
#include "rasterkit_decode.h"

#include "convert/byteorder.h"
#include "convert/decoders.h"

#include <algorithm>
#include <string>
#include <vector>

namespace rasterkit::fuzz {

bool checkDecoding(std::span<const std::uint8_t> input)
{
    if (input.size() < HeaderSize)
        return false;
    // The formats the device decoder reads: the first RK_FORMAT_COUNT.
    const auto format = static_cast<PixelFormat>(input[0] % RK_FORMAT_COUNT);
    const int width = sizeFromByte(input[1]);
    const int height = sizeFromByte(input[2]);
    const std::span<const std::uint8_t> data = input.subspan(HeaderSize);
    if (const std::string differences = devicecheck::differences(format, data, width, height); !differences.empty())
        fail(("the device decoder differs from the core:\n" + differences).c_str(), input);
    // The little-endian files rasterkit-cli writes (--byte-order little) are
    // the ones the header is given in that order here, up to a record cut
    // short at the end, which is refused however its bytes lie.
    std::vector<std::uint8_t> littleEndian(data.begin(), data.end());
    applyByteOrder(format, littleEndian, ByteOrder::LittleEndian);
    const std::vector<std::uint8_t> swapped = devicecheck::swapUnits(format, data);
    const std::size_t whole = data.size() - data.size() % static_cast<std::size_t>(formatInfo(format).recordWidth);
    if (!std::equal(littleEndian.begin(), littleEndian.begin() + static_cast<std::ptrdiff_t>(whole), swapped.begin()))
        fail("the core's little-endian order differs from the one the device decoder is checked in", input);
    return decode(format, data, width, height).ok();
}

} // namespace rasterkit::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    rasterkit::fuzz::checkDecoding(std::span<const std::uint8_t>(data, size));
    return 0;
}
