#pragma once

// The encoders and decoders of each layout, written once and made for each
// row of the format table (encode.cpp): a row's builder and reader are
// constant, so the compiler builds every record in place.

#include "decoders.h"
#include "encoders.h"
#include "palette.h"
#include "pixelformat.h"
#include "pixelgrid.h"
#include "quantise.h"

#include <algorithm>
#include <cassert>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace rasterkit::detail {

// One pass of the raster scan. Rows run top to bottom and columns left to
// right, and runs go on across row ends. A run is closed when it has reached
// the run limit (the next pixel is then not compared: it opens a new run
// even if it has the same value) or when the next value differs in any bit.
// The first pixel never closes a run, so no record has run length 0, and the
// run still open after the last pixel is always closed by a final record.
// Both passes take exactly the same decisions; only the writing pass stores
// the records. Returns the output size in bytes.
//
// Where colours change in a photo is unpredictable, so that decision has no
// branch: the writing pass builds the open run's record at the write
// position for every pixel and only moves past it when the run closes. A
// record built for a run that goes on is overwritten later at the same
// place, and the write position never passes the final record's, so every
// store stays inside the counted size. Full runs are rare in photos and
// regular in flat areas, so a branch predicts them well.
template<std::size_t Index, bool Writing>
std::size_t scanRuns(const PixelGrid& grid, std::uint8_t* out, const EncodeProgress& progress)
{
    constexpr const PixelFormatInfo& info = PixelFormats[Index];
    static_assert(info.runLength());
    constexpr RecordBuilder build = info.build;
    constexpr auto runLimit = static_cast<unsigned>(info.runLimit);
    constexpr auto width = static_cast<std::size_t>(info.recordWidth);
    const int rowCount = grid.height();
    std::int32_t previous = grid(1, 1);
    unsigned runLength = 0;
    std::size_t position = 0;
    for (int row = 1; row <= rowCount; ++row) {
        for (const std::int32_t value : grid.row(row)) {
            if (runLength == runLimit) [[unlikely]] {
                if constexpr (Writing)
                    build(previous, static_cast<std::uint8_t>(runLength), out + position);
                position += width;
                runLength = 0;
                previous = value; // the pixel opens the next run whatever its value
            }
            const unsigned differs = static_cast<unsigned>(value != previous); // 0 or 1
            if constexpr (Writing)
                build(previous, static_cast<std::uint8_t>(runLength), out + position);
            position += differs * width;
            runLength = (runLength & (differs - 1)) + 1; // 1 when a new run opens, else one more
            previous = value;
        }
        if (progress)
            progress(row, rowCount, Writing ? EncodePass::Writing : EncodePass::Counting);
    }
    if constexpr (Writing)
        build(previous, static_cast<std::uint8_t>(runLength), out + position);
    return position + width;
}

// Counting pass, one allocation at the counted size, writing pass.
template<std::size_t Index>
OutputBytes encodeRuns(const PixelGrid& grid, const EncodeProgress& progress)
{
    if (grid.isEmpty())
        return {};
    const std::size_t size = scanRuns<Index, false>(grid, nullptr, progress);
    OutputBytes bytes(size);
    [[maybe_unused]] const std::size_t written = scanRuns<Index, true>(grid, bytes.data(), progress);
    assert(written == size);
    return bytes;
}

// Plain formats write every pixel in raster order, the format's record width
// in bytes each, into bytes allocated once from the grid's size.
template<std::size_t Index>
OutputBytes encodePixels(const PixelGrid& grid, const EncodeProgress& progress)
{
    constexpr const PixelFormatInfo& info = PixelFormats[Index];
    constexpr RecordBuilder build = info.build;
    constexpr auto bytesPerPixel = static_cast<std::size_t>(info.recordWidth);
    OutputBytes bytes(grid.values().size() * bytesPerPixel);
    std::uint8_t* out = bytes.data();
    const int rowCount = grid.height();
    for (int row = 1; row <= rowCount; ++row) {
        for (const std::int32_t value : grid.row(row)) {
            build(value, 0, out);
            out += bytesPerPixel;
        }
        if (progress)
            progress(row, rowCount, EncodePass::Writing);
    }
    return bytes;
}

