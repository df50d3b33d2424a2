#pragma once

#include "pixelformat.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace rasterkit {

// The order of the two bytes of each 16-bit unit in a file. The files'
// own order is big-endian: the high byte first.
enum class ByteOrder { BigEndian, LittleEndian };

// "big" or "little".
std::string_view byteOrderName(ByteOrder order);
std::optional<ByteOrder> parseByteOrder(std::string_view text);

// Whether the byte order changes a format's files: the formats with a 16-bit
// word in every pixel or record do, the ones made of single bytes do not.
constexpr bool hasWords(PixelFormat format)
{
    return formatInfo(format).hasWords();
}

// Turns an output file image between the files' own order and the given one,
// in place: for little-endian the two bytes of the word in each pixel or
// record change places (which also turns a little-endian image back). A
// run length beside the word in a record stays where it is, and the bytes of
// a record cut short at the end are left as they are. In an indexed format
// only the palette's words at the start change (a palette part on its own
// too; index rows alone are bytes: leave them be). Of a format that writes
// the colours and then the alphas, only the colours' words turn: the first
// two thirds of a whole file.
void applyByteOrder(PixelFormat format, std::span<std::uint8_t> bytes, ByteOrder order);

} // namespace rasterkit
