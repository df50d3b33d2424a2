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

// The parts of the test picture: a one-pixel border, a one-pixel gap, then
// the picture proper with its mark in the top-left corner, the top half, the
// third quarter and the bottom quarter.
enum class Part { Border, Gap, Mark, TopHalf, ThirdQuarter, BottomQuarter };

struct Place {
    Part part;
    int innerX = 0, innerY = 0, innerWidth = 0, innerHeight = 0; // inside the border and the gap
};

Place placeOf(int x, int y, int width, int height)
{
    if (x == 0 || y == 0 || x == width - 1 || y == height - 1)
        return { Part::Border };
    if (x == 1 || y == 1 || x == width - 2 || y == height - 2)
        return { Part::Gap };
    Place place { Part::Mark, x - 2, y - 2, width - 4, height - 4 };
    const int mark = std::max(1, std::min(place.innerWidth, place.innerHeight) / 6);
    if (place.innerX < 2 * mark && place.innerY < mark)
        place.part = Part::Mark;
    else if (place.innerY < place.innerHeight / 2)
        place.part = Part::TopHalf;
    else if (place.innerY < place.innerHeight * 3 / 4)
        place.part = Part::ThirdQuarter;
    else
        place.part = Part::BottomQuarter;
    return place;
}

} // namespace

// White border, black gap, a yellow mark; colour bars, a grey ramp and a
// hue ramp.
Colour testPatternColour(int x, int y, int width, int height)
{
    const Place place = placeOf(x, y, width, height);
    switch (place.part) {
    case Part::Border:
        return White;
    case Part::Gap:
        return Black;
    case Part::Mark:
        return Yellow;
    case Part::TopHalf:
        return Bars[place.innerX * 4 / place.innerWidth];
    case Part::ThirdQuarter: {
        const auto level = static_cast<unsigned>(along(place.innerX, place.innerWidth, 255));
        return makeColour(level, level, level);
    }
    case Part::BottomQuarter:
        break;
    }
    return hue(along(place.innerX, place.innerWidth, 6 * 255));
}

// Opaque border, transparent gap, a half-transparent mark, and the grey
// ramp's level as an alpha ramp; the rest opaque.
std::uint8_t testPatternAlpha(int x, int y, int width, int height)
{
    const Place place = placeOf(x, y, width, height);
    switch (place.part) {
    case Part::Gap:
        return 0;
    case Part::Mark:
        return 128;
    case Part::ThirdQuarter:
        return static_cast<std::uint8_t>(along(place.innerX, place.innerWidth, 255));
    default:
        return 255;
    }
}

// Lit border, dark gap, a lit mark; a checkerboard of 4-pixel squares, then
// a grid of lines 8 pixels apart.
Colour monoTestPatternColour(int x, int y, int width, int height)
{
    const Place place = placeOf(x, y, width, height);
    bool lit = false;
    switch (place.part) {
    case Part::Border:
    case Part::Mark:
        lit = true;
        break;
    case Part::Gap:
        break;
    case Part::TopHalf:
        lit = (place.innerX / 4 + place.innerY / 4) % 2 == 0;
        break;
    case Part::ThirdQuarter:
    case Part::BottomQuarter:
        lit = place.innerX % 8 == 0 || (place.innerY - place.innerHeight / 2) % 8 == 0;
        break;
    }
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