// The colour records of every pixel, then the alpha bytes: a value's bits
// 0..23 go through the record builder, bits 24..31 are its alpha. A fully
// transparent pixel's colour is written 0, whatever the value holds.
template<std::size_t Index>
OutputBytes encodeColourThenAlpha(const PixelGrid& grid, const EncodeProgress& progress)
{
    constexpr const PixelFormatInfo& info = PixelFormats[Index];
    constexpr RecordBuilder build = info.build;
    constexpr auto bytesPerPixel = static_cast<std::size_t>(info.recordWidth);
    const std::size_t pixelCount = grid.values().size();
    OutputBytes bytes(pixelCount * (bytesPerPixel + 1));
    std::uint8_t* colours = bytes.data();
    std::uint8_t* alphas = bytes.data() + pixelCount * bytesPerPixel;
    const int rowCount = grid.height();
    for (int row = 1; row <= rowCount; ++row) {
        for (const std::int32_t value : grid.row(row)) {
            const auto alpha = static_cast<std::uint8_t>(static_cast<std::uint32_t>(value) >> 24);
            build(alpha == 0 ? 0 : value, 0, colours);
            colours += bytesPerPixel;
            *alphas++ = alpha;
        }
        if (progress)
            progress(row, rowCount, EncodePass::Writing);
    }
    return bytes;
}

inline DecodeResult decodeFailure(DecodeError error, std::size_t offset = 0)
{
    DecodeResult result;
    result.error = error;
    result.offset = offset;
    return result;
}

// Expands the records in order into width x height values. Every record is
// checked before anything is allocated: whole, run length 1 or more, and no
// more pixels than the grid holds, so a short file that claims a huge
// picture costs nothing.
template<std::size_t Index>
DecodeResult decodeRuns(std::span<const std::uint8_t> bytes, int width, int height)
{
    constexpr const PixelFormatInfo& info = PixelFormats[Index];
    constexpr RecordParser parse = info.parse;
    constexpr auto recordWidth = static_cast<std::size_t>(info.recordWidth);
    if (!isValidTargetSize(width, height))
        return decodeFailure(DecodeError::InvalidSize);
    const std::size_t pixelCount = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    std::size_t pixel = 0;
    for (std::size_t offset = 0; offset < bytes.size(); offset += recordWidth) {
        if (bytes.size() - offset < recordWidth)
            return decodeFailure(DecodeError::TruncatedRecord, offset);
        const unsigned runLength = parse(bytes.data() + offset).runLength;
        if (runLength == 0)
            return decodeFailure(DecodeError::ZeroRunLength, offset);
        if (runLength > pixelCount - pixel)
            return decodeFailure(DecodeError::TooManyPixels, offset);
        pixel += runLength;
    }
    if (pixel != pixelCount)
        return decodeFailure(DecodeError::TooFewPixels, bytes.size());

    DecodeResult result;
    result.grid = PixelGrid(width, height);
    std::int32_t* out = result.grid.values().data();
    for (std::size_t offset = 0; offset < bytes.size(); offset += recordWidth) {
        const RecordFields record = parse(bytes.data() + offset);
        out = std::fill_n(out, record.runLength, record.value);
    }
    return result;
}

// Plain formats: every pixel is the format's record width in bytes, nothing else.
template<std::size_t Index>
DecodeResult decodePixels(std::span<const std::uint8_t> bytes, int width, int height)
{
    constexpr const PixelFormatInfo& info = PixelFormats[Index];
    constexpr RecordParser parse = info.parse;
    constexpr auto bytesPerPixel = static_cast<std::size_t>(info.recordWidth);
    if (!isValidTargetSize(width, height))
        return decodeFailure(DecodeError::InvalidSize);
    const std::size_t expected = static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * bytesPerPixel;
    if (bytes.size() != expected)
        return decodeFailure(DecodeError::WrongLength, std::min(bytes.size(), expected));
    DecodeResult result;
    result.grid = PixelGrid(width, height);
    const auto values = result.grid.values();
    for (std::size_t index = 0; index < values.size(); ++index)
        values[index] = parse(bytes.data() + index * bytesPerPixel).value;
    return result;
}

