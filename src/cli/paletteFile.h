#pragma once

// The palette --palette FILE gives an indexed format: a picture's colours,
// or the palette part of a raw file of the format.

#include "frameOptions.h"

#include "convert/palette.h"

#include <QString>

namespace rasterkit::cli {

struct PaletteFile {
    Palette palette;
    QString error; // names the file and the reason; empty on success

    bool ok() const { return error.isEmpty(); }
};

// Reads the request's palette file for its format, colour order and byte
// order. A picture (anything the picture loader reads) gives its distinct
// colours reduced to 5:6:5 in the panel's colour order, in ascending order
// of their words; it must not hold more than the format's palette does. Any
// other file is a raw file of the format in the request's byte order: its
// palette part's colours in use (entriesInUse), in their order, the file
// being at least that part long.
PaletteFile readPaletteFile(const QString& path, const FrameRequest& request);

// Why the palette file cannot be used, seen without reading it (missing, a
// folder); empty when neither.
QString paletteFileProblem(const QString& path);

} // namespace rasterkit::cli
