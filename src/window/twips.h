#pragma once

#include "convert/sampling.h"

#include <QRect>

namespace rasterkit {

// The window and the viewport measure in twips: 15 twips to a screen pixel.
inline constexpr int TwipsPerPixel = 15;

// Nearest pixel, ties to even (a twip count divided by 15 never ends in
// exactly one half, so ties do not arise in practice).
inline int pixelsFromTwips(int twips)
{
    return roundToInt32(static_cast<double>(twips) / TwipsPerPixel);
}

inline int twipsFromPixels(int pixels)
{
    return pixels * TwipsPerPixel;
}

inline QRect rectFromTwips(int left, int top, int width, int height)
{
    return QRect(pixelsFromTwips(left), pixelsFromTwips(top), pixelsFromTwips(width), pixelsFromTwips(height));
}

} // namespace rasterkit