// The colour records, then the alpha bytes, exactly width x height of each.
// A fully transparent pixel decodes to 0 whatever colour its record holds.
template<std::size_t Index>
DecodeResult decodeColourThenAlpha(std::span<const std::uint8_t> bytes, int width, int height)
{
    constexpr const PixelFormatInfo& info = PixelFormats[Index];
    constexpr RecordParser parse = info.parse;
    constexpr auto bytesPerPixel = static_cast<std::size_t>(info.recordWidth);
    if (!isValidTargetSize(width, height))
        return decodeFailure(DecodeError::InvalidSize);
    const auto expected = static_cast<std::size_t>(plainSize(info, width, height));
    if (bytes.size() != expected)
        return decodeFailure(DecodeError::WrongLength, std::min(bytes.size(), expected));
    DecodeResult result;
    result.grid = PixelGrid(width, height);
    const auto values = result.grid.values();
    const std::uint8_t* alphas = bytes.data() + values.size() * bytesPerPixel;
    for (std::size_t index = 0; index < values.size(); ++index) {
        const std::uint32_t alpha = alphas[index];
        const auto colour = static_cast<std::uint32_t>(parse(bytes.data() + index * bytesPerPixel).value);
        values[index] = alpha == 0 ? 0 : static_cast<std::int32_t>(colour | (alpha << 24));
    }
    return result;
}

// A row of PackedRows: each value's low Bits bits, Bits to a field, 8 / Bits
// pixels a byte, the leftmost in the highest field (HighFirst) or the lowest;
// fields past the row's end stay 0. Whole bytes are packed eight pixels at a
// time with fixed shifts, which the compiler turns into vector code.
template<int Bits, BitOrder Order>
void packRow(std::span<const std::int32_t> values, std::uint8_t* out)
{
    constexpr int PixelsPerByte = 8 / Bits;
    constexpr unsigned Mask = (1u << Bits) - 1;
    const auto shiftOf = [](int place) { return Order == BitOrder::HighFirst ? 8 - Bits * (place + 1) : Bits * place; };
    const std::size_t whole = values.size() / PixelsPerByte;
    const std::int32_t* in = values.data();
    for (std::size_t byte = 0; byte < whole; ++byte, in += PixelsPerByte) {
        unsigned packed = 0;
        for (int place = 0; place < PixelsPerByte; ++place)
            packed |= (static_cast<unsigned>(in[place]) & Mask) << shiftOf(place);
        out[byte] = static_cast<std::uint8_t>(packed);
    }
    if (const std::size_t rest = values.size() - whole * PixelsPerByte; rest > 0) {
        unsigned packed = 0;
        for (std::size_t place = 0; place < rest; ++place)
            packed |= (static_cast<unsigned>(in[place]) & Mask) << shiftOf(static_cast<int>(place));
        out[whole] = static_cast<std::uint8_t>(packed);
    }
}

template<std::size_t Index>
OutputBytes encodePacked(const PixelGrid& grid, const EncodeProgress& progress)
{
    constexpr const PixelFormatInfo& info = PixelFormats[Index];
    const auto stride = static_cast<std::size_t>(strideOf(info, grid.width()));
    OutputBytes bytes(stride * static_cast<std::size_t>(grid.height()));
    const int rowCount = grid.height();
    for (int row = 1; row <= rowCount; ++row) {
        packRow<info.bitsPerPixel, info.bitOrder>(grid.row(row), bytes.data() + stride * static_cast<std::size_t>(row - 1));
        if (progress)
            progress(row, rowCount, EncodePass::Writing);
    }
    return bytes;
}

// Pages of eight rows: row 8p + k of the grid sets bit k of the bytes of
// page p, one byte a column. Rows past the grid's last are 0.
template<std::size_t Index>
OutputBytes encodePages(const PixelGrid& grid, const EncodeProgress& progress)
{
    const auto width = static_cast<std::size_t>(grid.width());
    OutputBytes bytes(static_cast<std::size_t>(plainSize(PixelFormats[Index], grid.width(), grid.height())));
    const int rowCount = grid.height();
    for (int row = 1; row <= rowCount; ++row) {
        std::uint8_t* page = bytes.data() + width * static_cast<std::size_t>((row - 1) / 8);
        const unsigned bit = static_cast<unsigned>((row - 1) % 8);
        const std::int32_t* in = grid.row(row).data();
        for (std::size_t column = 0; column < width; ++column)
            page[column] = static_cast<std::uint8_t>(page[column] | ((static_cast<unsigned>(in[column]) & 1u) << bit));
        if (progress)
            progress(row, rowCount, EncodePass::Writing);
    }
    return bytes;
}

