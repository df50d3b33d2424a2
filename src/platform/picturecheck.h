#pragma once

#include <QByteArray>
#include <QtGlobal>

#include <optional>

namespace rasterkit {

// Whether the data starts with the signature of a BMP ("BM") or GIF
// ("GIF87a", "GIF89a") file, the formats whose structure is checked here.
bool hasBmpOrGifSignature(const QByteArray& data);

// Decoders fill what is missing from a picture file that was cut short with
// grey or leave it unchanged, and say nothing. Since a cut picture would be
// converted as if it were whole, the file's own structure is checked first.
// Returns nothing when the data holds everything its headers announce.
//
// BMP: the uncompressed pixel rows must all be there, read from where Qt's
// reader reads them. GIF: the first
// picture's data must end with its block terminator. Other formats, and
// compressed BMPs, are not checked here.
struct MissingPictureData {
    qint64 have = 0; // the bytes the file has
    qint64 need = 0; // the bytes its headers announce; 0 when only the end is known to be missing
};
std::optional<MissingPictureData> missingPictureData(const QByteArray& data);

// The size a BMP or GIF header claims, read before anything is decoded, so
// that a header claiming billions of pixels is told as such (Qt's readers
// give only "Unable to read image data"). Nothing for other formats.
struct ClaimedPictureSize {
    qint64 width = 0;
    qint64 height = 0;
};
std::optional<ClaimedPictureSize> claimedPictureSize(const QByteArray& data);

// Whether a GIF's first picture has LZW data that cannot be read as it
// stands: a code size above 8, a code for a table entry not made yet, or an
// end before the picture's last pixel. Qt's reader would fill such a picture
// with made-up pixels and say nothing. Call once missingPictureData found
// nothing missing. Always false for other formats.
bool pictureDataDamaged(const QByteArray& data);

} // namespace rasterkit
