#pragma once

#include "colour.h"
#include "greylevel.h"
#include "pixelformat.h"
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
// outside the picture.
struct SourceImage {
    int width = 0;
    int height = 0;
    const std::uint8_t* bytes = nullptr;
    std::ptrdiff_t bytesPerLine = 0;
    std::int64_t left = 0;
    std::int64_t top = 0;
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

namespace detail {

// What the grid stores for a colour: the colour ANDed with the mask, or the
// grey level of that.
constexpr std::int32_t reduce(Colour colour, std::uint32_t mask, bool grey)
{
    const Colour masked = colour & mask;
    return grey ? GreyLevel(masked) : static_cast<std::int32_t>(masked);
}

constexpr Colour previewColour(std::int32_t value, bool grey)
{
    return grey ? greyPreviewColour(value) : static_cast<Colour>(value) & 0xFFFFFFu;
}

} // namespace detail

// What the grid stores for a colour in a format, as sampling stores it.
constexpr std::int32_t reduceColour(PixelFormat format, Colour colour)
{
    return detail::reduce(colour, formatInfo(format).reductionMask, formatInfo(format).grey);
}

// The colour the preview shows for a value of a format's grid: the colour
// itself, or grey 8 x level for "Y 5x3". A sample outside the picture holds
// the mask, so it shows as the mask's colour (31 x 8 grey for "Y 5x3").
constexpr Colour previewColour(PixelFormat format, std::int32_t value)
{
    return detail::previewColour(value, formatInfo(format).grey);
}

// Samples the framed region of a picture one row at a time. Column i and row
// j (1-based) sample the source pixel nearest to (frameLeft + step x i,
// frameTop + step x j); the colour is ANDed with the format's reduction mask,
// or turned into its grey level for "Y 5x3". A format index outside 0..7
// (no format chosen) masks everything to 0.
class Sampler {
public:
    Sampler(const SourceImage& source, const FrameSettings& frame, int formatIndex);

    // Fills grid(1..targetWidth, row). The grid must be targetWidth x targetHeight.
    void sampleRow(int row, PixelGrid& grid) const;

    // The colour the preview shows for a stored value: the value itself, or
    // grey 8 x level for "Y 5x3".
    Colour previewColour(std::int32_t value) const { return detail::previewColour(value, m_grey); }

    const FrameSettings& frame() const { return m_frame; }

private:
    SourceImage m_source;
    FrameSettings m_frame;
    std::uint32_t m_mask = 0;
    bool m_grey = false;
    std::vector<std::int64_t> m_columns; // source x for columns 1..targetWidth
};

// Called after each finished row: row (1-based) of rowCount.
using SamplingProgress = std::function<void(int row, int rowCount)>;

// Samples the whole frame into a new grid of targetWidth x targetHeight.
PixelGrid sampleFrame(const SourceImage& source, const FrameSettings& frame, int formatIndex,
    const SamplingProgress& progress = {});

} // namespace rasterkit
