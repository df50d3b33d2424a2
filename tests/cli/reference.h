#pragma once

// An independent reference of what rasterkit-cli must write: sampling,
// colour reduction, grey levels and the eight output formats, written
// straight from the format descriptions with plain loops. It shares no code
// with the conversion core, so the two can only agree by both being right.

#include <QImage>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace reference {

struct Rgb {
    int red = 0;
    int green = 0;
    int blue = 0;
    bool operator==(const Rgb&) const = default;
};

// A source picture, pixels in raster order.
struct Picture {
    int width = 0;
    int height = 0;
    std::vector<Rgb> pixels;

    Rgb at(int x, int y) const { return pixels[static_cast<std::size_t>(y) * width + x]; }
};

// The pixels of a decoded picture (any QImage format, alpha ignored).
Picture fromImage(const QImage& image);

struct Frame {
    int width = 320;
    int height = 240;
    double step = 1.0;
    int left = 0;
    int top = 0;
};

// Format indices as the format list numbers them.
enum Format {
    RGB565 = 0, RGB565x8, RGB544x3, RGB444x4, RGB333x7, RGB332, RGB332x8, Y5x3,
    Mono, MonoLsb, MonoPages, Grey2, Grey4, Grey8, RGB666, RGB888,
};

// What the panel options ask: --colour-order bgr, --mirror (0 none, 1
// horizontal, 2 vertical), --rotate (degrees clockwise), --threshold and
// --invert.
struct Options {
    bool bgr = false;
    int mirror = 0;
    int rotate = 0;
    int threshold = 128;
    bool invert = false;
};

// The bytes of the output file for this picture, frame, format and options.
std::vector<std::uint8_t> convert(const Picture& picture, const Frame& frame, int format, const Options& options = {});

// The width and height of the file's raster: the frame's, swapped at 90 and 270 degrees.
std::pair<int, int> rasterSize(const Frame& frame, const Options& options);

// The status box's report for an output of outputSize bytes, with the given
// decimal separator.
std::string report(int format, const Frame& frame, std::size_t outputSize, char decimalSeparator = '.');

// The grey level 7..31 of "Y 5x3".
int greyLevel(Rgb colour);

// The pixel a sample position selects: the position, computed in double
// precision, is narrowed to a float and rounded to the nearest whole pixel,
// halves to even.
long long pixelAt(double position);

} // namespace reference
