// Fuzz target for the decoders. The first three bytes choose the format and
// the claimed width and height; the rest is the file to decode. A file that
// decodes must hold only values its format can carry, and its grid must come
// back unchanged through encode and decode. Plain files must re-encode to
// themselves. Run-length files need not (a short run followed by more of the
// same value is valid but not what the encoder writes), but the encoder's
// form is never longer and re-encodes to itself. A file that does not decode
// must say why, at an offset inside the data, and leave no grid behind.
//
// Built with clang's -fsanitize=fuzzer this is a libFuzzer target; otherwise
// replay_main.cpp drives it over the corpus and decode_random.cpp over a
// pseudo-random batch.

#include "decode_fuzzer.h"

#include "convert/decoders.h"
#include "convert/encoders.h"
#include "convert/pixelformat.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <span>
#include <string>

namespace rasterkit::fuzz {

namespace {

bool holdsOnlyFormatValues(PixelFormat format, const PixelGrid& grid)
{
    const auto& info = formatInfo(format);
    for (const std::int32_t value : grid.values()) {
        if (info.grey() ? (value < 0 || value > 31) : (static_cast<std::uint32_t>(value) & ~info.reductionMask()) != 0)
            return false;
    }
    return true;
}

} // namespace

bool checkDecoding(std::span<const std::uint8_t> input)
{
    if (input.size() < HeaderSize)
        return false;
    const auto format = static_cast<PixelFormat>(input[0] % PixelFormatCount);
    const int width = sizeFromByte(input[1]);
    const int height = sizeFromByte(input[2]);
    const std::span<const std::uint8_t> data = input.subspan(HeaderSize);
    const auto& info = formatInfo(format);
    // Any claimed size is decoded: the records are checked before the grid
    // is allocated, so a short input claiming 8192 x 8192 costs nothing.
    const DecodeResult result = decode(format, data, width, height);
    if (!result.ok()) {
        if (!result.grid.isEmpty())
            fail("a failed decode left a grid", input);
        if (result.offset > data.size())
            fail("the error offset lies beyond the data", input);
        if (result.message().empty())
            fail("an error without a message", input);
        if ((result.error == DecodeError::InvalidSize) == isValidTargetSize(width, height))
            fail("the size was judged wrongly", input);
        if (!info.runLength() && isValidTargetSize(width, height)
            && (result.error != DecodeError::WrongLength
                || data.size() == static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * static_cast<std::size_t>(info.recordWidth)))
            fail("a plain file of the right length was refused, or of the wrong length for another reason", input);
        return false;
    }

    const PixelGrid& grid = result.grid;
    if (grid.width() != width || grid.height() != height)
        fail("the decoded grid has the wrong size", input);
    if (!holdsOnlyFormatValues(format, grid))
        fail("the decoded grid holds values the format cannot carry", input);

    const OutputBytes encoded = encode(format, grid);
    const DecodeResult again = decode(format, encoded, width, height);
    if (!again.ok())
        fail(("the re-encoded grid does not decode: " + again.message()).c_str(), input);
    if (again.grid != grid)
        fail("decode(encode(grid)) differs from grid", input);

    if (!info.runLength()) {
        if (!std::equal(encoded.begin(), encoded.end(), data.begin(), data.end()))
            fail("a plain file does not re-encode to itself", input);
        return true;
    }
    if (encoded.size() > data.size())
        fail("the encoder's form is longer than a valid file of the same grid", input);
    if (encoded.size() % static_cast<std::size_t>(info.recordWidth) != 0)
        fail("the encoder's form is not whole records", input);
    if (encode(format, again.grid) != encoded)
        fail("the encoder's form does not re-encode to itself", input);
    return true;
}

} // namespace rasterkit::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    rasterkit::fuzz::checkDecoding(std::span<const std::uint8_t>(data, size));
    return 0;
}
