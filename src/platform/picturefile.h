#pragma once

// Reading picture files into RgbxPicture, with Qt Core only: JPEG through
// libjpeg-turbo and PNG through libpng here, every other format (BMP, GIF,
// ...) through the reader the caller passes in PictureLoadOptions, as Qt's
// readers need Qt Gui (qtpictures.h has them).

#include "convert/bilingual.h"
#include "convert/limits.h"
#include "convert/rgbxpicture.h"
#include "convert/sampling.h"

#include <QByteArray>
#include <QPoint>
#include <QString>

#include <array>
#include <cstdint>
#include <memory>
#include <optional>

namespace rasterkit {

// The background that transparent pixels are blended over unless told
// otherwise: the light grey of the window's picture box. Colours are
// 0xAARRGGBB, as Qt's QRgb.
inline constexpr std::uint32_t PictureBackground = 0xFFF0F0F0u;

// Why a picture could not be loaded. Each has its row, English and Russian
// side by side, in the table of reasons in picturefile.cpp.
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
    NoReader,     // not a JPEG or PNG, and no decoder of other pictures is available; the detail says why
    FrameDamaged, // an animation's frame cannot be read; figures[0] is the frame (from 0), the detail says why
    FrameOutside, // an animation's frame does not lie inside its screen; figures are the frame and the screen's width
    TooManyFrames, // an animation's frames would take more than 1 GiB decoded, or pass the frame limit; figures[0] is their count
};

struct PictureLoadResult {
    RgbxPicture image; // every pixel opaque, or its straight alpha in the fourth byte with keepAlpha
    QPoint origin; // the picture's pixel that image's top-left pixel shows: (0, 0) unless only a part was decoded
    PictureError error = PictureError::None;
    QString file;   // the file as shown to the user: an absolute path, or "standard input"
    QString detail; // the system's or the decoder's own reason, as it gives it; may be empty
    std::array<qint64, 2> figures {};

    bool ok() const { return error == PictureError::None; }
    // "Cannot open "FILE": REASON (DETAIL)." in English, "Не удалось открыть
    // файл «FILE»: REASON (DETAIL)." in Russian.
    QString message(Language language = Language::English) const;

    // A result that tells why the file cannot be used: no picture. Inline,
    // so that the Qt readers' module can use it without this library's code.
    static PictureLoadResult failure(PictureError error, const QString& file, const QString& detail = {},
        std::array<qint64, 2> figures = {})
    {
        PictureLoadResult result;
        result.error = error;
        result.file = file;
        result.detail = detail;
        result.figures = figures;
        return result;
    }
};

// What becomes of a picture's transparent pixels when it is read.
struct PictureBlending {
    // Implicit, so that a colour alone says: blended over it.
    constexpr PictureBlending(std::uint32_t over = PictureBackground, bool keep = false)
        : background(over)
        , keepAlpha(keep)
    {
    }
    std::uint32_t background; // what they are blended over, 0xAARRGGBB; its alpha is ignored
    // Instead: nothing is blended, and each pixel's fourth byte holds its
    // straight alpha (255 where the picture has no transparency).
    bool keepAlpha;
};

// Decodes the bytes of a picture that is not a JPEG or PNG, blending transparent
// pixels over the background or keeping their alpha; `shown` names the file
// in messages. Called with the whole file after the checks every picture
// gets, possibly on several threads at once.
using OtherPictureDecoder = PictureLoadResult (*)(const QByteArray& data, const PictureBlending& blending, const QString& shown);

// Tells from the first bytes of a file that is not a JPEG, PNG, BMP or GIF (up
// to PictureSignatureBytes of them; all of a shorter file) whether it is a
// picture the decoder reads: ok() when it is, NotAPicture when it is not,
// NoReader (the detail saying why) when the reader itself is not at hand.
using PictureRecogniser = PictureLoadResult (*)(const QByteArray& start, const QString& shown);

// How pictures that are not JPEG or PNG are read: both set, or neither (then they
// are refused as NoReader). The window passes Qt's readers (QtPictureReader,
// qtpictures.h), rasterkit-cli the same readers from its module.
struct OtherPictureReader {
    PictureRecogniser recognise = nullptr;
    OtherPictureDecoder decode = nullptr;
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
    // misses the picture; of a PNG only that rectangle is kept; other
    // pictures are decoded whole. Sampling the
    // result (sourceImageOf with its origin) gives what sampling the whole
    // picture would.
    std::optional<FrameSettings> frame {};
    // The colour transparent pixels are blended over; its alpha is ignored.
    std::uint32_t background = PictureBackground;
    // Blend nothing: keep each pixel's straight alpha in its fourth byte
    // (255 for a picture without transparency, and for every JPEG), for the
    // conversions that keep alpha (SourceImage::straightAlpha).
    bool keepAlpha = false;
    // The reader of every picture that is not a JPEG or PNG.
    OtherPictureReader otherReader {};
};

