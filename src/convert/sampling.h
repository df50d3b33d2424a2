#pragma once

#include "colour.h"
#include "pixelgrid.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

namespace rasterkit {

// A read-only view of the source picture, or of the part of it that was
// decoded: width x height pixels, four bytes each in the order red, green,
// blue, unused, rows bytesPerLine apart. The first stored pixel is the
// picture's pixel (left, top); positions outside the stored pixels read as
// outside the picture. With straightAlpha the fourth byte is the pixel's
// alpha (0 transparent, 255 opaque) and the colour is not premultiplied by
// it; otherwise every pixel is opaque.
struct SourceImage {
    int width = 0;
    int height = 0;
    const std::uint8_t* bytes = nullptr;
    std::ptrdiff_t bytesPerLine = 0;
    std::int64_t left = 0;
    std::int64_t top = 0;
    bool straightAlpha = false;
};

// What the capture frame hands to a conversion.
struct FrameSettings {
    int targetWidth = 320;
    int targetHeight = 240;
    double sampleStep = 1.0; // source pixels between neighbouring samples
    std::int32_t frameLeft = 0;
    std::int32_t frameTop = 0;
};

struct FrameOrigin {
    std::int32_t left = 0;
    std::int32_t top = 0;
};

// The frame's top-left corner for a frame centred at (centerX, centerY):
// centre - step x size / 2, computed in double precision and rounded to the
// nearest integer, ties to even (clamped to the 32-bit range).
FrameOrigin frameOriginForCenter(float centerX, float centerY, double sampleStep, int targetWidth, int targetHeight);

// Narrows a position to single precision, as mouse positions and sample
// positions are. GCC 12's SLP vectorizer drops a double -> float -> double
// round trip when it pairs two of them (x and y, say) and keeps the double,
// so the narrowed value goes through memory the optimiser cannot see into.
inline float singlePrecision(double value)
{
    float narrowed = static_cast<float>(value);
#if defined(__GNUC__)
    asm volatile("" : "+m"(narrowed));
#endif
    return narrowed;
}

// Rounds to the nearest integer, ties to even, clamped to the 32-bit range.
std::int32_t roundToInt32(double value);

// A 16-bit signed value, as the classic controls hold them: the nearest
// integer, ties to even, then saturated to -32768..32767.
inline std::int16_t toInt16(double value)
{
    const std::int32_t rounded = roundToInt32(value);
    return static_cast<std::int16_t>(rounded < INT16_MIN ? INT16_MIN : rounded > INT16_MAX ? INT16_MAX : rounded);
}

// The source pixel that a sample position selects: the position is narrowed
// to single precision and rounded to the nearest pixel, ties to even, so a
// whole position selects exactly that pixel.
std::int64_t nearestPixel(double position);

// The source column that sample column i (1-based) reads:
// nearestPixel(frameLeft + step x i); rows likewise from frameTop.
std::int64_t sampledColumn(const FrameSettings& frame, int column);
std::int64_t sampledRow(const FrameSettings& frame, int row);

// A rectangle of picture pixels; empty when width or height is 0.
struct PixelRect {
    std::int64_t left = 0;
    std::int64_t top = 0;
    std::int64_t width = 0;
    std::int64_t height = 0;

    bool isEmpty() const { return width <= 0 || height <= 0; }
    friend bool operator==(const PixelRect&, const PixelRect&) = default;
};

// The smallest rectangle of a pictureWidth x pictureHeight picture that holds
// every pixel the frame's samples read; empty when no sample falls inside the
// picture. A decoder that stores this rectangle, and nothing more, gives the
// sampler exactly the values the whole picture would.
PixelRect sampledRegion(const FrameSettings& frame, std::int64_t pictureWidth, std::int64_t pictureHeight);

// The percentage of rows done shown by the progress bar after a row:
// row / rowCount x 100 in double precision, rounded to nearest, ties to even.
int progressPercent(int row, int rowCount);

// Called after each finished row: row (1-based) of rowCount.
using SamplingProgress = std::function<void(int row, int rowCount)>;

} // namespace rasterkit
