#pragma once

#include "convert/sampling.h"

#include <QByteArray>
#include <QImage>
#include <QPoint>
#include <QString>

#include <array>
#include <optional>

namespace rasterkit {

// The background that transparent pixels are blended over unless told
// otherwise: the light grey of the window's picture box.
inline constexpr QRgb PictureBackground = qRgb(0xF0, 0xF0, 0xF0);

// The most a picture file may hold, and the most a decoded picture may take.
inline constexpr qint64 MaximumPictureBytes = qint64(1) << 30;

// Why a picture could not be loaded. pictureErrorText gives each its English
// reason; the window words the same reasons in Russian.
enum class PictureError {
    None,
    Missing,      // no such file
    IsFolder,
    NotAFile,     // a device, FIFO or socket, which the window does not read
    TooLarge,     // more than the byte limit; figures[0] is the limit
    TooManyPixels, // the header claims more pixels than may be decoded (1 GiB); figures are the width and height
    CannotRead,   // opening or reading failed
    Empty,
    CutShort,     // the data ends inside the picture; figures are the bytes there and needed (0: unknown)
    Damaged,      // the compressed data holds codes no decoder can read, or ends before the last pixel
    NotAPicture,  // no decoder knows the data
    ColourLayout, // colour components that cannot be shown
    CannotDecode, // the decoder gave up
    OutOfMemory,  // figures are the picture's width and height
};

// The English reason, e.g. "the file is empty". %1 and %2 stand for the
// result's figures where the reason has any.
const char* pictureErrorText(PictureError error);

struct PictureLoadResult {
    QImage image;  // Format_RGBX8888, every pixel opaque
    QPoint origin; // the picture's pixel that image's top-left pixel shows: (0, 0) unless only a part was decoded
    PictureError error = PictureError::None;
    QString file;   // the file as shown to the user: an absolute path, or "standard input"
    QString detail; // the system's or the decoder's own reason, as it gives it; may be empty
    std::array<qint64, 2> figures {};

    bool ok() const { return error == PictureError::None; }
    // "Cannot open "FILE": REASON (DETAIL)." in English.
    QString message() const;
};

struct PictureLoadOptions {
    // Devices, FIFOs and sockets: read them as streams to their end, within
    // the limit (rasterkit-cli, for pipelines and process substitution), or
    // refuse them before opening, since opening a FIFO waits for a writer and
    // a device may never end (the window).
    bool readStreams = false;
    // At most this many bytes are read; a longer file is refused.
    qint64 byteLimit = MaximumPictureBytes;
    // Only what a conversion with this frame reads: a JPEG is decoded only in
    // the rectangle the frame's samples read, and not at all when the frame
    // misses the picture; other pictures are decoded whole. Sampling the
    // result (sourceImageOf with its origin) gives what sampling the whole
    // picture would.
    std::optional<FrameSettings> frame;
    // The colour transparent pixels are blended over; its alpha is ignored.
    QRgb background = PictureBackground;
};

// Decodes a JPEG, BMP, GIF (its first frame) or any other picture Qt reads,
// exactly as stored: no automatic EXIF rotation. Transparent pixels are
// blended over the options' background. The file is read in blocks, never
// more than the byte limit; decoded pictures of up to 1 GiB are accepted and
// absurd headers refused.
PictureLoadResult loadPicture(const QString& path, const PictureLoadOptions& options = {});

// Sets what Qt's readers may allocate, a setting of the whole process, as
// loadPicture needs it. loadPicture calls it itself; call it once before
// loading pictures on several threads at once.
void preparePictureReaders();

// The same for the program's standard input, read as a stream.
PictureLoadResult loadPictureFromStandardInput(const PictureLoadOptions& options = {});

// The same for a picture file's bytes held in memory, with the options' frame
// and background (the others are for reading files). Messages call the file
// `shown`.
PictureLoadResult decodePicture(const QByteArray& data, const PictureLoadOptions& options, const QString& shown);

// A view of a picture made by loadPicture, for sampling; origin is the
// picture's pixel that the image's top-left pixel shows. The picture must
// outlive the view.
SourceImage sourceImageOf(const QImage& picture, QPoint origin = {});

} // namespace rasterkit
