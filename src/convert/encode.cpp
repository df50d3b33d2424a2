// The encoder and decoder of every format, made from its row of the format
// table by its layout.
#include "decoders.h"
#include "encoders.h"
#include "scan.h"

#include <array>
#include <string>
#include <utility>

namespace rasterkit {

namespace {

using Encoder = OutputBytes (*)(const PixelGrid&, const EncodeProgress&);
using Decoder = DecodeResult (*)(std::span<const std::uint8_t>, int, int);
// The indexed formats' own: through a palette given, with or without the
// palette part; their index rows alone through a palette.
using PaletteEncoder = OutputBytes (*)(const PixelGrid&, std::span<const Colour>, bool, const EncodeProgress&);
using RowsDecoder = DecodeResult (*)(std::span<const std::uint8_t>, int, int, std::span<const Colour>);

template<std::size_t Index>
constexpr Encoder encoderOf()
{
    constexpr FormatLayout layout = PixelFormats[Index].layout;
    if constexpr (layout == FormatLayout::RunRecords)
        return detail::encodeRuns<Index>;
    else if constexpr (layout == FormatLayout::PackedRows)
        return detail::encodePacked<Index>;
    else if constexpr (layout == FormatLayout::Pages)
        return detail::encodePages<Index>;
    else if constexpr (layout == FormatLayout::IndexedRows)
        return detail::encodeIndexed<Index>;
    else if constexpr (layout == FormatLayout::ColourThenAlpha)
        return detail::encodeColourThenAlpha<Index>;
    else
        return detail::encodePixels<Index>;
}

template<std::size_t Index>
constexpr Decoder decoderOf()
{
    constexpr FormatLayout layout = PixelFormats[Index].layout;
    if constexpr (layout == FormatLayout::RunRecords)
        return detail::decodeRuns<Index>;
    else if constexpr (layout == FormatLayout::PackedRows || layout == FormatLayout::Pages)
        return detail::decodeBits<Index>;
    else if constexpr (layout == FormatLayout::IndexedRows)
        return detail::decodeIndexed<Index>;
    else if constexpr (layout == FormatLayout::ColourThenAlpha)
        return detail::decodeColourThenAlpha<Index>;
    else
        return detail::decodePixels<Index>;
}

template<std::size_t Index>
constexpr PaletteEncoder paletteEncoderOf()
{
    if constexpr (PixelFormats[Index].layout == FormatLayout::IndexedRows)
        return detail::encodeIndexedWith<Index>;
    else
        return nullptr;
}

template<std::size_t Index>
constexpr RowsDecoder rowsDecoderOf()
{
    if constexpr (PixelFormats[Index].layout == FormatLayout::IndexedRows)
        return detail::decodeIndexRowsOnly<Index>;
    else
        return nullptr;
}

constexpr auto Encoders = []<std::size_t... Index>(std::index_sequence<Index...>) {
    return std::array<Encoder, sizeof...(Index)> { encoderOf<Index>()... };
}(std::make_index_sequence<PixelFormats.size()>());

constexpr auto Decoders = []<std::size_t... Index>(std::index_sequence<Index...>) {
    return std::array<Decoder, sizeof...(Index)> { decoderOf<Index>()... };
}(std::make_index_sequence<PixelFormats.size()>());

constexpr auto PaletteEncoders = []<std::size_t... Index>(std::index_sequence<Index...>) {
    return std::array<PaletteEncoder, sizeof...(Index)> { paletteEncoderOf<Index>()... };
}(std::make_index_sequence<PixelFormats.size()>());

constexpr auto RowsDecoders = []<std::size_t... Index>(std::index_sequence<Index...>) {
    return std::array<RowsDecoder, sizeof...(Index)> { rowsDecoderOf<Index>()... };
}(std::make_index_sequence<PixelFormats.size()>());

// By error, in the order of DecodeError.
constexpr std::array<std::string_view, 8> DecodeErrorTexts {
    "no error",
    "the width and height must each be 1 to ", // the largest size follows
    "the data is not exactly width x height pixels long",
    "the data ends inside a run record",
    "a run record has run length 0",
    "the runs hold more pixels than width x height",
    "the runs hold fewer pixels than width x height",
    "an index points past the palette's colours in use",
};
static_assert(DecodeErrorTexts.size() == static_cast<std::size_t>(DecodeError::PastPalette) + 1);

} // namespace

OutputBytes encode(PixelFormat format, const PixelGrid& grid, const EncodeProgress& progress)
{
    return Encoders[static_cast<std::size_t>(formatIndex(format))](grid, progress);
}

OutputBytes encode(PixelFormat format, const PixelGrid& grid, std::span<const Colour> palette, const EncodeProgress& progress)
{
    if (const PaletteEncoder encoder = PaletteEncoders[static_cast<std::size_t>(formatIndex(format))])
        return encoder(grid, palette, true, progress);
    return encode(format, grid, progress);
}

OutputBytes encodePalette(PixelFormat format, std::span<const Colour> palette)
{
    const PixelFormatInfo& info = formatInfo(format);
    OutputBytes bytes(static_cast<std::size_t>(info.paletteBytes()));
    detail::writePalette(palette, static_cast<std::size_t>(info.paletteEntries()), bytes.data());
    return bytes;
}

OutputBytes encodeIndexRows(PixelFormat format, const PixelGrid& grid, std::span<const Colour> palette,
    const EncodeProgress& progress)
{
    if (const PaletteEncoder encoder = PaletteEncoders[static_cast<std::size_t>(formatIndex(format))])
        return encoder(grid, palette, false, progress);
    return {};
}

DecodeResult decode(PixelFormat format, std::span<const std::uint8_t> bytes, int width, int height)
{
    return Decoders[static_cast<std::size_t>(formatIndex(format))](bytes, width, height);
}

DecodeResult decodeIndexRows(PixelFormat format, std::span<const std::uint8_t> bytes, int width, int height,
    std::span<const Colour> palette)
{
    if (const RowsDecoder decoder = RowsDecoders[static_cast<std::size_t>(formatIndex(format))])
        return decoder(bytes, width, height, palette);
    return decode(format, bytes, width, height);
}

Palette decodePalette(PixelFormat format, std::span<const std::uint8_t> bytes)
{
    const auto paletteBytes = static_cast<std::size_t>(formatInfo(format).paletteBytes());
    Palette palette = detail::paletteEntriesOf(bytes.first(std::min(bytes.size(), paletteBytes)));
    palette.resize(entriesInUse(palette));
    return palette;
}

std::string decodeErrorMessage(DecodeError error)
{
    std::string text(DecodeErrorTexts[static_cast<std::size_t>(error)]);
    if (error == DecodeError::InvalidSize)
        text += std::to_string(MaximumTargetSize);
    return text;
}

std::string DecodeResult::message() const
{
    std::string text = decodeErrorMessage(error);
    if (error != DecodeError::None && error != DecodeError::InvalidSize)
        text += " (at byte " + std::to_string(offset) + ")";
    return text;
}

} // namespace rasterkit
