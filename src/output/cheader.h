#pragma once

#include "convert/byteorder.h"
#include "convert/pixelformat.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace rasterkit {

// How the array holds the file: its bytes, or its 16-bit units as numbers.
enum class CArrayType { Bytes, Words };

// What of an indexed format's file the array holds: all of it, the index
// rows alone, or the palette alone (a palette shared by several pictures'
// index rows).
enum class CHeaderPart { Whole, IndexRows, Palette, Animation };

// "uint8" or "uint16".
std::string_view cArrayTypeName(CArrayType type);
std::optional<CArrayType> parseCArrayType(std::string_view text);

struct CHeaderOptions {
    std::string name;      // the array's name and the macros' prefix; a C identifier
    std::string attribute; // written before the array (PROGMEM, a section, an alignment); may be empty
    int width = 0;
    int height = 0;
    PixelFormat format = DefaultPixelFormat;
    ByteOrder byteOrder = ByteOrder::BigEndian;
    // Words: the file's 16-bit units (high byte first, as the format writes
    // them) as uint16_t numbers, for a format whose units are all words.
    CArrayType type = CArrayType::Bytes;
    CHeaderPart part = CHeaderPart::Whole;
    std::string paletteName; // IndexRows: the array of the shared palette
    // Animation (an animation file's bytes, animation.h): its frames and
    // loops, written as NAME_FRAME_COUNT and NAME_LOOPS.
    int frameCount = 0;
    int loops = 0;
    // --transparent-key: the value the grid holds for the key colour
    // (transparency.h), written as NAME_TRANSPARENT_KEY, its word.
    std::optional<std::int32_t> transparentKey {};
};

// Whether text can name the array in C and C++: a letter or '_', then
// letters, digits and '_', and not a keyword of either language.
bool isCIdentifier(std::string_view text);

// The text made a C identifier as CMake's string(MAKE_C_IDENTIFIER) makes
// one: every byte that is not an ASCII letter, digit or '_' becomes '_' (so
// each byte of a UTF-8 character does: "caf\xC3\xA9" gives "caf__"), and a
// leading digit gets a '_' in front ("8x8" gives "_8x8").
std::string cIdentifierFrom(std::string_view text);

// The name of a picture's C header and array (rasterkit_add_images() in the
// CMake package, rasterkit-cli convert --check): the file name without its
// last extension made a C identifier, and '_' appended when isCIdentifier
// refuses that (a keyword of C or C++, main, _Pragma): "logo.jpg" gives logo,
// "splash screen.v2.bmp" splash_screen_v2, ".hidden.bmp" _hidden,
// "int.bmp" int_, "main.jpg" main_, "_Pragma.gif" _Pragma_.
std::string pictureArrayName(std::string_view fileName);

// A C header holding a raw file's bytes, exactly: an include guard, the
// macros NAME_WIDTH, NAME_HEIGHT, NAME_FORMAT, NAME_FORMAT_NAME,
// NAME_BIG_ENDIAN, NAME_LITTLE_ENDIAN, NAME_STRIDE (bytes a row, or a page;
// for the formats the window does not offer, but the run-length ones; of a
// colour and alpha format, a row of its colour words), for an indexed format
// NAME_PALETTE_ENTRIES (2^n) and NAME_INDEX_OFFSET (where the index rows
// start: 2 x 2^n, or 0 for the index rows alone), NAME_ALPHA_OFFSET (where
// the alpha bytes of a colour and alpha format start: the bytes of its colour
// words), NAME_TRANSPARENT_KEY (with a transparent key: its word, red in bits
// 15..11, as the display's driver compares words read in the file's byte
// order) and NAME_SIZE, then static const unsigned char NAME[NAME_SIZE], 16 bytes a line
// in hex, so that sizeof NAME is the raw file's size. With CArrayType::Words,
// static const uint16_t NAME[NAME_SIZE / 2] holds the 16-bit units as numbers
// instead (the file read high byte first), and the byte-order macros are
// left out: the compiler stores the numbers in the target's order. It
// compiles without warnings as C99 and as C++. Lines end in LF. A palette
// alone has no size, stride or index offset, and says whose palette it is.
std::string cHeader(const CHeaderOptions& options, std::span<const std::uint8_t> bytes);

} // namespace rasterkit
