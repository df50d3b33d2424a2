#pragma once

#include <QByteArray>
#include <QString>

namespace rasterkit {

// Decoders fill what is missing from a picture file that was cut short with
// grey or leave it unchanged, and say nothing. Since a cut picture would be
// converted as if it were whole, the file's own structure is checked first.
// Returns an empty string when the data holds everything its headers
// announce, else the reason, e.g. "the file ends inside the picture's data
// (it has 5000 of 9270 bytes)".
//
// BMP: the uncompressed pixel rows must all be there. GIF: the first
// picture's data must end with its block terminator. Other formats, and
// compressed BMPs, are not checked here.
QString missingPictureData(const QByteArray& data);

} // namespace rasterkit
