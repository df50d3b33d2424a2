#pragma once

#include "convert/sampling.h"

#include <QRect>

#include <algorithm>
#include <cstdint>

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

// A 16-bit signed value: nearest integer, ties to even, then clamped.
inline std::int16_t toInt16(double value)
{
    const std::int32_t rounded = roundToInt32(value);
    return static_cast<std::int16_t>(std::clamp<std::int32_t>(rounded, INT16_MIN, INT16_MAX));
}

} // namespace rasterkit
