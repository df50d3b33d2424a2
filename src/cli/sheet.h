#pragma once

// The contact sheet of compare: the previews of one frame side by side,
// each labelled, drawn with a small built-in bitmap font so that the sheet
// needs no font files and no display connection.

#include "convert/rgbxpicture.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <vector>

namespace rasterkit::cli {

struct SheetTile {
    RgbxPicture preview; // one pixel per output pixel
    QStringList label; // lines drawn above the preview
};

// The tiles in rows of `columns`, in order, on a dark grey ground; each
// tile's label in white above its preview. A null picture when the sheet
// would be larger than MaximumSheetSide pixels a side or cannot be made.
inline constexpr int MaximumSheetSide = 32767;
RgbxPicture contactSheet(const std::vector<SheetTile>& tiles, int columns);

// Whether count tiles of width x height previews under labelLines lines, in
// rows of columns, can fit within MaximumSheetSide (labels wider than the
// previews may still make the sheet too wide).
bool sheetFits(int count, int columns, int width, int height, int labelLines);

// The width and height of a line of text drawn by drawLabel at the given
// scale: 6 x scale pixels a character (5 for the glyph, 1 between), 7 x
// scale high.
int labelWidth(const QString& text, int scale);
inline int labelHeight(int scale) { return 7 * scale; }

// Draws the text with its top-left corner at (x, y), each font pixel as a
// scale x scale square of the colour (0xRRGGBB); characters the font lacks
// are drawn as a hollow box. Parts outside the picture are clipped.
void drawLabel(RgbxPicture& picture, int x, int y, const QString& text, std::uint32_t colour, int scale);

} // namespace rasterkit::cli
