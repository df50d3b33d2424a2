#pragma once

#include "colour.h"
#include "pixelformat.h"
#include "pixelgrid.h"

namespace rasterkit {

// A test picture that shows at once on a display whether bytes, colour
// channels or rows come out swapped. From the edge inwards: a white
// one-pixel border, a black one-pixel gap, then the picture proper: its
// upper half red, green, blue and white bars from left to right, then a grey
// ramp from black to white, then a ramp through the hues (red, yellow,
// green, cyan, blue, magenta, red). A yellow mark twice as wide as high sits
// in the top-left corner, so every turn or mirror of the picture moves it.
Colour testPatternColour(int x, int y, int width, int height); // x, y 0-based

// The test picture of width x height pixels reduced for a format, as the
// conversion stores a picture: ready for the format's encoder. A size
// outside 1..MaximumTargetSize gives an empty grid.
PixelGrid testPattern(PixelFormat format, int width, int height);

} // namespace rasterkit