// The file must be exactly the size the layout gives width x height; its
// padding bits are not looked at.
template<std::size_t Index>
DecodeResult decodeBits(std::span<const std::uint8_t> bytes, int width, int height)
{
    constexpr const PixelFormatInfo& info = PixelFormats[Index];
    constexpr int Bits = info.bitsPerPixel;
    constexpr unsigned Mask = (1u << Bits) - 1;
    if (!isValidTargetSize(width, height))
        return decodeFailure(DecodeError::InvalidSize);
    const auto expected = static_cast<std::size_t>(plainSize(info, width, height));
    if (bytes.size() != expected)
        return decodeFailure(DecodeError::WrongLength, std::min(bytes.size(), expected));
    DecodeResult result;
    result.grid = PixelGrid(width, height);
    const auto stride = static_cast<std::size_t>(strideOf(info, width));
    for (int row = 1; row <= height; ++row) {
        const auto out = result.grid.row(row);
        for (std::size_t column = 0; column < out.size(); ++column) {
            unsigned field = 0;
            if constexpr (info.layout == FormatLayout::Pages) {
                const std::uint8_t byte = bytes[stride * static_cast<std::size_t>((row - 1) / 8) + column];
                field = (byte >> ((row - 1) % 8)) & 1u;
            } else {
                const std::size_t bit = column * Bits;
                const std::uint8_t byte = bytes[stride * static_cast<std::size_t>(row - 1) + bit / 8];
                const auto place = static_cast<int>(bit % 8);
                const int shift = info.bitOrder == BitOrder::HighFirst ? 8 - Bits - place : place;
                field = (byte >> shift) & Mask;
            }
            out[column] = static_cast<std::int32_t>(field);
        }
    }
    return result;
}

// Indexed formats. The palette part: each colour's 5:6:5 word, high byte
// first, then 0s up to the format's entries.
inline void writePalette(std::span<const Colour> palette, std::size_t entries, std::uint8_t* out)
{
    for (std::size_t index = 0; index < std::min(entries, palette.size()); ++index) {
        out[2 * index] = Pack565High(palette[index]);
        out[2 * index + 1] = Pack565Low(palette[index]);
    }
}

// The palette a grid is written through when none is given: its own
// colours, or (more than the format holds) the palette chosen for them.
inline Palette paletteOfGrid(const PixelGrid& grid, int entries)
{
    Palette palette = paletteOfColours(grid.values());
    if (palette.size() <= static_cast<std::size_t>(entries))
        return palette;
    ColourHistogram histogram;
    for (const std::int32_t value : grid.values())
        histogram.add(static_cast<Colour>(value));
    return choosePalette(histogram, entries);
}

// The palette part (when withPalette), then the index of each pixel's
// colour in the palette, in rows packed as PackedRows are. An empty palette
// stands for the grid's own.
template<std::size_t Index>
OutputBytes encodeIndexedWith(const PixelGrid& grid, std::span<const Colour> given, bool withPalette, const EncodeProgress& progress)
{
    constexpr const PixelFormatInfo& info = PixelFormats[Index];
    constexpr auto entries = static_cast<std::size_t>(info.paletteEntries());
    static_assert(entries > 0 && info.reductionMask() == Rgb565Mask);
    if (grid.isEmpty())
        return {};
    const Palette own = given.empty() ? paletteOfGrid(grid, int(entries)) : Palette {};
    const std::span<const Colour> palette = given.empty() ? std::span<const Colour>(own) : given.first(std::min(given.size(), entries));
    const std::size_t paletteBytes = withPalette ? static_cast<std::size_t>(info.paletteBytes()) : 0;
    const auto stride = static_cast<std::size_t>(strideOf(info, grid.width()));
    OutputBytes bytes(paletteBytes + stride * static_cast<std::size_t>(grid.height()));
    if (withPalette)
        writePalette(palette, entries, bytes.data());
    PaletteMatcher matcher(palette);
    std::vector<std::int32_t> indices(static_cast<std::size_t>(grid.width()));
    const int rowCount = grid.height();
    for (int row = 1; row <= rowCount; ++row) {
        const auto values = grid.row(row);
        for (std::size_t column = 0; column < values.size(); ++column)
            indices[column] = static_cast<std::int32_t>(matcher.indexOf(static_cast<Colour>(values[column])));
        packRow<info.bitsPerPixel, info.bitOrder>(indices, bytes.data() + paletteBytes + stride * static_cast<std::size_t>(row - 1));
        if (progress)
            progress(row, rowCount, EncodePass::Writing);
    }
    return bytes;
}

