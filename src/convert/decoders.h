#pragma once

#include "pixelformat.h"
#include "pixelgrid.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace rasterkit {

enum class DecodeError {
    None,
    InvalidSize,     // width or height outside 1..MaximumTargetSize
    WrongLength,     // a plain file whose length is not width x height x bytes per pixel
    TruncatedRecord, // the data ends inside a run record
    ZeroRunLength,   // a run record with run length 0
    TooManyPixels,   // the runs add up to more than width x height
    TooFewPixels,    // the runs add up to fewer than width x height
    PastPalette,     // an index points past the palette's colours in use
};

std::string decodeErrorMessage(DecodeError error);

struct DecodeResult {
    PixelGrid grid;                 // the reduced pixels, or grey levels for a grey format
    Palette palette;                // an indexed format's palette: its colours in use, in its order
    DecodeError error = DecodeError::None;
    std::size_t offset = 0;         // byte offset of the fault, when there is one

    bool ok() const { return error == DecodeError::None; }
    // The error's message with the offset, e.g. "a run record has run length 0 (at byte 12)".
    std::string message() const;
};

// Turns an output file image back into the grid it was encoded from, with
// the format's decoder as its row of the format table gives it. Never reads
// outside the bytes it is given.
//
// An indexed format's file is its palette, then its index rows: every index
// must point at an entry up to the palette's last one that is not 0, or the
// one after it (indexableEntries). The grid holds each pixel's palette
// colour; the result's palette, the colours in use (entriesInUse).
DecodeResult decode(PixelFormat format, std::span<const std::uint8_t> bytes, int width, int height);

// An indexed format's index rows alone, as a batch with a shared palette
// writes them, read through the palette given (every entry in use). Other
// formats: decode.
DecodeResult decodeIndexRows(PixelFormat format, std::span<const std::uint8_t> bytes, int width, int height,
    std::span<const Colour> palette);

// The colours in use of an indexed format's palette part: the first
// paletteBytes bytes (high byte first), or as many whole words as there
// are. Empty for the other formats.
Palette decodePalette(PixelFormat format, std::span<const std::uint8_t> bytes);

} // namespace rasterkit
