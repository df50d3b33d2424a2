#pragma once

// The format table: the one description of every output format. The
// encoders and decoders, the reduction, the preview, byte order, reports,
// both programs' format lists and help, and the CMake package all read it;
// nothing else names formats one by one. Adding a format is one row here and
// its record or packer in records.h.

#include "colour.h"
#include "greylevel.h"
#include "records.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>
#include <utility>

namespace rasterkit {

// The formats, numbered as the window's format list shows them.
enum class PixelFormat : int {
    RGB565 = 0,
    RGB565x8 = 1,
    RGB544x3 = 2,
    RGB444x4 = 3,
    RGB333x7 = 4,
    RGB332 = 5,
    RGB332x8 = 6,
    Y5x3 = 7,
};

// How a format lays out what its grid holds.
enum class FormatLayout {
    Pixels,     // one record a pixel, in raster order
    RunRecords, // run records in raster order; runs go on across row ends
};

// How a sampled colour becomes what the grid holds.
enum class Reduction {
    TopBits, // each channel keeps its top channelBits bits: the colour ANDed with the reduction mask
    GreySum, // a grey level 7..31 from the channels' weighted bits (GreyLevel)
};

// wordOffset of a format whose units are all single bytes.
inline constexpr int NoWord = -1;

using RecordBuilder = void (*)(std::int32_t value, std::uint8_t runLength, std::uint8_t* out);
using RecordParser = RecordFields (*)(const std::uint8_t* in);
using PreviewColourOf = Colour (*)(std::int32_t value);

struct PixelFormatInfo {
    PixelFormat format;
    std::string_view name;      // as the format list shows it, e.g. "RGB 5:6:5x8"
    std::string_view shortName; // for command lines, e.g. "rgb565x8"
    std::string_view unit;      // what one pixel or record is, in words
    FormatLayout layout;
    int recordWidth;            // bytes a run record, or a pixel
    int runLimit;               // the largest run one record holds; 0 for Pixels
    int wordOffset;             // where in each record its 16-bit word starts (high byte first), or NoWord
    int uncompressedPixelBytes; // N in the compression report is width x height x this
    Reduction reduction;
    std::array<int, 3> channelBits; // red, green and blue bits kept; the grey level's bits, three times
    RecordBuilder build;            // (value, run length) -> the record's bytes
    RecordParser parse;             // the record's bytes -> (value, run length)
    PreviewColourOf preview;        // what the preview shows for a value of the grid