// Decodes a JPEG, PNG (its first frame), BMP, GIF (its first frame) or any
// other picture the options' reader reads, exactly as stored: no automatic EXIF rotation.
// Transparent pixels are blended over the options' background. The file is
// read in blocks, never more than the byte limit; decoded pictures of up to
// 1 GiB are accepted and absurd headers refused. A file, stream or device
// whose first bytes show no picture is refused after PictureSignatureBytes,
// not read to the limit.
PictureLoadResult loadPicture(const QString& path, const PictureLoadOptions& options = {});

// The same for the program's standard input, read as a stream.
PictureLoadResult loadPictureFromStandardInput(const PictureLoadOptions& options = {});

// A picture file's bytes, read whole as loadPicture reads files that are
// not JPEG or PNG ("-": standard input), with the same checks and
// messages; the result names the file and holds no picture.
PictureLoadResult readPictureFile(const QString& path, const PictureLoadOptions& options, QByteArray& data);

// The same for a picture file's bytes held in memory, with the options' frame
// and background (the others are for reading files). Messages call the file
// `shown`.
PictureLoadResult decodePicture(const QByteArray& data, const PictureLoadOptions& options, const QString& shown);

class JpegRowDecoder;

// The rows of a picture still to be decoded after loadPictureInStages. The
// picture keeps its size from the start; its rows below decodedRows() hold
// nothing yet.
class PictureStages {
public:
    PictureStages(QByteArray data, QString shown);
    ~PictureStages();
    PictureStages(const PictureStages&) = delete;
    PictureStages& operator=(const PictureStages&) = delete;

    // Starts decoding a JPEG taller than firstRows that is stored in one
    // scan and ended by an end-of-image marker, and decodes its first rows.
    // False for any other picture, or if those rows fail: it is then decoded
    // whole (data()), which tells any failure the usual way.
    bool begin(int firstRows);
    // Decodes up to rows more rows into the picture; false once the picture
    // turns out unusable, with failure() telling why. After the last row the
    // file is read to its end.
    bool decodeMore(int rows);
    // Decodes every row left.
    bool finish() { return decodeMore(m_picture.height()); }

    bool isComplete() const;
    int decodedRows() const;
    // The picture being filled: every copy of it (and imageOf() each copy)
    // shows the rows decoded so far.
    const RgbxPicture& picture() const { return m_picture; }
    // Why the picture cannot be used, as loadPicture says it.
    const PictureLoadResult& failure() const { return m_failure; }
    const QByteArray& data() const { return m_data; }

private:
    QByteArray m_data;
    QString m_shown;
    std::unique_ptr<JpegRowDecoder> m_decoder;
    RgbxPicture m_picture;
    PictureLoadResult m_failure;
};

struct StagedPictureLoad {
    // As loadPicture gives it; while rest is set, only the picture's first
    // rows are decoded.
    PictureLoadResult first;
    std::unique_ptr<PictureStages> rest;
};

// Loads a picture as loadPicture does, except that a JPEG photo taller than
// firstRows is decoded only down to that row when it is stored in one scan
// and an end-of-image marker follows its data (a file cut short is still
// refused here): the caller shows its top at once and decodes the rest with
// `rest`, where only damage inside the compressed data can still turn up.
// Every other picture is loaded whole.
StagedPictureLoad loadPictureInStages(const QString& path, int firstRows, const PictureLoadOptions& options = {});

// A view of a picture made by loadPicture, for sampling; origin is the
// picture's pixel that the image's top-left pixel shows. The picture must
// outlive the view. straightAlpha: it was loaded with keepAlpha.
SourceImage sourceImageOf(const RgbxPicture& picture, QPoint origin = {}, bool straightAlpha = false);

// A picture loaded with keepAlpha blended over the background, exactly as
// loading it without keepAlpha blends it: a new picture, null if memory
// runs out.
RgbxPicture flattenedPicture(const RgbxPicture& picture, std::uint32_t background);

} // namespace rasterkit
