// Fuzz target for the decoders. The first three bytes choose the format and
// the claimed width and height; the rest is the file to decode. A file that
// decodes must hold only values its format can carry, and its grid must come
// back unchanged through encode and decode. Plain files must re-encode to
// themselves. Run-length files need not (a short run followed by more of the
// same value is valid but not what the encoder writes), but the encoder's
// form is never longer and re-encodes to itself. An indexed format's file
// decodes to colours of its palette's entries in use, which its index rows
// alone read through that palette give too, and it re-encodes through that
// palette to itself (but for padding bits, and an index of a colour the
// palette holds twice, which comes back as the first). A file that does not
// decode must say why, at an offset inside the data, and leave no grid behind.
//
// Built with clang's -fsanitize=fuzzer this is a libFuzzer target; otherwise
// replay_main.cpp drives it over the corpus and decode_random.cpp over a
// pseudo-random batch.

#include "decode_fuzzer.h"

#include "convert/decoders.h"
#include "convert/encoders.h"
#include "convert/pixelformat.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <cstdlib>
#include <span>
#include <string>

namespace rasterkit::fuzz {

namespace {

bool holdsOnlyFormatValues(PixelFormat format, const PixelGrid& grid, const Palette& palette)
{
    const auto& info = formatInfo(format);
    if (info.paletteEntries() > 0) {
        for (const std::int32_t value : grid.values()) {
            if (std::find(palette.begin(), palette.end(), static_cast<Colour>(value)) == palette.end())
                return false;
        }
    }
    const std::int32_t topLevel = info.reduction == Reduction::GreySum ? 31 : (1 << info.channelBits[0]) - 1;
    // Beside a colour, an alpha in bits 24..31; fully transparent is 0 whole.
    const bool besideColour = info.keepsAlpha() && !info.grey();
    const std::uint32_t kept = info.reductionMask() | (besideColour ? 0xFF000000u : 0u);
    for (const std::int32_t value : grid.values()) {
        const auto bits = static_cast<std::uint32_t>(value);
        if (info.grey() ? (value < 0 || value > topLevel) : (bits & ~kept) != 0)
            return false;
        if (besideColour && bits >> 24 == 0 && bits != 0)
            return false;
    }
    return true;
}

// Whether every bit of a plain format's file is read: a pixel of all ones
// reads and builds back to all ones (not so for a bit layout's padding).
bool everyBitCounts(const PixelFormatInfo& info)
{
    if (info.layout != FormatLayout::Pixels)
        return false;
    std::array<std::uint8_t, 8> ones {};
    ones.fill(0xFF);
    std::array<std::uint8_t, 8> built {};
    const RecordFields fields = info.parse(ones.data());
    info.build(fields.value, static_cast<std::uint8_t>(fields.runLength), built.data());
    return std::equal(built.begin(), built.begin() + info.recordWidth, ones.begin());
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
        const bool rightLength = std::int64_t(data.size()) == plainSize(info, width, height);
        const bool pastPalette = info.paletteEntries() > 0 && rightLength && result.error == DecodeError::PastPalette;
        if (!info.runLength() && isValidTargetSize(width, height) && !pastPalette
            && (result.error != DecodeError::WrongLength || rightLength))
            fail("a plain file of the right length was refused, or of the wrong length for another reason", input);
        return false;
    }

    const PixelGrid& grid = result.grid;
    if (grid.width() != width || grid.height() != height)
        fail("the decoded grid has the wrong size", input);
    if (!holdsOnlyFormatValues(format, grid, result.palette))
        fail("the decoded grid holds values the format cannot carry", input);

    if (info.paletteEntries() > 0) {
        const auto paletteBytes = static_cast<std::size_t>(info.paletteBytes());
        // The entries up to the last that is not 0, and a black after them
        // when a pixel names it.
        const Palette inUse = decodePalette(format, data);
        const bool blackAfter = result.palette.size() == inUse.size() + 1 && result.palette.back() == 0;
        if (result.palette.empty() || result.palette.size() > static_cast<std::size_t>(info.paletteEntries())
            || !std::equal(inUse.begin(), inUse.end(), result.palette.begin(), result.palette.begin() + std::min(inUse.size(), result.palette.size()))
            || (result.palette.size() != inUse.size() && !blackAfter))
            fail("the palette in use is not the palette part's entries up to the last that is not 0", input);
        const DecodeResult rows = decodeIndexRows(format, data.subspan(paletteBytes), width, height, result.palette);
        if (!rows.ok() || rows.grid != grid)
            fail("the index rows alone do not read as the file does", input);
        const OutputBytes through = encode(format, grid, result.palette);
        const DecodeResult again = decode(format, through, width, height);
        // (less a black after the colours in use, which the encoder does
        // not need: black comes earlier in such a palette)
        if (!again.ok() || again.grid != grid || again.palette.size() > result.palette.size()
            || !std::equal(again.palette.begin(), again.palette.end(), result.palette.begin())
            || (again.palette.size() < result.palette.size() && !blackAfter))
            fail("the grid re-encoded through its palette does not come back with it", input);
        if (encode(format, again.grid, again.palette) != through)
            fail("the grid re-encoded through its palette does not re-encode to itself", input);
        if (through.size() != data.size())
            fail("an indexed file re-encodes to another length", input);
    }

    const OutputBytes encoded = encode(format, grid);
    const DecodeResult again = decode(format, encoded, width, height);
    if (!again.ok())
        fail(("the re-encoded grid does not decode: " + again.message()).c_str(), input);
    if (again.grid != grid)
        fail("decode(encode(grid)) differs from grid", input);

    if (!info.runLength()) {
        // Bits a file may hold that no pixel reads (a bit layout's padding,
        // the low bits of 6:6:6) come back 0; the others come back as they were.
        if (everyBitCounts(info) && !std::equal(encoded.begin(), encoded.end(), data.begin(), data.end()))
            fail("a plain file does not re-encode to itself", input);
        if (!std::equal(encoded.begin(), encoded.end(), encode(format, decode(format, encoded, width, height).grid).begin()))
            fail("a plain file does not re-encode to itself once its unread bits are 0", input);
        if (encoded.size() != data.size())
            fail("a plain file re-encodes to another length", input);
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
