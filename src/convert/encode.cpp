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
    else if constexpr (layout == FormatLayout::ColourThenAlpha)
        return detail::decodeColourThenAlpha<Index>;
    else
        return detail::decodePixels<Index>;
}

constexpr auto Encoders = []<std::size_t... Index>(std::index_sequence<Index...>) {
    return std::array<Encoder, sizeof...(Index)> { encoderOf<Index>()... };
}(std::make_index_sequence<PixelFormats.size()>());

constexpr auto Decoders = []<std::size_t... Index>(std::index_sequence<Index...>) {
    return std::array<Decoder, sizeof...(Index)> { decoderOf<Index>()... };
}(std::make_index_sequence<PixelFormats.size()>());

// By error, in the order of DecodeError.
constexpr std::array<std::string_view, 7> DecodeErrorTexts {
    "no error",
    "the width and height must each be 1 to ", // the largest size follows
    "the data is not exactly width x height pixels long",
    "the data ends inside a run record",
    "a run record has run length 0",
    "the runs hold more pixels than width x height",
    "the runs hold fewer pixels than width x height",
};
static_assert(DecodeErrorTexts.size() == static_cast<std::size_t>(DecodeError::TooFewPixels) + 1);

} // namespace

OutputBytes encode(PixelFormat format, const PixelGrid& grid, const EncodeProgress& progress)
{
    return Encoders[static_cast<std::size_t>(formatIndex(format))](grid, progress);
}

DecodeResult decode(PixelFormat format, std::span<const std::uint8_t> bytes, int width, int height)
{
    return Decoders[static_cast<std::size_t>(formatIndex(format))](bytes, width, height);
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
