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
};

std::string decodeErrorMessage(DecodeError error);

struct DecodeResult {
    PixelGrid grid;                 // the reduced pixels, or grey levels for a grey format
    DecodeError error = DecodeError::None;
    std::size_t offset = 0;         // byte offset of the fault, when there is one

    bool ok() const { return error == DecodeError::None; }
    // The error's message with the offset, e.g. "a run record has run length 0 (at byte 12)".
    std::string message() const;
};

// Turns an output file image back into the grid it was encoded from, with
// the format's decoder as its row of the format table gives it. Never reads
// outside the bytes it is given.
DecodeResult decode(PixelFormat format, std::span<const std::uint8_t> bytes, int width, int height);

} // namespace rasterkit
