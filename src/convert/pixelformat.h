#pragma once

// The format table: the one description of every output format. The
// encoders and decoders, the reduction, the preview, byte order, reports,
// both programs' format lists and help, and the CMake package all read it;
// nothing else names formats one by one. Adding a format is one row here and
// its record or packer in records.h.

#include "colour.h"
#include "greylevel.h"
#include "palette.h"
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
    // For rasterkit-cli only: the window lists the eight above.
    Mono1 = 8,
    Mono1Lsb = 9,
    Mono1Pages = 10,
    Grey2 = 11,
    Grey4 = 12,
    Grey8 = 13,
    RGB666 = 14,
    RGB888 = 15,
    Index1 = 16,
    Index2 = 17,
    Index4 = 18,
    Index8 = 19,
    // Transparency: the alpha alone, or the colour and then the alpha.
    A8 = 20,
    RGB565A8 = 21,
};

// How a format lays out what its grid holds.
enum class FormatLayout {
    Pixels,     // one record of recordWidth bytes a pixel, in raster order
    RunRecords, // run records of recordWidth bytes in raster order; runs go on across row ends
    PackedRows, // bitsPerPixel bits a pixel in raster order, each row padded with 0 bits to whole bytes
    Pages,      // pages of eight rows: byte x of page p holds pixels (x, 8p + k) in bit k; rows past the last are 0
    IndexedRows, // the palette, 2^bitsPerPixel RGB 5:6:5 words (high byte first; entries past the colours in
                 // use 0), then PackedRows of each pixel's index into it
    // The colour record of every pixel (recordWidth bytes) in raster order,
    // then one alpha byte a pixel in raster order. The grid holds the colour
    // with the alpha in bits 24..31; a fully transparent pixel is 0.
    ColourThenAlpha,
};

// Where a byte of PackedRows puts its leftmost pixel.
enum class BitOrder {
    HighFirst, // in its highest bits
    LowFirst,  // in its lowest bits
};

// How a sampled colour becomes what the grid holds.
enum class Reduction {
    TopBits,   // each channel keeps its top channelBits bits: the colour ANDed with the reduction mask
    GreySum,   // a grey level 7..31 from the channels' weighted bits (GreyLevel)
    Luma,      // a grey level of channelBits bits from the luma (lumaOf): (Y x (2^n - 1) + 127) / 255
    Threshold, // 1 (lit) where the luma reaches the threshold, else 0; the level options may invert it
    Palette,   // the colour reduced as TopBits reduces it (to 5:6:5), then the nearest colour of the palette:
               // the level options' palette, or one chosen for the frame (quantise.h)
    Alpha,     // the sample's alpha, 0 (transparent) to 255 (opaque); no colour is kept
};

// The order of the colour channels a panel is wired for.
enum class ColourOrder {
    Rgb,
    Bgr, // red and blue swap places before the format packs them
};

inline constexpr std::array<ColourOrder, 2> AllColourOrders { ColourOrder::Rgb, ColourOrder::Bgr };

// "rgb" or "bgr".
std::string_view colourOrderName(ColourOrder order);
std::optional<ColourOrder> parseColourOrder(std::string_view text);

// What a conversion may ask of the reduction beyond the format's own rule.
struct LevelOptions {
    int threshold = 128;                        // Threshold: lit where the luma is at least this, 0..256
    bool invert = false;                        // Threshold: 1 and 0 swap
    ColourOrder colourOrder = ColourOrder::Rgb; // colour formats only
    // Indexed formats: the palette to use, its colours in the panel's order;
    // empty: one is chosen for the frame's samples.
    Palette palette {};

