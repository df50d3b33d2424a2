#pragma once

#include "colour.h"
#include "pixelformat.h"
#include "pixelgrid.h"
#include "reduceframe.h"

#include <cstdint>

namespace rasterkit {

// A test picture that shows at once on a display whether bytes, colour
// channels or rows come out swapped. From the edge inwards: a white
// one-pixel border, a black one-pixel gap, then the picture proper: its
// upper half red, green, blue and white bars from left to right, then a grey
// ramp from black to white, then a ramp through the hues (red, yellow,
// green, cyan, blue, magenta, red). A yellow mark twice as wide as high sits
// in the top-left corner, so every turn or mirror of the picture moves it.
Colour testPatternColour(int x, int y, int width, int height); // x, y 0-based

// The test picture for one-bit screens, white on black, where page and bit
// order mistakes show at once: the same border, gap and corner mark, then
// the upper half a checker of 4 x 4 squares, the lower half a grid of
// one-pixel lines every 8 pixels.
Colour monoTestPatternColour(int x, int y, int width, int height); // x, y 0-based

// The alpha of the test picture for the formats that keep alpha: opaque,
// but for the gap, which is fully transparent, the corner mark, at half
// (128), and the grey ramp, whose alpha rises with it from 0 at the left to
// 255 at the right.
std::uint8_t testPatternAlpha(int x, int y, int width, int height); // x, y 0-based

// The test picture of the request's frame size (its place and scale play no
// part), the mono one for a mono format, reduced for the request's format
// with its level options and turned as it asks, without dithering (with its
// alphas for a format that keeps alpha): ready for the format's encoder. A
// size outside 1..MaximumTargetSize gives an empty grid. An indexed format of
// two colours takes the mono picture, its palette black and white; the others
// take a palette that holds the picture's flat colours exactly, as many as
// fit (white, black, red, blue, green, then yellow), the rest chosen for the
// ramps.
PixelGrid testPattern(const ReductionRequest& request);

} // namespace rasterkit