template<std::size_t Index>
OutputBytes encodeIndexed(const PixelGrid& grid, const EncodeProgress& progress)
{
    return encodeIndexedWith<Index>(grid, {}, true, progress);
}

// The colours of a palette part's words, high byte first: all of its
// entries, those past the colours in use included.
inline Palette paletteEntriesOf(std::span<const std::uint8_t> bytes)
{
    Palette entries;
    for (std::size_t at = 0; at + 1 < bytes.size(); at += 2)
        entries.push_back(records::unpack565(bytes[at], bytes[at + 1]));
    return entries;
}

// Index rows of width x height pixels (the data exactly that long) through
// the palette; offset is where the rows start in the file, for messages.
template<std::size_t Index>
DecodeResult decodeIndexRowsWith(std::span<const std::uint8_t> rows, int width, int height,
    std::span<const Colour> palette, std::size_t offset)
{
    constexpr const PixelFormatInfo& info = PixelFormats[Index];
    constexpr int Bits = info.bitsPerPixel;
    constexpr unsigned Mask = (1u << Bits) - 1;
    const auto stride = static_cast<std::size_t>(strideOf(info, width));
    DecodeResult result;
    result.grid = PixelGrid(width, height);
    for (int row = 1; row <= height; ++row) {
        const auto out = result.grid.row(row);
        const std::uint8_t* in = rows.data() + stride * static_cast<std::size_t>(row - 1);
        for (std::size_t column = 0; column < out.size(); ++column) {
            const std::size_t bit = column * Bits;
            const unsigned index = (in[bit / 8] >> (8 - Bits - static_cast<int>(bit % 8))) & Mask;
            if (index >= palette.size())
                return decodeFailure(DecodeError::PastPalette, offset + stride * static_cast<std::size_t>(row - 1) + bit / 8);
            out[column] = static_cast<std::int32_t>(palette[index]);
        }
    }
    result.palette.assign(palette.begin(), palette.end());
    return result;
}

// The palette part, then the index rows; the file exactly that long.
template<std::size_t Index>
DecodeResult decodeIndexed(std::span<const std::uint8_t> bytes, int width, int height)
{
    constexpr const PixelFormatInfo& info = PixelFormats[Index];
    constexpr auto paletteBytes = static_cast<std::size_t>(info.paletteBytes());
    if (!isValidTargetSize(width, height))
        return decodeFailure(DecodeError::InvalidSize);
    const auto expected = static_cast<std::size_t>(plainSize(info, width, height));
    if (bytes.size() != expected)
        return decodeFailure(DecodeError::WrongLength, std::min(bytes.size(), expected));
    // The colours in use first; the entry after the last one that is not 0
    // only when an index names it (a black colour in use).
    const Palette entries = paletteEntriesOf(bytes.first(paletteBytes));
    const std::size_t inUse = entriesInUse(entries);
    DecodeResult result = decodeIndexRowsWith<Index>(bytes.subspan(paletteBytes), width, height,
        std::span(entries).first(inUse), paletteBytes);
    if (result.error == DecodeError::PastPalette && indexableEntries(entries) > inUse)
        result = decodeIndexRowsWith<Index>(bytes.subspan(paletteBytes), width, height,
            std::span(entries).first(indexableEntries(entries)), paletteBytes);
    return result;
}

// Index rows alone, through a palette given.
template<std::size_t Index>
DecodeResult decodeIndexRowsOnly(std::span<const std::uint8_t> bytes, int width, int height, std::span<const Colour> palette)
{
    constexpr const PixelFormatInfo& info = PixelFormats[Index];
    if (!isValidTargetSize(width, height))
        return decodeFailure(DecodeError::InvalidSize);
    const auto expected = static_cast<std::size_t>(strideOf(info, width)) * static_cast<std::size_t>(height);
    if (bytes.size() != expected)
        return decodeFailure(DecodeError::WrongLength, std::min(bytes.size(), expected));
    return decodeIndexRowsWith<Index>(bytes, width, height, palette.first(std::min<std::size_t>(palette.size(), info.paletteEntries())), 0);
}

} // namespace rasterkit::detail
