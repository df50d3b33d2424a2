#pragma once

#include "decoders.h"
#include "encoders.h"
#include "pixelgrid.h"

#include <algorithm>
#include <array>
#include <cassert>
#include <concepts>
#include <cstddef>
#include <cstdint>
#include <span>

namespace rasterkit::detail {

// A run record format: the format whose table row gives its run limit and
// width, how (value, run length) becomes the record's bytes and how they are
// read back.
template<typename Record>
concept RunRecord = requires(std::int32_t value, std::uint8_t runLength, std::uint8_t* out, const std::uint8_t* in) {
    { Record::Format } -> std::convertible_to<PixelFormat>;
    Record::build(value, runLength, out);
    { Record::parse(in) } -> std::same_as<std::pair<std::int32_t, unsigned>>;
};

template<RunRecord Record>
inline constexpr int RunLimitOf = formatInfo(Record::Format).runLimit;

template<RunRecord Record>
inline constexpr std::size_t WidthOf = static_cast<std::size_t>(formatInfo(Record::Format).recordWidth);

// Holds a record against its row of the format table. Built in a constant
// expression, any byte written or read past the row's width stops the
// compilation; a record of all ones must set every byte, so the row is not
// wider than the record; and the run-length field, given all ones, must read
// back as exactly the row's run limit, so the limit neither overflows the
// field nor leaves part of it unused.
template<RunRecord Record>
constexpr bool recordMatchesFormatTable()
{
    std::array<std::uint8_t, WidthOf<Record>> record {};
    Record::build(-1, 0xFF, record.data());
    for (const std::uint8_t byte : record) {
        if (byte == 0)
            return false;
    }
    return Record::parse(record.data()).second == static_cast<unsigned>(RunLimitOf<Record>);
}

// The same for a plain format's pixel packer.
template<PixelFormat Format, typename Pack>
constexpr bool packerMatchesFormatTable(Pack pack)
{
    constexpr auto width = static_cast<std::size_t>(formatInfo(Format).recordWidth);
    std::array<std::uint8_t, width> pixel {};
    pack(0xFFFFFFFFu, pixel.data());
    for (const std::uint8_t byte : pixel) {
        if (byte == 0)
            return false;
    }
    return !formatInfo(Format).runLength;
}

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
template<RunRecord Record, bool Writing>
std::size_t scanRuns(const PixelGrid& grid, std::uint8_t* out, const EncodeProgress& progress)
{
    static_assert(recordMatchesFormatTable<Record>(), "the record does not match its format's row");
    constexpr auto runLimit = static_cast<unsigned>(RunLimitOf<Record>);
    constexpr std::size_t width = WidthOf<Record>;
    const int rowCount = grid.height();
    std::int32_t previous = grid(1, 1);
    unsigned runLength = 0;
    std::size_t position = 0;
    for (int row = 1; row <= rowCount; ++row) {
        for (const std::int32_t value : grid.row(row)) {
            if (runLength == runLimit) [[unlikely]] {
                if constexpr (Writing)
                    Record::build(previous, static_cast<std::uint8_t>(runLength), out + position);
                position += width;
                runLength = 0;
                previous = value; // the pixel opens the next run whatever its value
            }
            const unsigned differs = static_cast<unsigned>(value != previous); // 0 or 1
            if constexpr (Writing)
                Record::build(previous, static_cast<std::uint8_t>(runLength), out + position);
            position += differs * width;
            runLength = (runLength & (differs - 1)) + 1; // 1 when a new run opens, else one more
            previous = value;
        }
        if (progress)
            progress(row, rowCount, Writing ? EncodePass::Writing : EncodePass::Counting);
    }
    if constexpr (Writing)
        Record::build(previous, static_cast<std::uint8_t>(runLength), out + position);
    return position + width;
}

// Counting pass, one allocation at the counted size, writing pass.
template<RunRecord Record>
OutputBytes encodeRuns(const PixelGrid& grid, const EncodeProgress& progress)
{
    if (grid.isEmpty())
        return {};
    const std::size_t size = scanRuns<Record, false>(grid, nullptr, progress);
    OutputBytes bytes(size);
    [[maybe_unused]] const std::size_t written = scanRuns<Record, true>(grid, bytes.data(), progress);
    assert(written == size);
    return bytes;
}

// Expands the records in order into width x height values. Every record is
// checked before anything is allocated: whole, run length 1 or more, and no
// more pixels than the grid holds, so a short file that claims a huge
// picture costs nothing.
template<RunRecord Record>
DecodeResult decodeRuns(std::span<const std::uint8_t> bytes, int width, int height)
{
    DecodeResult result;
    if (!isValidTargetSize(width, height)) {
        result.error = DecodeError::InvalidSize;
        return result;
    }
    const std::size_t pixelCount = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    constexpr std::size_t recordWidth = WidthOf<Record>;
    const auto fail = [&](DecodeError error, std::size_t offset) {
        result.error = error;
        result.offset = offset;
        return result;
    };
    std::size_t pixel = 0;
    for (std::size_t offset = 0; offset < bytes.size(); offset += recordWidth) {
        if (bytes.size() - offset < recordWidth)
            return fail(DecodeError::TruncatedRecord, offset);
        const unsigned runLength = Record::parse(bytes.data() + offset).second;
        if (runLength == 0)
            return fail(DecodeError::ZeroRunLength, offset);
        if (runLength > pixelCount - pixel)
            return fail(DecodeError::TooManyPixels, offset);
        pixel += runLength;
    }
    if (pixel != pixelCount)
        return fail(DecodeError::TooFewPixels, bytes.size());

    PixelGrid grid(width, height);
    std::int32_t* out = grid.values().data();
    for (std::size_t offset = 0; offset < bytes.size(); offset += recordWidth) {
        const auto [value, runLength] = Record::parse(bytes.data() + offset);
        out = std::fill_n(out, runLength, value);
    }
    result.grid = std::move(grid);
    return result;
}

// Plain formats write every pixel in raster order, the format's record width
// in bytes each, into bytes allocated once from the grid's size.
template<PixelFormat Format, typename Pack>
OutputBytes encodePlain(const PixelGrid& grid, const EncodeProgress& progress, Pack pack)
{
    static_assert(packerMatchesFormatTable<Format>(Pack {}), "the packer does not match its format's row");
    constexpr std::size_t BytesPerPixel = static_cast<std::size_t>(formatInfo(Format).recordWidth);
    OutputBytes bytes(grid.values().size() * BytesPerPixel);
    std::uint8_t* out = bytes.data();
    const int rowCount = grid.height();
    for (int row = 1; row <= rowCount; ++row) {
        for (const std::int32_t value : grid.row(row)) {
            pack(static_cast<std::uint32_t>(value), out);
            out += BytesPerPixel;
        }
        if (progress)
            progress(row, rowCount, EncodePass::Writing);
    }
    return bytes;
}

// Plain formats: every pixel is the format's record width in bytes, nothing else.
template<PixelFormat Format, typename Unpack>
DecodeResult decodePlain(std::span<const std::uint8_t> bytes, int width, int height, Unpack unpack)
{
    constexpr std::size_t BytesPerPixel = static_cast<std::size_t>(formatInfo(Format).recordWidth);
    DecodeResult result;
    if (!isValidTargetSize(width, height)) {
        result.error = DecodeError::InvalidSize;
        return result;
    }
    const std::size_t expected = static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * BytesPerPixel;
    if (bytes.size() != expected) {
        result.error = DecodeError::WrongLength;
        result.offset = std::min(bytes.size(), expected);
        return result;
    }
    PixelGrid grid(width, height);
    const auto values = grid.values();
    for (std::size_t index = 0; index < values.size(); ++index)
        values[index] = static_cast<std::int32_t>(unpack(bytes.data() + index * BytesPerPixel));
    result.grid = std::move(grid);
    return result;
}

// Colours back from the packed bytes, with the dropped low bits 0.
constexpr std::uint32_t unpack565(std::uint8_t high, std::uint8_t low)
{
    const unsigned red = high & 0xF8u;
    const unsigned green = ((high & 0x07u) << 5) | ((low & 0xE0u) >> 3);
    const unsigned blue = (low & 0x1Fu) << 3;
    return red | (green << 8) | (blue << 16);
}

constexpr std::uint32_t unpack332(std::uint8_t byte)
{
    const unsigned red = byte & 0xE0u;
    const unsigned green = (byte & 0x1Cu) << 3;
    const unsigned blue = (byte & 0x03u) << 6;
    return red | (green << 8) | (blue << 16);
}

// Decoders of the individual formats; decode() picks one.
DecodeResult decodeRGB565(std::span<const std::uint8_t> bytes, int width, int height);
DecodeResult decodeRGB332(std::span<const std::uint8_t> bytes, int width, int height);
DecodeResult decodeRGB565x8(std::span<const std::uint8_t> bytes, int width, int height);
DecodeResult decodeRGB544x3(std::span<const std::uint8_t> bytes, int width, int height);
DecodeResult decodeRGB444x4(std::span<const std::uint8_t> bytes, int width, int height);
DecodeResult decodeRGB333x7(std::span<const std::uint8_t> bytes, int width, int height);
DecodeResult decodeRGB332x8(std::span<const std::uint8_t> bytes, int width, int height);
DecodeResult decodeY5x3(std::span<const std::uint8_t> bytes, int width, int height);

} // namespace rasterkit::detail