    friend bool operator==(const LevelOptions&, const LevelOptions&) = default;
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
    int recordWidth;            // bytes a run record or a pixel (Pixels, RunRecords); 0 for the bit layouts
    int bitsPerPixel;           // PackedRows and Pages: 1, 2, 4 or 8; 0 for the others
    BitOrder bitOrder;          // PackedRows
    int runLimit;               // the largest run one record holds; 0 for the others
    int wordOffset;             // where in each record its 16-bit word starts (high byte first), or NoWord
    int uncompressedPixelBytes; // RunRecords: N in the compression report is width x height x this
    bool inWindow;              // offered by the window's format list
    Reduction reduction;
    std::array<int, 3> channelBits; // red, green and blue bits kept; the grey level's bits, three times
    RecordBuilder build;            // (value, run length) -> the record's bytes
    RecordParser parse;             // the record's bytes -> (value, run length)
    PreviewColourOf preview;        // what the preview shows for a value of the grid

    constexpr bool runLength() const { return layout == FormatLayout::RunRecords; }
    // The grid holds grey levels (or lit and unlit pixels), not colours.
    constexpr bool grey() const { return reduction != Reduction::TopBits && reduction != Reduction::Palette; }
    // One bit a pixel, lit or not.
    constexpr bool mono() const { return reduction == Reduction::Threshold; }
    // The grid holds each sample's alpha: alone, or beside its colour.
    constexpr bool keepsAlpha() const { return reduction == Reduction::Alpha || layout == FormatLayout::ColourThenAlpha; }
    // Bits a pixel (Pixels, PackedRows, Pages, ColourThenAlpha: its colour
    // and its alpha) or a run record (RunRecords) takes.
    constexpr int bitsPerUnit() const
    {
        return recordWidth > 0 ? 8 * recordWidth + (layout == FormatLayout::ColourThenAlpha ? 8 : 0) : bitsPerPixel;
    }
    // Every unit one 16-bit word: the formats --c-type uint16 writes as numbers.
    constexpr bool wordsOnly() const
    {
        return wordOffset == 0 && recordWidth == 2 && layout != FormatLayout::ColourThenAlpha;
    }
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
    // Whether --byte-order changes the files: a 16-bit word in every unit,
    // or the palette's words.
    constexpr bool hasWords() const { return wordOffset != NoWord || paletteEntries() > 0; }
    // The entries of the palette an indexed format's files start with; 0
    // for the other formats.
    constexpr int paletteEntries() const { return layout == FormatLayout::IndexedRows ? 1 << bitsPerPixel : 0; }
    // The bytes of that palette: a 16-bit word an entry.
    constexpr int paletteBytes() const { return 2 * paletteEntries(); }
};

