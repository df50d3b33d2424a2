#pragma once

#include "convert/pixelformat.h"
#include "convert/pixelgrid.h"
#include "convert/rgbxpicture.h"

namespace rasterkit {

// The reduced picture as the window's preview shows it: one pixel for each
// value of the grid, in the colour the preview draws for it (samples outside
// the source picture included), a BGR panel's values shown in their true
// colours. Null if memory runs out.
RgbxPicture previewImage(const PixelGrid& grid, PixelFormat format, ColourOrder order = ColourOrder::Rgb);

} // namespace rasterkit
