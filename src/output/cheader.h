#pragma once

#include "convert/byteorder.h"
#include "convert/pixelformat.h"

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace rasterkit {

struct CHeaderOptions {
    std::string name;      // the array's name and the macros' prefix; a C identifier
    std::string attribute; // written before the array (PROGMEM, a section, an alignment); may be empty
    int width = 0;
    int height = 0;
    PixelFormat format = DefaultPixelFormat;
    ByteOrder byteOrder = ByteOrder::BigEndian;
};

// Whether text can name the array in C and C++: a letter or '_', then
// letters, digits and '_', and not a keyword of either language.
bool isCIdentifier(std::string_view text);

// A C header holding a raw file's bytes, exactly: an include guard, the
// macros NAME_WIDTH, NAME_HEIGHT, NAME_FORMAT, NAME_FORMAT_NAME,
// NAME_BIG_ENDIAN, NAME_LITTLE_ENDIAN and NAME_SIZE, then
// static const unsigned char NAME[NAME_SIZE], 16 bytes a line in hex, so
// that sizeof NAME is the raw file's size. It compiles without warnings as
// C99 and as C++. Lines end in LF.
std::string cHeader(const CHeaderOptions& options, std::span<const std::uint8_t> bytes);

} // namespace rasterkit
