#pragma once

// Helpers shared by the conversion core's tests. The reference encoder here is
// written from the record layouts alone (16-bit word formulas and a plain list
// of maximal runs), without the core's packers or scan, so that the encoders
// are checked against an independent computation.

#include "convert/pixelformat.h"
#include "convert/pixelgrid.h"
#include "convert/sampling.h"

#include <concepts>
#include <cstdint>
#include <initializer_list>
#include <ostream>
#include <random>
#include <string>
#include <vector>

namespace rasterkit::test {

// "F8 00 03": bytes as upper-case hex pairs separated by single spaces.
std::string toHex(const std::vector<std::uint8_t>& bytes);
// The reverse of toHex; spaces are ignored.
std::vector<std::uint8_t> fromHex(const std::string& text);

// A grid of width x height filled from values given in raster order.
PixelGrid gridOf(int width, int height, const std::vector<std::int32_t>& rasterValues);
// A grid of one value.
PixelGrid filledGrid(int width, int height, std::int32_t value);

// A value the format's grid can hold: the colour with the format's reduction
// mask applied (an indexed format's palette can hold any such colour), or
// for "Y 5x3" a grey level 7..31 derived from it.
std::int32_t validValue(PixelFormat format, std::uint32_t colour);

// A grid of valid values for the format in which no value equals the one
// before it in raster order.
PixelGrid noEqualNeighboursGrid(PixelFormat format, int width, int height);

// Random valid grids. maxRun > 1 makes values repeat in runs of up to maxRun
// pixels in raster order (so runs often cross row ends); palette limits the
// number of distinct values, which also makes separate runs meet (for an
// indexed format, to no more than its palette holds).
PixelGrid randomGrid(PixelFormat format, int width, int height, std::mt19937& random, int maxRun, int palette);

struct Run {
    std::int32_t value;
    std::int64_t length;
};
// The maximal stretches of equal values in raster order.
std::vector<Run> maximalRuns(const PixelGrid& grid);

// The bytes of one record (run-length formats) or one pixel (plain formats,
// runLength ignored), from the formats' word layouts. An indexed format's
// file is modelled from its layout: the grid's distinct colours in ascending
// order of their 5:6:5 words as 16-bit words, high byte first, 0 words up to
// 2^N, then rows of ceil(W x N / 8) bytes, each pixel's index in N bits
// from the highest.
std::vector<std::uint8_t> referenceRecord(PixelFormat format, std::int32_t value, int runLength);
// The whole output: every maximal run cut into records of the run limit and
// one record with the rest.
std::vector<std::uint8_t> referenceEncode(PixelFormat format, const PixelGrid& grid);
// Output size: record width x sum(ceil(run / limit)), or pixels x bytes per pixel.
std::int64_t referenceEncodedSize(PixelFormat format, const PixelGrid& grid);

// A picture in memory, four bytes a pixel (red, green, blue, unused), made
// from a function of (x, y) giving 0x00BBGGRR.
class Picture {
public:
    template<typename ColourOf>
    Picture(int width, int height, ColourOf colourOf)
        : m_width(width)
        , m_height(height)
        , m_bytes(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4, 0x77)
    {
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                const std::uint32_t colour = colourOf(x, y);
                std::uint8_t* pixel = &m_bytes[(static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x)) * 4];
                pixel[0] = static_cast<std::uint8_t>(colour);
                pixel[1] = static_cast<std::uint8_t>(colour >> 8);
                pixel[2] = static_cast<std::uint8_t>(colour >> 16);
            }
        }
    }

    SourceImage image() const { return { m_width, m_height, m_bytes.data(), static_cast<std::ptrdiff_t>(m_width) * 4 }; }

private:
    int m_width;
    int m_height;
    std::vector<std::uint8_t> m_bytes;
};

// The formats whose files hold a palette (the indexed ones), and the others.
std::vector<PixelFormat> indexedFormats();
std::vector<PixelFormat> formatsWithoutPalette();

// Readable names for parameterised test names, e.g. "RGB565x8".
std::string formatTestName(PixelFormat format);
// e.g. "W6H4_Step2_5_AtMinus6_Minus6" for 6 x 4 at scale 2.5 from (-6, -6).
std::string frameTestName(const FrameSettings& frame);

} // namespace rasterkit::test

namespace rasterkit {
// Lets GoogleTest print formats by name.
void PrintTo(PixelFormat format, std::ostream* out);
// Lets GoogleTest print a grid briefly on failure.
void PrintTo(const PixelGrid& grid, std::ostream* out);

// Lets GoogleTest print a table row by its name instead of its raw bytes.
template<typename Row>
    requires requires(const Row& row) { { row.name } -> std::convertible_to<const char*>; }
void PrintTo(const Row& row, std::ostream* out)
{
    *out << row.name;
}
} // namespace rasterkit
