#pragma once

// The pictures of tests/data whose pixels are known exactly. The formulas
// repeat those of scripts/make-cli-test-pictures.py, which wrote the files.

#include "reference.h"

#include <QString>

namespace knownpictures {

QString dataPath(const QString& name); // a file in tests/data

// known.bmp, 64 x 48: a flat band, gradients, stripes of colours that differ
// only in dropped bits or in one kept bit, and noise.
reference::Picture knownBmp();
// known.gif, 50 x 40, 16 palette colours.
reference::Picture knownGif();
// transparent.gif, 24 x 16; the transparent squares blended over 0xF0F0F0.
reference::Picture transparentGif();
// Whether a pixel of transparent.gif is transparent.
bool isTransparent(int x, int y);
// small.bmp, 7 x 5.
reference::Picture smallBmp();
// flat.gif, 320 x 240 of one colour.
inline constexpr reference::Rgb FlatColour { 0x5A, 0xA5, 0x3C };

} // namespace knownpictures
