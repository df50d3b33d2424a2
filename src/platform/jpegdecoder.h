#pragma once

#include "convert/rgbxpicture.h"
#include "convert/sampling.h"

#include <QString>

#include <cstdint>
#include <memory>
#include <optional>
#include <span>

class QIODevice;

namespace rasterkit {

namespace detail {
struct JpegRowDecoding;
}

// Whether the bytes start like a JPEG file (the start-of-image marker), the
// test Qt's own JPEG reader makes.
bool looksLikeJpeg(std::span<const std::uint8_t> data);

struct JpegDecodeOptions {
    // Only the pixels this frame's samples read are wanted (sampledRegion):
    // the rows above them are skipped, the rows below them never read, and
    // each row is decoded from the block column holding the leftmost to the
    // rightmost. When unset, the whole picture is decoded.
    std::optional<FrameSettings> frame;

    // Pictures that would take more than this many bytes decoded (four per
    // pixel) are refused from their header, before anything is allocated;
    // the decoder's own working memory is held to the same bound.
    std::int64_t memoryLimitBytes = std::int64_t(1) << 30;
};

// Why a JPEG picture cannot be used. jpegErrorText gives each its English
// reason.
enum class JpegError {
    None,
    CutShort,     // the data ends, or a marker stands where compressed data belongs, before the picture is complete
    TooLarge,     // the header claims more pixels than the memory limit (or JPEG's 65500 a side) allows
    OutOfMemory,  // memory ran out for a picture of sensible size
    ColourLayout, // colour components other than greyscale, YCbCr, RGB, CMYK or YCCK
    Unreadable,   // the library refused the data; the result's detail holds its message
    ReadFailed,   // reading the device failed; the result's detail holds the device's reason
};

// The reason as a clause to follow the file's name, e.g. "the file ends
// inside the picture's data". %1 and %2 stand for the picture's width and
// height, %3 for the memory limit in megabytes, where the reason has them.
const char* jpegErrorText(JpegError error);

struct JpegDecodeResult {
    // The whole picture, or exactly the pixels the frame reads; null when the
    // frame misses the picture.
    RgbxPicture image;
    // The picture's pixel that image's top-left pixel shows.
    std::int64_t left = 0;
    std::int64_t top = 0;
    int pictureWidth = 0;
    int pictureHeight = 0;
    JpegError error = JpegError::None;
    QString detail; // the library's own message, for Unreadable

    bool ok() const { return error == JpegError::None; }
    // The English reason with its figures filled in, and the detail after it.
    QString reason(std::int64_t memoryLimitBytes) const;
};

// Decodes a JPEG picture held in memory exactly as Qt's JPEG reader does with
// its default settings: the same inverse transform (the accurate integer one)
// and the same smooth chroma upsampling, greyscale spread to red, green and
// blue, CMYK and YCCK turned to RGB as red = K x C / 255 (likewise green and
// blue), no EXIF rotation. Progressive pictures are read whole, though only
// the frame's rows are turned into pixels. A file cut short is refused, also
// when the cut lies below the frame.
JpegDecodeResult decodeJpeg(std::span<const std::uint8_t> data, const JpegDecodeOptions& options = {});

// The same, reading the picture from the device's current position a block
// at a time, so that the file is never held whole in memory: only what the
// frame needs is read, and below it only what tells a whole file from a cut
// one (the last two bytes of a device that can seek). A failed read is
// refused as ReadFailed.
JpegDecodeResult decodeJpeg(QIODevice& device, const JpegDecodeOptions& options = {});

// Decodes a whole JPEG picture held in memory a band of rows at a time, from
// the top, into lines the caller owns, with exactly the pixels decodeJpeg
// gives without a frame. The window shows a big photo's first rows at once
// this way and decodes the rest while the user looks at them.
class JpegRowDecoder {
public:
    // The data must outlive the decoder.
    explicit JpegRowDecoder(std::span<const std::uint8_t> data, std::int64_t memoryLimitBytes = std::int64_t(1) << 30);
    ~JpegRowDecoder();
    JpegRowDecoder(const JpegRowDecoder&) = delete;
    JpegRowDecoder& operator=(const JpegRowDecoder&) = delete;

    // Reads the header and prepares the decoding, refusing what decodeJpeg
    // refuses there. A progressive picture is read whole here.
    JpegError start();
    // Decodes the next rows, at most count, into the lines from firstLine on
    // (four bytes a pixel, the picture's width). After the last row the file
    // is read on to its end-of-image marker, and a file cut short is
    // refused. After an error every call gives that error again.
    JpegError decodeRows(std::uint8_t* firstLine, std::ptrdiff_t bytesPerLine, int count);

    int pictureWidth() const;
    int pictureHeight() const;
    int decodedRows() const;
    // Every row decoded and the file read to its end, without an error.
    bool isComplete() const;
    // Whether the picture is stored in one scan and an end-of-image marker
    // follows its data: then a file cut short shows before the first row,
    // and below the rows decoded only damage inside the compressed data
    // itself can still stop the decoding.
    bool isSingleScanAndEnded() const;
    // The last error with its figures and the library's message, as
    // decodeJpeg reports it (no picture).
    JpegDecodeResult failure() const;

private:
    std::unique_ptr<detail::JpegRowDecoding> m_decoding;
};

} // namespace rasterkit
