#include "decoders.h"
#include "encoders.h"
#include "scan.h"

#include <string>

namespace rasterkit {

OutputBytes encode(PixelFormat format, const PixelGrid& grid, const EncodeProgress& progress)
{
    switch (format) {
    case PixelFormat::RGB565:
        return EncodeRGB565(grid, progress);
    case PixelFormat::RGB565x8:
        return EncodeRGB565x8(grid, progress);
    case PixelFormat::RGB544x3:
        return EncodeRGB544x3(grid, progress);
    case PixelFormat::RGB444x4:
        return EncodeRGB444x4(grid, progress);
    case PixelFormat::RGB333x7:
        return EncodeRGB333x7(grid, progress);
    case PixelFormat::RGB332:
        return EncodeRGB332(grid, progress);
    case PixelFormat::RGB332x8:
        return EncodeRGB332x8(grid, progress);
    case PixelFormat::Y5x3:
        return EncodeY5x3(grid, progress);
    }
    return {};
}

DecodeResult decode(PixelFormat format, std::span<const std::uint8_t> bytes, int width, int height)
{
    switch (format) {
    case PixelFormat::RGB565:
        return detail::decodeRGB565(bytes, width, height);
    case PixelFormat::RGB565x8:
        return detail::decodeRGB565x8(bytes, width, height);
    case PixelFormat::RGB544x3:
        return detail::decodeRGB544x3(bytes, width, height);
    case PixelFormat::RGB444x4:
        return detail::decodeRGB444x4(bytes, width, height);
    case PixelFormat::RGB333x7:
        return detail::decodeRGB333x7(bytes, width, height);
    case PixelFormat::RGB332:
        return detail::decodeRGB332(bytes, width, height);
    case PixelFormat::RGB332x8:
        return detail::decodeRGB332x8(bytes, width, height);
    case PixelFormat::Y5x3:
        return detail::decodeY5x3(bytes, width, height);
    }
    return {};
}

std::string_view decodeErrorMessage(DecodeError error)
{
    switch (error) {
    case DecodeError::None:
        return "no error";
    case DecodeError::InvalidSize:
        return "the width and height must each be 1 to 8192";
    case DecodeError::WrongLength:
        return "the data is not exactly width x height pixels long";
    case DecodeError::TruncatedRecord:
        return "the data ends inside a run record";
    case DecodeError::ZeroRunLength:
        return "a run record has run length 0";
    case DecodeError::TooManyPixels:
        return "the runs hold more pixels than width x height";
    case DecodeError::TooFewPixels:
        return "the runs hold fewer pixels than width x height";
    }
    return "unknown error";
}

std::string DecodeResult::message() const
{
    std::string text(decodeErrorMessage(error));
    if (error != DecodeError::None && error != DecodeError::InvalidSize)
        text += " (at byte " + std::to_string(offset) + ")";
    return text;
}

} // namespace rasterkit