inline constexpr std::array<PixelFormatInfo, 22> PixelFormats { {
    { .format = PixelFormat::RGB565, .name = "RGB 5:6:5", .shortName = "rgb565",
        .unit = "one 16-bit word per pixel, high byte first",
        .layout = FormatLayout::Pixels, .recordWidth = 2, .bitsPerPixel = 0, .bitOrder = BitOrder::HighFirst,
        .runLimit = 0, .wordOffset = 0, .uncompressedPixelBytes = 2, .inWindow = true,
        .reduction = Reduction::TopBits, .channelBits = { 5, 6, 5 },
        .build = records::RGB565::build, .parse = records::RGB565::parse, .preview = records::colourPreview },
    { .format = PixelFormat::RGB565x8, .name = "RGB 5:6:5x8", .shortName = "rgb565x8",
        .unit = "3-byte record: the 5:6:5 word, then a run length 1..255",
        .layout = FormatLayout::RunRecords, .recordWidth = 3, .bitsPerPixel = 0, .bitOrder = BitOrder::HighFirst,
        .runLimit = 255, .wordOffset = 0, .uncompressedPixelBytes = 2, .inWindow = true,
        .reduction = Reduction::TopBits, .channelBits = { 5, 6, 5 },
        .build = records::RGB565x8::build, .parse = records::RGB565x8::parse, .preview = records::colourPreview },
    { .format = PixelFormat::RGB544x3, .name = "RGB 5:4:4x3", .shortName = "rgb544x3",
        .unit = "16-bit record: 13 colour bits, run length 1..7",
        .layout = FormatLayout::RunRecords, .recordWidth = 2, .bitsPerPixel = 0, .bitOrder = BitOrder::HighFirst,
        .runLimit = 7, .wordOffset = 0, .uncompressedPixelBytes = 2, .inWindow = true,
        .reduction = Reduction::TopBits, .channelBits = { 5, 4, 4 },
        .build = records::RGB544x3::build, .parse = records::RGB544x3::parse, .preview = records::colourPreview },
    { .format = PixelFormat::RGB444x4, .name = "RGB 4:4:4x4", .shortName = "rgb444x4",
        .unit = "16-bit record: 12 colour bits, run length 1..15",
        .layout = FormatLayout::RunRecords, .recordWidth = 2, .bitsPerPixel = 0, .bitOrder = BitOrder::HighFirst,
        .runLimit = 15, .wordOffset = 0, .uncompressedPixelBytes = 2, .inWindow = true,
        .reduction = Reduction::TopBits, .channelBits = { 4, 4, 4 },
        .build = records::RGB444x4::build, .parse = records::RGB444x4::parse, .preview = records::colourPreview },
    { .format = PixelFormat::RGB333x7, .name = "RGB 3:3:3x7", .shortName = "rgb333x7",
        .unit = "16-bit record: 9 colour bits, run length 1..127",
        .layout = FormatLayout::RunRecords, .recordWidth = 2, .bitsPerPixel = 0, .bitOrder = BitOrder::HighFirst,
        .runLimit = 127, .wordOffset = 0, .uncompressedPixelBytes = 2, .inWindow = true,
        .reduction = Reduction::TopBits, .channelBits = { 3, 3, 3 },
        .build = records::RGB333x7::build, .parse = records::RGB333x7::parse, .preview = records::colourPreview },
    { .format = PixelFormat::RGB332, .name = "RGB 3:3:2", .shortName = "rgb332",
        .unit = "one byte per pixel",
        .layout = FormatLayout::Pixels, .recordWidth = 1, .bitsPerPixel = 0, .bitOrder = BitOrder::HighFirst,
        .runLimit = 0, .wordOffset = NoWord, .uncompressedPixelBytes = 1, .inWindow = true,
        .reduction = Reduction::TopBits, .channelBits = { 3, 3, 2 },
        .build = records::RGB332::build, .parse = records::RGB332::parse, .preview = records::colourPreview },
    { .format = PixelFormat::RGB332x8, .name = "RGB 3:3:2x8", .shortName = "rgb332x8",
        .unit = "2-byte record: the 3:3:2 byte, then a run length 1..255",
        .layout = FormatLayout::RunRecords, .recordWidth = 2, .bitsPerPixel = 0, .bitOrder = BitOrder::HighFirst,
        .runLimit = 255, .wordOffset = NoWord, .uncompressedPixelBytes = 1, .inWindow = true,
        .reduction = Reduction::TopBits, .channelBits = { 3, 3, 2 },
        .build = records::RGB332x8::build, .parse = records::RGB332x8::parse, .preview = records::colourPreview },
    { .format = PixelFormat::Y5x3, .name = "Y 5x3", .shortName = "y5x3",
        .unit = "1-byte record: 5-bit grey level 7..31, run length 1..7",
        .layout = FormatLayout::RunRecords, .recordWidth = 1, .bitsPerPixel = 0, .bitOrder = BitOrder::HighFirst,
        .runLimit = 7, .wordOffset = NoWord, .uncompressedPixelBytes = 1, .inWindow = true,
        .reduction = Reduction::GreySum, .channelBits = { 5, 5, 5 },
        .build = records::Y5x3::build, .parse = records::Y5x3::parse, .preview = records::greyPreview },
    { .format = PixelFormat::Mono1, .name = "Mono 1", .shortName = "mono",
        .unit = "rows of 8 pixels a byte, the leftmost in bit 7; a lit pixel is 1",
        .layout = FormatLayout::PackedRows, .recordWidth = 0, .bitsPerPixel = 1, .bitOrder = BitOrder::HighFirst,
        .runLimit = 0, .wordOffset = NoWord, .uncompressedPixelBytes = 0, .inWindow = false,
        .reduction = Reduction::Threshold, .channelBits = { 1, 1, 1 },
        .build = nullptr, .parse = nullptr, .preview = records::levelPreview<1> },
    { .format = PixelFormat::Mono1Lsb, .name = "Mono 1 LSB", .shortName = "mono-lsb",
        .unit = "rows of 8 pixels a byte, the leftmost in bit 0 (XBM order)",
        .layout = FormatLayout::PackedRows, .recordWidth = 0, .bitsPerPixel = 1, .bitOrder = BitOrder::LowFirst,
        .runLimit = 0, .wordOffset = NoWord, .uncompressedPixelBytes = 0, .inWindow = false,
        .reduction = Reduction::Threshold, .channelBits = { 1, 1, 1 },
        .build = nullptr, .parse = nullptr, .preview = records::levelPreview<1> },
    { .format = PixelFormat::Mono1Pages, .name = "Mono 1 pages", .shortName = "mono-pages",
        .unit = "pages of 8 rows, a byte a column, the top pixel in bit 0",
        .layout = FormatLayout::Pages, .recordWidth = 0, .bitsPerPixel = 1, .bitOrder = BitOrder::LowFirst,
        .runLimit = 0, .wordOffset = NoWord, .uncompressedPixelBytes = 0, .inWindow = false,
        .reduction = Reduction::Threshold, .channelBits = { 1, 1, 1 },
        .build = nullptr, .parse = nullptr, .preview = records::levelPreview<1> },
    { .format = PixelFormat::Grey2, .name = "Grey 2", .shortName = "grey2",
        .unit = "rows of 4 pixels a byte, the leftmost in the highest bits",
        .layout = FormatLayout::PackedRows, .recordWidth = 0, .bitsPerPixel = 2, .bitOrder = BitOrder::HighFirst,
        .runLimit = 0, .wordOffset = NoWord, .uncompressedPixelBytes = 0, .inWindow = false,
        .reduction = Reduction::Luma, .channelBits = { 2, 2, 2 },
        .build = nullptr, .parse = nullptr, .preview = records::levelPreview<2> },
    { .format = PixelFormat::Grey4, .name = "Grey 4", .shortName = "grey4",
        .unit = "rows of 2 pixels a byte, the leftmost in the highest bits",
        .layout = FormatLayout::PackedRows, .recordWidth = 0, .bitsPerPixel = 4, .bitOrder = BitOrder::HighFirst,
        .runLimit = 0, .wordOffset = NoWord, .uncompressedPixelBytes = 0, .inWindow = false,
        .reduction = Reduction::Luma, .channelBits = { 4, 4, 4 },
        .build = nullptr, .parse = nullptr, .preview = records::levelPreview<4> },
    { .format = PixelFormat::Grey8, .name = "Grey 8", .shortName = "grey8",
        .unit = "one byte per pixel, its grey level",
        .layout = FormatLayout::PackedRows, .recordWidth = 0, .bitsPerPixel = 8, .bitOrder = BitOrder::HighFirst,
        .runLimit = 0, .wordOffset = NoWord, .uncompressedPixelBytes = 0, .inWindow = false,
        .reduction = Reduction::Luma, .channelBits = { 8, 8, 8 },
        .build = nullptr, .parse = nullptr, .preview = records::levelPreview<8> },
    { .format = PixelFormat::RGB666, .name = "RGB 6:6:6", .shortName = "rgb666",
        .unit = "3 bytes per pixel: R, G, B, each a channel's top 6 bits, low 2 bits 0",
        .layout = FormatLayout::Pixels, .recordWidth = 3, .bitsPerPixel = 0, .bitOrder = BitOrder::HighFirst,
        .runLimit = 0, .wordOffset = NoWord, .uncompressedPixelBytes = 3, .inWindow = false,
        .reduction = Reduction::TopBits, .channelBits = { 6, 6, 6 },
        .build = records::RGB666::build, .parse = records::RGB666::parse, .preview = records::colourPreview },
    { .format = PixelFormat::RGB888, .name = "RGB 8:8:8", .shortName = "rgb888",
        .unit = "3 bytes per pixel: R, G, B",
        .layout = FormatLayout::Pixels, .recordWidth = 3, .bitsPerPixel = 0, .bitOrder = BitOrder::HighFirst,
        .runLimit = 0, .wordOffset = NoWord, .uncompressedPixelBytes = 3, .inWindow = false,
        .reduction = Reduction::TopBits, .channelBits = { 8, 8, 8 },
        .build = records::RGBBytes::build, .parse = records::RGBBytes::parse, .preview = records::colourPreview },
    { .format = PixelFormat::Index1, .name = "Index 1", .shortName = "i1",
        .unit = "the palette, 2 RGB 5:6:5 words, then rows of 8 pixels a byte, each its 1-bit index, the leftmost in bit 7",
        .layout = FormatLayout::IndexedRows, .recordWidth = 0, .bitsPerPixel = 1, .bitOrder = BitOrder::HighFirst,
        .runLimit = 0, .wordOffset = NoWord, .uncompressedPixelBytes = 0, .inWindow = false,
        .reduction = Reduction::Palette, .channelBits = { 5, 6, 5 },
        .build = nullptr, .parse = nullptr, .preview = records::colourPreview },
    { .format = PixelFormat::Index2, .name = "Index 2", .shortName = "i2",
        .unit = "the palette, 4 RGB 5:6:5 words, then rows of 4 pixels a byte, 2-bit indices, the leftmost in the highest bits",
        .layout = FormatLayout::IndexedRows, .recordWidth = 0, .bitsPerPixel = 2, .bitOrder = BitOrder::HighFirst,
        .runLimit = 0, .wordOffset = NoWord, .uncompressedPixelBytes = 0, .inWindow = false,
        .reduction = Reduction::Palette, .channelBits = { 5, 6, 5 },
        .build = nullptr, .parse = nullptr, .preview = records::colourPreview },
    { .format = PixelFormat::Index4, .name = "Index 4", .shortName = "i4",
        .unit = "the palette, 16 RGB 5:6:5 words, then rows of 2 pixels a byte, 4-bit indices, the leftmost in the highest bits",
        .layout = FormatLayout::IndexedRows, .recordWidth = 0, .bitsPerPixel = 4, .bitOrder = BitOrder::HighFirst,
        .runLimit = 0, .wordOffset = NoWord, .uncompressedPixelBytes = 0, .inWindow = false,
        .reduction = Reduction::Palette, .channelBits = { 5, 6, 5 },
        .build = nullptr, .parse = nullptr, .preview = records::colourPreview },
    { .format = PixelFormat::Index8, .name = "Index 8", .shortName = "i8",
        .unit = "the palette, 256 RGB 5:6:5 words, then one byte per pixel, its index",
        .layout = FormatLayout::IndexedRows, .recordWidth = 0, .bitsPerPixel = 8, .bitOrder = BitOrder::HighFirst,
        .runLimit = 0, .wordOffset = NoWord, .uncompressedPixelBytes = 0, .inWindow = false,
        .reduction = Reduction::Palette, .channelBits = { 5, 6, 5 },
        .build = nullptr, .parse = nullptr, .preview = records::colourPreview },
    { .format = PixelFormat::A8, .name = "A 8", .shortName = "a8",
        .unit = "one byte per pixel, its alpha: 0 transparent, 255 opaque",
        .layout = FormatLayout::Pixels, .recordWidth = 1, .bitsPerPixel = 0, .bitOrder = BitOrder::HighFirst,
        .runLimit = 0, .wordOffset = NoWord, .uncompressedPixelBytes = 1, .inWindow = false,
        .reduction = Reduction::Alpha, .channelBits = { 8, 8, 8 },
        .build = records::AlphaByte::build, .parse = records::AlphaByte::parse, .preview = records::alphaPreview },
    { .format = PixelFormat::RGB565A8, .name = "RGB 5:6:5 A8", .shortName = "rgb565a8",
        .unit = "W x H 16-bit words of the straight colour (transparent pixels 0), then W x H alpha bytes",
        .layout = FormatLayout::ColourThenAlpha, .recordWidth = 2, .bitsPerPixel = 0, .bitOrder = BitOrder::HighFirst,
        .runLimit = 0, .wordOffset = 0, .uncompressedPixelBytes = 3, .inWindow = false,
        .reduction = Reduction::TopBits, .channelBits = { 5, 6, 5 },
        .build = records::RGB565::build, .parse = records::RGB565::parse, .preview = records::colourAlphaPreview },
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

// A colour with its channels in the order the panel is wired for: red and
// blue swapped for Bgr (outside the picture, -1, stays -1; an alpha in bits
// 24..31 stays where it is).
constexpr Colour inColourOrder(Colour colour, ColourOrder order)
{
    if (order == ColourOrder::Rgb)
        return colour;
    return (colour & 0xFF00FF00u) | ((colour & 0xFFu) << 16) | ((colour >> 16) & 0xFFu);
}

// A luma in 0..255 as a grey level of bits bits: (Y x (2^bits - 1) + 127) / 255.
constexpr std::int32_t lumaLevel(int luma, int bits)
{
    return static_cast<std::int32_t>((luma * ((1 << bits) - 1) + 127) / 255);
}

// What the grid stores for a sampled colour in a format without dithering:
// the colour ANDed with the mask, or the grey level of that, or a lit (1) or
// unlit (0) pixel, or for an indexed format the palette colour nearest to the
// masked colour (the masked colour itself when the options give no palette).
// A sample outside the picture (-1) reads as white: the mask itself, the top
// grey level, or lit unless the threshold is 256. The formats that keep alpha
// take the colour as opaque, and a sample outside the picture as fully
// transparent: 255 or 0 in "A 8"; the masked colour with alpha 255, or 0,
// beside the colour.
constexpr std::int32_t reduceColour(const PixelFormatInfo& info, Colour colour, const LevelOptions& options = {})
{
    const Colour masked = inColourOrder(colour, options.colourOrder) & info.reductionMask();
    if (info.keepsAlpha() && static_cast<std::int32_t>(colour) == OutsideSample)
        return 0;
    switch (info.reduction) {
    case Reduction::TopBits:
        if (info.layout == FormatLayout::ColourThenAlpha)
            return static_cast<std::int32_t>(masked | 0xFF000000u);
        break;
    case Reduction::Alpha:
        return 255;
    case Reduction::GreySum:
        return GreyLevel(masked);
    case Reduction::Luma:
        return lumaLevel(lumaOf(masked), info.channelBits[0]);
    case Reduction::Threshold:
        return (lumaOf(masked) >= options.threshold) != options.invert ? 1 : 0;
    case Reduction::Palette:
        if (!options.palette.empty())
            return static_cast<std::int32_t>(options.palette[nearestEntry(options.palette, masked)]);
        break;
    }
    return static_cast<std::int32_t>(masked);
}

constexpr std::int32_t reduceColour(PixelFormat format, Colour colour, const LevelOptions& options = {})
{
    return reduceColour(formatInfo(format), colour, options);
}

// The colour the preview shows for a value of a format's grid: the colour
// itself in red, green, blue order, or grey 8 x level for the grey-sum
// format, or a grey level widened to 8 bits by repeating its bits (a lit
// pixel white, an unlit one black).
constexpr Colour previewColour(PixelFormat format, std::int32_t value, ColourOrder order = ColourOrder::Rgb)
{
    return inColourOrder(formatInfo(format).preview(value), order);
}

// Bytes a row (PackedRows, Pixels) or a page (Pages) takes at this width; 0
// for run records, whose rows have no fixed size.
constexpr std::int64_t strideOf(const PixelFormatInfo& info, int width)
{
    switch (info.layout) {
    case FormatLayout::Pixels:
    case FormatLayout::ColourThenAlpha: // a row of the colour records
        return std::int64_t(width) * info.recordWidth;
    case FormatLayout::PackedRows:
    case FormatLayout::IndexedRows:
        return (std::int64_t(width) * info.bitsPerPixel + 7) / 8;
    case FormatLayout::Pages:
        return width;
    case FormatLayout::RunRecords:
        break;
    }
    return 0;
}

// The size of a file of a format that is not run-length encoded; an indexed
// format's holds its palette first.
constexpr std::int64_t plainSize(const PixelFormatInfo& info, int width, int height)
{
    if (info.layout == FormatLayout::Pages)
        return strideOf(info, width) * ((std::int64_t(height) + 7) / 8);
    if (info.layout == FormatLayout::ColourThenAlpha)
        return (strideOf(info, width) + width) * height;
    return info.paletteBytes() + strideOf(info, width) * height;
}

namespace detail {

constexpr bool hasRecords(const PixelFormatInfo& info)
{
    return info.layout == FormatLayout::Pixels || info.layout == FormatLayout::RunRecords
        || info.layout == FormatLayout::ColourThenAlpha;
}

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
    // (The bit layouts have no records. Their builder and reader are null,
    // which is not checked here: GCC's sanitizers make a function's address
    // no constant, so it cannot be compared in a constant expression.)
    if constexpr (!hasRecords(info)) {
        return true;
    } else {
        std::array<std::uint8_t, static_cast<std::size_t>(info.recordWidth)> record {};
        info.build(-1, 0xFF, record.data());
        for (const std::uint8_t byte : record) {
            if (byte == 0)
                return false;
        }
        return info.parse(record.data()).runLength == static_cast<unsigned>(info.runLimit);
    }
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
    // Record layouts have records; the bit layouts have 1, 2, 4 or 8 bits a
    // pixel (pages one), holding a grey level of as many bits or a lit pixel,
    // or an index into a palette of 5:6:5 colours.
    if (hasRecords(info) != (info.recordWidth > 0 && info.bitsPerPixel == 0))
        return false;
    if ((info.layout == FormatLayout::IndexedRows) != (info.reduction == Reduction::Palette))
        return false;
    if (info.layout == FormatLayout::IndexedRows
        && (info.channelBits != std::array { 5, 6, 5 } || info.bitOrder != BitOrder::HighFirst || info.wordOffset != NoWord))
        return false;
    if (!hasRecords(info)) {
        const int bits = info.bitsPerPixel;
        if ((bits != 1 && bits != 2 && bits != 4 && bits != 8) || (info.layout == FormatLayout::Pages && bits != 1))
            return false;
        if (!(info.reduction == Reduction::Threshold ? bits == 1
                    : info.reduction == Reduction::Palette ? true
                    : info.reduction == Reduction::Luma && info.channelBits[0] == bits))
            return false;
    }
    if (info.reduction == Reduction::Threshold && info.channelBits != std::array { 1, 1, 1 })
        return false;
    // The alpha takes a byte of its own: a plain byte a pixel, or the byte
    // after the colours' plane beside colour records.
    if (info.reduction == Reduction::Alpha && (info.layout != FormatLayout::Pixels || info.recordWidth != 1))
        return false;
    if (info.layout == FormatLayout::ColourThenAlpha && info.reduction != Reduction::TopBits)
        return false;
    // The window's list is the table's first rows, so that its entry i is format i.
    if (index > 0 && info.inWindow && !PixelFormats[index - 1].inWindow)
        return false;
    return !info.name.empty() && !info.shortName.empty() && (!info.runLength() || info.uncompressedPixelBytes > 0);
}

template<std::size_t... Index>
constexpr bool formatTableIsConsistent(std::index_sequence<Index...>)
{
    return ((rowIsConsistent(Index) && recordMatchesRow<Index>()) && ...);
}

static_assert(formatTableIsConsistent(std::make_index_sequence<PixelFormats.size()>()),
    "rows in index order, run limits only for run-length formats, words inside records, records as wide as their "
    "rows, bit layouts of 1, 2, 4 or 8 bits a pixel, the window's formats first");

} // namespace detail

std::optional<PixelFormat> pixelFormatFromIndex(int index);

// Accepts the index ("0", "15"), the listed name ("RGB 5:6:5x8") or the short
// name ("rgb565x8"), names compared without regard to case.
std::optional<PixelFormat> parsePixelFormat(std::string_view text);

} // namespace rasterkit
