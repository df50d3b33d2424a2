#include "pattern.h"

#include "dither.h"
#include "orientation.h"
#include "quantise.h"
#include "sampling.h"
#include "transparency.h"

#include <algorithm>

namespace rasterkit {

namespace {

constexpr Colour White = makeColour(255, 255, 255);
constexpr Colour Black = makeColour(0, 0, 0);
constexpr Colour Yellow = makeColour(255, 255, 0);
constexpr Colour Bars[4] = { makeColour(255, 0, 0), makeColour(0, 255, 0), makeColour(0, 0, 255), White };

// Position 0..1530 along red, yellow, green, cyan, blue, magenta and back to
// red, 255 steps between neighbours.
Colour hue(int position)
{
    const int step = position % 255;
    switch (position / 255) {
    case 0:
        return makeColour(255, unsigned(step), 0);
    case 1:
        return makeColour(unsigned(255 - step), 255, 0);
    case 2:
        return makeColour(0, 255, unsigned(step));
    case 3:
        return makeColour(0, unsigned(255 - step), 255);
    case 4:
        return makeColour(unsigned(step), 0, 255);
    case 5:
        return makeColour(255, 0, unsigned(255 - step));
    default:
        return makeColour(255, 0, 0);
    }
}

// The flat colours of the picture, those a display check looks at first:
// an indexed format's palette holds as many as it can, in this order.
constexpr Colour FlatColours[] = { White, Black, Bars[0], Bars[2], Bars[1], Yellow };

// The palette of an indexed format for the test picture: its flat colours,
// as many as fit, and the rest chosen for its other colours (the ramps).
Palette patternPalette(const PixelGrid& colours, PixelFormat format, ColourOrder order)
{
    const auto entries = static_cast<std::size_t>(formatInfo(format).paletteEntries());
    Palette palette;
    for (const Colour colour : FlatColours) {
        if (palette.size() < entries)
            palette.push_back(inColourOrder(colour, order) & Rgb565Mask);
    }
    ColourHistogram others;
    for (const std::int32_t sample : colours.values()) {
        const Colour colour = inColourOrder(static_cast<Colour>(sample), order) & Rgb565Mask;
        if (std::find(palette.begin(), palette.end(), colour) == palette.end())
            others.add(colour);
    }
    const Palette rest = choosePalette(others, static_cast<int>(entries - palette.size()));
    palette.insert(palette.end(), rest.begin(), rest.end());
    std::sort(palette.begin(), palette.end(), [](Colour a, Colour b) { return paletteWord(a) < paletteWord(b); });
    return palette;
}

// The share of a ramp at inner column x of innerWidth, 0..scale.
int along(int x, int innerWidth, int scale)
{
    return innerWidth > 1 ? x * scale / (innerWidth - 1) : scale;
}

} // namespace

Colour testPatternColour(int x, int y, int width, int height)
{
    if (x == 0 || y == 0 || x == width - 1 || y == height - 1)
        return White;
    if (x == 1 || y == 1 || x == width - 2 || y == height - 2)
        return Black;
    // The picture proper, inside the border and the gap.
    const int innerX = x - 2;
    const int innerY = y - 2;
    const int innerWidth = width - 4;
    const int innerHeight = height - 4;
    const int mark = std::max(1, std::min(innerWidth, innerHeight) / 6);
    if (innerX < 2 * mark && innerY < mark)
        return Yellow;
    if (innerY < innerHeight / 2)
        return Bars[innerX * 4 / innerWidth];
    if (innerY < innerHeight * 3 / 4) {
        const auto level = static_cast<unsigned>(along(innerX, innerWidth, 255));
        return makeColour(level, level, level);
    }
    return hue(along(innerX, innerWidth, 6 * 255));
}

std::uint8_t testPatternAlpha(int x, int y, int width, int height)
{
    if (x == 0 || y == 0 || x == width - 1 || y == height - 1)
        return 255;
    if (x == 1 || y == 1 || x == width - 2 || y == height - 2)
        return 0;
    const int innerX = x - 2;
    const int innerY = y - 2;
    const int innerWidth = width - 4;
    const int innerHeight = height - 4;
    const int mark = std::max(1, std::min(innerWidth, innerHeight) / 6);
    if (innerX < 2 * mark && innerY < mark)
        return 128;
    if (innerY >= innerHeight / 2 && innerY < innerHeight * 3 / 4)
        return static_cast<std::uint8_t>(along(innerX, innerWidth, 255));
    return 255;
}

Colour monoTestPatternColour(int x, int y, int width, int height)
{
    const bool lit = [&] {
        if (x == 0 || y == 0 || x == width - 1 || y == height - 1)
            return true;
        if (x == 1 || y == 1 || x == width - 2 || y == height - 2)
            return false;
        const int innerX = x - 2;
        const int innerY = y - 2;
        const int innerWidth = width - 4;
        const int innerHeight = height - 4;
        const int mark = std::max(1, std::min(innerWidth, innerHeight) / 6);
        if (innerX < 2 * mark && innerY < mark)
            return true;
        if (innerY < innerHeight / 2)
            return (innerX / 4 + innerY / 4) % 2 == 0;
        return innerX % 8 == 0 || (innerY - innerHeight / 2) % 8 == 0;
    }();
    return lit ? White : Black;
}

PixelGrid testPattern(const ReductionRequest& request)
{
    const int width = request.frame.targetWidth;
    const int height = request.frame.targetHeight;
    PixelGrid colours(width, height);
    // A palette of two colours shows the one-bit picture.
    const PixelFormatInfo& info = formatInfo(request.format);
    const bool mono = info.mono() || info.paletteEntries() == 2;
    for (int row = 1; row <= colours.height(); ++row) {
        const auto values = colours.row(row);
        for (int column = 1; column <= colours.width(); ++column) {
            const Colour colour = mono ? monoTestPatternColour(column - 1, row - 1, width, height)
                                       : testPatternColour(column - 1, row - 1, width, height);
            values[std::size_t(column - 1)] = static_cast<std::int32_t>(colour);
        }
    }
    if (!info.keepsAlpha()) {
        LevelOptions levels = request.levels;
        if (info.paletteEntries() > 0 && levels.palette.empty() && !colours.isEmpty())
            levels.palette = patternPalette(colours, request.format, levels.colourOrder);
        return orient(reduceColours(colours, request.format, Dither::None, levels), request.orientation);
    }
    // The formats that keep alpha: the same picture with its alphas.
    SampledFrame sampled { std::move(colours), {} };
    for (int row = 0; row < sampled.colours.height(); ++row) {
        for (int column = 0; column < width; ++column)
            sampled.alphas.push_back(testPatternAlpha(column, row, width, height));
    }
    ReductionRequest plain = request;
    plain.dither = Dither::None;
    return orient(reduceSampledFrame(sampled, plain), request.orientation);
}

} // namespace rasterkit
