#pragma once

#include "convert/pixelformat.h"
#include "convert/pixelgrid.h"

#include <QByteArray>
#include <QImage>

namespace rasterkit {

// The reduced picture as the window's preview shows it: one pixel for each
// value of the grid, in the colour the preview draws for it (samples outside
// the source picture included).
QImage previewImage(const PixelGrid& grid, PixelFormat format);

// A picture as the bytes of a PNG file, for saving whole. Empty if it cannot
// be encoded.
QByteArray pngBytes(const QImage& picture);

} // namespace rasterkit
