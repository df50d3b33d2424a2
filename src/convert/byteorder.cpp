#include "byteorder.h"

#include <algorithm>
#include <utility>

namespace rasterkit {

std::string_view byteOrderName(ByteOrder order)
{
    return order == ByteOrder::LittleEndian ? "little" : "big";
}

std::optional<ByteOrder> parseByteOrder(std::string_view text)
{
    if (text == "big")
        return ByteOrder::BigEndian;
    if (text == "little")
        return ByteOrder::LittleEndian;
    return std::nullopt;
}

void applyByteOrder(PixelFormat format, std::span<std::uint8_t> bytes, ByteOrder order)
{
    const PixelFormatInfo& info = formatInfo(format);
    if (order == ByteOrder::BigEndian)
        return;
    // An indexed format's palette: its words; the index rows are bytes.
    if (info.paletteEntries() > 0) {
        const std::size_t paletteBytes = std::min(bytes.size(), static_cast<std::size_t>(info.paletteBytes()));
        for (std::size_t word = 0; word + 1 < paletteBytes; word += 2)
            std::swap(bytes[word], bytes[word + 1]);
        return;
    }
    if (info.wordOffset == NoWord)
        return;
    const auto recordWidth = static_cast<std::size_t>(info.recordWidth);
    const auto wordOffset = static_cast<std::size_t>(info.wordOffset);
    // The alpha bytes after the colour records are single bytes.
    if (info.layout == FormatLayout::ColourThenAlpha)
        bytes = bytes.first(bytes.size() / (recordWidth + 1) * recordWidth);
    for (std::size_t record = 0; bytes.size() - record >= recordWidth; record += recordWidth)
        std::swap(bytes[record + wordOffset], bytes[record + wordOffset + 1]);
}

} // namespace rasterkit