    constexpr bool runLength() const { return layout == FormatLayout::RunRecords; }
    // The grid holds grey levels, not colours.
    constexpr bool grey() const { return reduction == Reduction::GreySum; }
    // The mask applied to every sample: the top channelBits bits of each
    // channel; all 24 bits for a grey format, which keeps a level instead.
    constexpr std::uint32_t reductionMask() const
    {
        if (grey())
            return 0xFFFFFFu;
        std::uint32_t mask = 0;
        for (std::size_t channel = 0; channel < 3; ++channel)
            mask |= ((0xFFu << (8 - channelBits[channel])) & 0xFFu) << (8 * channel);
        return mask;
    }
    // Bits a pixel (Pixels) or a run record (RunRecords) takes.
    constexpr int bitsPerUnit() const { return 8 * recordWidth; }
    // Whether --byte-order changes the files: a 16-bit word in every unit.
    constexpr bool hasWords() const { return wordOffset != NoWord; }
};

inline constexpr std::array<PixelFormatInfo, 8> PixelFormats { {
    { .format = PixelFormat::RGB565, .name = "RGB 5:6:5", .shortName = "rgb565",
        .unit = "one 16-bit word per pixel, high byte first",
        .layout = FormatLayout::Pixels, .recordWidth = 2, .runLimit = 0, .wordOffset = 0, .uncompressedPixelBytes = 2,
        .reduction = Reduction::TopBits, .channelBits = { 5, 6, 5 },
        .build = records::RGB565::build, .parse = records::RGB565::parse, .preview = records::colourPreview },
    { .format = PixelFormat::RGB565x8, .name = "RGB 5:6:5x8", .shortName = "rgb565x8",
        .unit = "3-byte record: the 5:6:5 word, then a run length 1..255",
        .layout = FormatLayout::RunRecords, .recordWidth = 3, .runLimit = 255, .wordOffset = 0,
        .uncompressedPixelBytes = 2, .reduction = Reduction::TopBits, .channelBits = { 5, 6, 5 },
        .build = records::RGB565x8::build, .parse = records::RGB565x8::parse, .preview = records::colourPreview },
    { .format = PixelFormat::RGB544x3, .name = "RGB 5:4:4x3", .shortName = "rgb544x3",
        .unit = "16-bit record: 13 colour bits, run length 1..7",
        .layout = FormatLayout::RunRecords, .recordWidth = 2, .runLimit = 7, .wordOffset = 0,
        .uncompressedPixelBytes = 2, .reduction = Reduction::TopBits, .channelBits = { 5, 4, 4 },
        .build = records::RGB544x3::build, .parse = records::RGB544x3::parse, .preview = records::colourPreview },
    { .format = PixelFormat::RGB444x4, .name = "RGB 4:4:4x4", .shortName = "rgb444x4",
        .unit = "16-bit record: 12 colour bits, run length 1..15",
        .layout = FormatLayout::RunRecords, .recordWidth = 2, .runLimit = 15, .wordOffset = 0,
        .uncompressedPixelBytes = 2, .reduction = Reduction::TopBits, .channelBits = { 4, 4, 4 },
        .build = records::RGB444x4::build, .parse = records::RGB444x4::parse, .preview = records::colourPreview },
    { .format = PixelFormat::RGB333x7, .name = "RGB 3:3:3x7", .shortName = "rgb333x7",
        .unit = "16-bit record: 9 colour bits, run length 1..127",
        .layout = FormatLayout::RunRecords, .recordWidth = 2, .runLimit = 127, .wordOffset = 0,
        .uncompressedPixelBytes = 2, .reduction = Reduction::TopBits, .channelBits = { 3, 3, 3 },
        .build = records::RGB333x7::build, .parse = records::RGB333x7::parse, .preview = records::colourPreview },
    { .format = PixelFormat::RGB332, .name = "RGB 3:3:2", .shortName = "rgb332",
        .unit = "one byte per pixel",
        .layout = FormatLayout::Pixels, .recordWidth = 1, .runLimit = 0, .wordOffset = NoWord,
        .uncompressedPixelBytes = 1, .reduction = Reduction::TopBits, .channelBits = { 3, 3, 2 },
        .build = records::RGB332::build, .parse = records::RGB332::parse, .preview = records::colourPreview },
    { .format = PixelFormat::RGB332x8, .name = "RGB 3:3:2x8", .shortName = "rgb332x8",
        .unit = "2-byte record: the 3:3:2 byte, then a run length 1..255",
        .layout = FormatLayout::RunRecords, .recordWidth = 2, .runLimit = 255, .wordOffset = NoWord,
        .uncompressedPixelBytes = 1, .reduction = Reduction::TopBits, .channelBits = { 3, 3, 2 },
        .build = records::RGB332x8::build, .parse = records::RGB332x8::parse, .preview = records::colourPreview },
    { .format = PixelFormat::Y5x3, .name = "Y 5x3", .shortName = "y5x3",
        .unit = "1-byte record: 5-bit grey level 7..31, run length 1..7",
        .layout = FormatLayout::RunRecords, .recordWidth = 1, .runLimit = 7, .wordOffset = NoWord,
        .uncompressedPixelBytes = 1, .reduction = Reduction::GreySum, .channelBits = { 5, 5, 5 },
        .build = records::Y5x3::build, .parse = records::Y5x3::parse, .preview = records::greyPreview },
} };

inline constexpr int PixelFormatCount = static_cast<int>(PixelFormats.size());

inline constexpr auto AllPixelFormats = [] {
    std::array<PixelFormat, PixelFormats.size()> formats {};
    for (std::size_t index = 0; index < formats.size(); ++index)
        formats[index] = PixelFormats[index].format;
    return formats;
}();

// What a conversion writes unless told otherwise: the first format, as the
// window starts with it.
inline constexpr PixelFormat DefaultPixelFormat = PixelFormats.front().format;

inline constexpr int formatIndex(PixelFormat format) { return static_cast<int>(format); }

constexpr const PixelFormatInfo& formatInfo(PixelFormat format)
{
    return PixelFormats[static_cast<std::size_t>(formatIndex(format))];
}

// What the grid stores for a sampled colour in a format without dithering: the
// colour ANDed with the mask, or the grey level of that. A sample outside the
// picture (-1) holds the mask, or the grey level of white.
constexpr std::int32_t reduceColour(const PixelFormatInfo& info, Colour colour)
{
    const Colour masked = colour & info.reductionMask();
    return info.grey() ? GreyLevel(masked) : static_cast<std::int32_t>(masked);
}

constexpr std::int32_t reduceColour(PixelFormat format, Colour colour)
{
    return reduceColour(formatInfo(format), colour);
}

// The colour the preview shows for a value of a format's grid: the colour
// itself, or grey 8 x level for a grey format.
constexpr Colour previewColour(PixelFormat format, std::int32_t value)
{
    return formatInfo(format).preview(value);
}

namespace detail {

// Holds a row's record against the row. Built in a constant expression into
// an array exactly the row's width, any byte written or read past it stops
// the compilation; a record of all ones must set every byte, so the row is
// not wider than the record; and the run-length field, given all ones, must
// read back as exactly the row's run limit (0 for a pixel), so the limit
// neither overflows the field nor leaves part of it unused.
template<std::size_t Index>
constexpr bool recordMatchesRow()
{
    constexpr const PixelFormatInfo& info = PixelFormats[Index];
    std::array<std::uint8_t, static_cast<std::size_t>(info.recordWidth)> record {};
    info.build(-1, 0xFF, record.data());
    for (const std::uint8_t byte : record) {
        if (byte == 0)
            return false;
    }
    return info.parse(record.data()).runLength == static_cast<unsigned>(info.runLimit);
}

constexpr bool rowIsConsistent(std::size_t index)
{
    const PixelFormatInfo& info = PixelFormats[index];
    if (static_cast<std::size_t>(formatIndex(info.format)) != index || info.runLength() != (info.runLimit > 0))
        return false;
    if (info.wordOffset != NoWord && (info.wordOffset < 0 || info.wordOffset + 2 > info.recordWidth))
        return false;
    for (const int bits : info.channelBits) {
        if (bits < 1 || bits > 8)
            return false;
    }
    return !info.name.empty() && !info.shortName.empty() && info.uncompressedPixelBytes > 0;
}

template<std::size_t... Index>
constexpr bool formatTableIsConsistent(std::index_sequence<Index...>)
{
    return ((rowIsConsistent(Index) && recordMatchesRow<Index>()) && ...);
}

static_assert(formatTableIsConsistent(std::make_index_sequence<PixelFormats.size()>()),
    "rows in index order, run limits only for run-length formats, words inside records, records as wide as their rows");

} // namespace detail

std::optional<PixelFormat> pixelFormatFromIndex(int index);

// Accepts the index ("0".."7"), the listed name ("RGB 5:6:5x8") or the short
// name ("rgb565x8"), names compared without regard to case.
std::optional<PixelFormat> parsePixelFormat(std::string_view text);

} // namespace rasterkit
