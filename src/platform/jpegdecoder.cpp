#include "jpegdecoder.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio> // jpeglib.h needs FILE declared first
#include <cstdlib>
#include <cstring>
#include <vector>

#include <QIODevice>

#include <jerror.h>
#include <jpeglib.h>

namespace rasterkit {

namespace detail {

// libjpeg reports a fatal error by calling error_exit, which must not return:
// it jumps back to the setjmp in JpegDecompression::run. Warnings arrive in
// emit_message; the two that mean the picture's data stops early are noted.
// Nothing is ever printed.
struct JpegErrorManager {
    jpeg_error_mgr library; // first, so that libjpeg's pointer to it is a pointer to this
    std::jmp_buf jump;
    // The data ran out before the end-of-image marker, or a marker stood
    // where compressed data belonged.
    bool cutShort = false;
    char message[JMSG_LENGTH_MAX] = {};
};

namespace {

void exitWithError(j_common_ptr info)
{
    auto* errors = reinterpret_cast<JpegErrorManager*>(info->err);
    (*info->err->format_message)(info, errors->message);
    std::longjmp(errors->jump, 1);
}

void noteMessage(j_common_ptr info, int level)
{
    if (level >= 0)
        return; // trace messages
    auto* errors = reinterpret_cast<JpegErrorManager*>(info->err);
    ++info->err->num_warnings;
    if (info->err->msg_code == JWRN_JPEG_EOF || info->err->msg_code == JWRN_HIT_MARKER)
        errors->cutShort = true;
}

void printNothing(j_common_ptr) { }

// Converts CMYK pixels in place to RGBX as Qt's JPEG reader does: the values
// are taken as stored (inverted, as Adobe's programs write them and libjpeg
// returns them), red = K x C / 255 rounded down, likewise green and blue.
void cmykToRgbx(std::uint8_t* pixel, JDIMENSION count)
{
    for (JDIMENSION index = 0; index < count; ++index, pixel += 4) {
        const unsigned black = pixel[3];
        for (int channel = 0; channel < 3; ++channel)
            pixel[channel] = static_cast<std::uint8_t>(black * pixel[channel] / 255);
        pixel[3] = 0xFF;
    }
}

// Feeds libjpeg from a device a block at a time, so that a file is never
// held whole in memory. At the end of the data it hands over an end-of-image
// marker and warns that the data ended, as libjpeg's own sources do; the
// warning marks the picture cut short.
struct DeviceSource {
    jpeg_source_mgr library {}; // first, so that libjpeg's pointer to it is a pointer to this
    QIODevice* device = nullptr;
    std::vector<JOCTET> block;
    bool ended = false;
    QString readError; // the device's reason when a read failed
};

constexpr std::size_t SourceBlockBytes = 64 * 1024;
constexpr JOCTET EndOfImage[] = { 0xFF, JPEG_EOI };

boolean fillFromDevice(j_decompress_ptr info)
{
    auto* source = reinterpret_cast<DeviceSource*>(info->src);
    const qint64 got = source->ended
        ? 0
        : source->device->read(reinterpret_cast<char*>(source->block.data()), qint64(source->block.size()));
    if (got <= 0) {
        if (got < 0)
            source->readError = source->device->errorString();
        source->ended = true;
        WARNMS(info, JWRN_JPEG_EOF);
        source->library.next_input_byte = EndOfImage;
        source->library.bytes_in_buffer = sizeof EndOfImage;
        return TRUE;
    }
    source->library.next_input_byte = source->block.data();
    source->library.bytes_in_buffer = static_cast<std::size_t>(got);
    return TRUE;
}

void skipFromDevice(j_decompress_ptr info, long count)
{
    auto* source = reinterpret_cast<DeviceSource*>(info->src);
    if (count <= 0)
        return;
    while (static_cast<std::size_t>(count) > source->library.bytes_in_buffer) {
        count -= static_cast<long>(source->library.bytes_in_buffer);
        fillFromDevice(info);
    }
    source->library.next_input_byte += count;
    source->library.bytes_in_buffer -= static_cast<std::size_t>(count);
}

void doNothing(j_decompress_ptr) { }

// Whether the bytes 0xFF 0xD9 (an end-of-image marker) stand in
// [at, end); lastWasMarker carries a 0xFF at the end of one piece of data
// over to the next.
bool holdsEndOfImage(const JOCTET* at, const JOCTET* end, bool& lastWasMarker)
{
    if (at == end)
        return false;
    if (lastWasMarker && *at == JPEG_EOI)
        return true;
    while (at != end) {
        at = static_cast<const JOCTET*>(std::memchr(at, 0xFF, static_cast<std::size_t>(end - at)));
        if (at == nullptr)
            break;
        if (at + 1 == end) {
            lastWasMarker = true;
            return false;
        }
        if (at[1] == JPEG_EOI)
            return true;
        ++at;
    }
    lastWasMarker = false;
    return false;
}

constexpr JDIMENSION RowsPerRead = 16;
// Enough columns for three samples of a chroma component subsampled four times.
constexpr std::int64_t MinimumCropWidth = 12;

// Sets the output as Qt's JPEG reader has it, once the header has been
// read: four bytes a pixel, the accurate transform, smooth upsampling. A
// CMYK or YCCK picture comes out as CMYK, made RGBX row by row (cmyk is then
// set). Refuses colour layouts that cannot be shown and pictures larger than
// the memory limit.
JpegError chooseOutput(jpeg_decompress_struct& info, std::int64_t memoryLimitBytes, bool& cmyk)
{
    switch (info.jpeg_color_space) {
    case JCS_GRAYSCALE:
    case JCS_YCbCr:
    case JCS_RGB:
        info.out_color_space = JCS_EXT_RGBX; // the padding byte comes out as 0xFF
        break;
    case JCS_CMYK:
    case JCS_YCCK:
        info.out_color_space = JCS_CMYK; // four bytes a pixel too, made RGBX row by row
        cmyk = true;
        break;
    default:
        return JpegError::ColourLayout;
    }
    // Qt's reader keeps the library's defaults at its default quality (it
    // switches to the fast transform and plain upsampling only below quality
    // 50); they are set here so that the rule stands written.
    info.dct_method = JDCT_ISLOW;
    info.do_fancy_upsampling = TRUE;
    info.do_block_smoothing = TRUE;
    info.scale_num = 1;
    info.scale_denom = 1;
    if (std::int64_t(info.image_width) * info.image_height * 4 > memoryLimitBytes)
        return JpegError::TooLarge;
    return JpegError::None;
}

// Reads rowCount rows into the lines from firstLine on; false when the data
// stops short, at once, rather than filling the rest in grey first.
bool readRows(jpeg_decompress_struct& info, const JpegErrorManager& errors, bool cmyk, std::uint8_t* firstLine,
    std::ptrdiff_t bytesPerLine, JDIMENSION rowCount)
{
    JSAMPROW rows[RowsPerRead];
    for (JDIMENSION done = 0; done < rowCount;) {
        const JDIMENSION count = std::min(RowsPerRead, rowCount - done);
        for (JDIMENSION index = 0; index < count; ++index)
            rows[index] = firstLine + (done + index) * bytesPerLine;
        const JDIMENSION read = jpeg_read_scanlines(&info, rows, count);
        if (read == 0 || errors.cutShort)
            return false;
        if (cmyk) {
            for (JDIMENSION index = 0; index < read; ++index)
                cmykToRgbx(rows[index], info.output_width);
        }
        done += read;
    }
    return true;
}

// What a fatal error of the library means for the caller; detail receives
// the library's own message where no reason of ours fits.
JpegError libraryErrorOf(const JpegErrorManager& errors, QString& detail)
{
    switch (errors.library.msg_code) {
    case JERR_IMAGE_TOO_BIG: // more than 65500 pixels a side
        return JpegError::TooLarge;
    case JERR_NO_BACKING_STORE: // more than the memory limit
    case JERR_OUT_OF_MEMORY:
        return JpegError::OutOfMemory;
    default:
        detail = QString::fromLocal8Bit(errors.message);
        return JpegError::Unreadable;
    }
}

} // namespace

// One decoding run. Everything that must be released after a jump back from
// libjpeg is a member, so that the destructor frees it whatever happened.
class JpegDecompression {
public:
    JpegDecompression(std::span<const std::uint8_t> data, QIODevice* device, const JpegDecodeOptions& options,
        JpegDecodeResult& result)
        : m_data(data)
        , m_options(options)
        , m_result(result)
    {
        m_info.err = jpeg_std_error(&m_errors.library);
        m_errors.library.error_exit = exitWithError;
        m_errors.library.emit_message = noteMessage;
        m_errors.library.output_message = printNothing;
        m_source.device = device;
    }

    ~JpegDecompression()
    {
        if (m_created)
            jpeg_destroy_decompress(&m_info);
    }

    JpegDecompression(const JpegDecompression&) = delete;
    JpegDecompression& operator=(const JpegDecompression&) = delete;

    // Decodes; returns why the picture cannot be used, or JpegError::None.
    JpegError run()
    {
        // Nothing with a destructor is alive in this frame, nor in decode()'s
        // whenever it calls into libjpeg, so the jump skips no clean-up.
        if (setjmp(m_errors.jump) != 0)
            return readFailed() ? JpegError::ReadFailed : m_errors.cutShort ? JpegError::CutShort : libraryError();
        const bool decoded = decode();
        if (readFailed())
            return JpegError::ReadFailed;
        if (m_errors.cutShort)
            return JpegError::CutShort;
        return decoded ? JpegError::None : m_error;
    }

private:
    bool decode();
    bool decodeRows(std::uint8_t* firstLine, qsizetype bytesPerLine, JDIMENSION rowCount);
    void setUpSource();
    bool decodeWantedRows(const PixelRect& wanted, JDIMENSION width);
    bool decodeWholeRows(const PixelRect& wanted);
    bool decodeCroppedRows(const PixelRect& wanted);
    bool restHoldsEndOfImage();
    JpegError libraryError();
    bool readFailed()
    {
        if (m_source.readError.isEmpty())
            return false;
        m_result.detail = m_source.readError;
        return true;
    }

    std::span<const std::uint8_t> m_data;
    DeviceSource m_source; // used when the picture comes from a device
    const JpegDecodeOptions& m_options;
    JpegDecodeResult& m_result;
    jpeg_decompress_struct m_info {};
    JpegErrorManager m_errors;
    bool m_created = false;
    bool m_cmyk = false;
    JpegError m_error = JpegError::Unreadable; // when decode() gives up
};

void JpegDecompression::setUpSource()
{
    if (m_source.device != nullptr) {
        m_source.block.resize(SourceBlockBytes);
        m_source.library.init_source = doNothing;
        m_source.library.fill_input_buffer = fillFromDevice;
        m_source.library.skip_input_data = skipFromDevice;
        m_source.library.resync_to_restart = jpeg_resync_to_restart;
        m_source.library.term_source = doNothing;
        m_info.src = &m_source.library;
    } else {
        jpeg_mem_src(&m_info, m_data.data(), static_cast<unsigned long>(m_data.size()));
    }
}

bool JpegDecompression::decode()
{
    jpeg_create_decompress(&m_info);
    m_created = true;
    // Beyond this the decoder would need a backing store, which it does not
    // have: it fails with an error instead of taking more memory.
    m_info.mem->max_memory_to_use = static_cast<long>(m_options.memoryLimitBytes);
    setUpSource();
    jpeg_read_header(&m_info, TRUE);
    m_result.pictureWidth = static_cast<int>(m_info.image_width);
    m_result.pictureHeight = static_cast<int>(m_info.image_height);

    if (const JpegError chosen = chooseOutput(m_info, m_options.memoryLimitBytes, m_cmyk); chosen != JpegError::None) {
        m_error = chosen;
        return false;
    }
    const std::int64_t width = m_info.image_width;
    const std::int64_t height = m_info.image_height;

    const PixelRect wanted = m_options.frame.has_value() ? sampledRegion(*m_options.frame, width, height)
                                                         : PixelRect { 0, 0, width, height };
    m_result.left = wanted.left;
    m_result.top = wanted.top;
    if (wanted.isEmpty()) {
        // Nothing is decoded; a file cut short is still refused.
        if (!restHoldsEndOfImage())
            m_errors.cutShort = true;
        return true;
    }

    jpeg_start_decompress(&m_info); // reads a multi-scan file whole
    if (m_errors.cutShort)
        return false;
    // A progressive picture whose later scans are missing is smoothed from
    // each block's neighbours, and the decoder takes the columns it crops to
    // as the whole picture there: the blocks along the crop come out
    // differently. Such pictures are decoded in whole rows and cut after.
    //
    // The pixels are decoded straight into the result's picture, which frees
    // them whatever happens, as no local of this frame could after a jump.
    const bool decoded = wanted.width == width || jpeg_has_multiple_scans(&m_info) ? decodeWholeRows(wanted)
                                                                                 : decodeCroppedRows(wanted);
    if (!decoded)
        return false;
    if (m_info.output_scanline == m_info.output_height)
        jpeg_finish_decompress(&m_info); // reads on to the end-of-image marker
    else if (!jpeg_has_multiple_scans(&m_info) && !restHoldsEndOfImage())
        m_errors.cutShort = true; // (multi-scan files were read whole by jpeg_start_decompress)
    return true;
}

// The wanted rows, as wide as the decoder gives them, into the result's
// picture.
bool JpegDecompression::decodeWantedRows(const PixelRect& wanted, JDIMENSION width)
{
    m_result.image = RgbxPicture::allocate(static_cast<int>(width), static_cast<int>(wanted.height));
    if (m_result.image.isNull()) {
        m_error = JpegError::OutOfMemory;
        return false;
    }
    jpeg_skip_scanlines(&m_info, static_cast<JDIMENSION>(wanted.top));
    return decodeRows(m_result.image.scanLine(0), m_result.image.bytesPerLine(), static_cast<JDIMENSION>(wanted.height));
}

// The wanted rows decoded whole, then cut to the wanted columns.
bool JpegDecompression::decodeWholeRows(const PixelRect& wanted)
{
    const std::int64_t width = m_info.image_width;
    if (!decodeWantedRows(wanted, m_info.image_width))
        return false;
    if (wanted.width != width) {
        m_result.image = m_result.image.copy(static_cast<int>(wanted.left), 0, static_cast<int>(wanted.width),
            static_cast<int>(wanted.height));
        if (m_result.image.isNull()) {
            m_error = JpegError::OutOfMemory;
            return false;
        }
    }
    return true;
}

// Only the columns around the wanted ones decoded.
bool JpegDecompression::decodeCroppedRows(const PixelRect& wanted)
{
    const std::int64_t width = m_info.image_width;
    // Smooth chroma upsampling reads one chroma sample either side, and
    // the decoder repeats the edge sample at the ends of the columns it
    // decodes: one column more on either side than wanted keeps the
    // wanted pixels exactly as in the whole picture. Columns so narrow
    // that a chroma component has fewer than three samples would be
    // upsampled plainly instead, so at least MinimumCropWidth are asked
    // for. The decoder then widens them leftwards to a block boundary.
    const std::int64_t right
        = std::min(std::max(wanted.left + wanted.width + 1, wanted.left + MinimumCropWidth), width);
    const std::int64_t left = std::max<std::int64_t>(std::min(wanted.left - 1, right - MinimumCropWidth), 0);
    JDIMENSION cropLeft = static_cast<JDIMENSION>(left);
    JDIMENSION cropWidth = static_cast<JDIMENSION>(right - left);
    jpeg_crop_scanline(&m_info, &cropLeft, &cropWidth);
    if (!decodeWantedRows(wanted, cropWidth))
        return false;
    // The picture shows the wanted columns of the rows, no more, and
    // frees the decoded rows when it goes.
    m_result.image = m_result.image.region(static_cast<int>(wanted.left - cropLeft), 0,
        static_cast<int>(wanted.width), static_cast<int>(wanted.height));
    return true;
}

bool JpegDecompression::decodeRows(std::uint8_t* firstLine, qsizetype bytesPerLine, JDIMENSION rowCount)
{
    return readRows(m_info, m_errors, m_cmyk, firstLine, bytesPerLine, rowCount);
}

// Whether an end-of-image marker follows where the decoder stopped reading:
// the check for a file cut short below the rows that were decoded. The bytes
// 0xFF 0xD9 cannot occur inside compressed data, where every 0xFF is followed
// by 0x00 or a restart marker. Almost every file ends with the marker, which
// answers at once; otherwise the rest is searched.
bool JpegDecompression::restHoldsEndOfImage()
{
    if (m_info.unread_marker == JPEG_EOI)
        return true; // the decoder has met it already
    const JOCTET* at = m_info.src->next_input_byte;
    const JOCTET* end = at + m_info.src->bytes_in_buffer;
    QIODevice* device = m_source.device;
    if (device == nullptr || m_source.ended) {
        if (end - at >= 2 && end[-2] == 0xFF && end[-1] == JPEG_EOI)
            return true;
        bool lastWasMarker = false;
        return holdsEndOfImage(at, end, lastWasMarker);
    }
    if (!device->isSequential() && device->size() - device->pos() >= 2) {
        const qint64 position = device->pos();
        char last[2] = {};
        const bool endsWithMarker = device->seek(device->size() - 2) && device->read(last, 2) == 2
            && JOCTET(last[0]) == 0xFF && JOCTET(last[1]) == JPEG_EOI;
        if (endsWithMarker)
            return true;
        if (!device->seek(position)) {
            m_source.readError = device->errorString();
            return false;
        }
    }
    bool lastWasMarker = false;
    if (holdsEndOfImage(at, end, lastWasMarker))
        return true;
    for (;;) {
        const qint64 got = device->read(reinterpret_cast<char*>(m_source.block.data()), qint64(m_source.block.size()));
        if (got < 0)
            m_source.readError = device->errorString();
        if (got <= 0)
            return false;
        if (holdsEndOfImage(m_source.block.data(), m_source.block.data() + got, lastWasMarker))
            return true;
    }
}

JpegError JpegDecompression::libraryError()
{
    m_result.pictureWidth = static_cast<int>(m_info.image_width); // as far as the header was read
    m_result.pictureHeight = static_cast<int>(m_info.image_height);
    return libraryErrorOf(m_errors, m_result.detail);
}

// The state of a JpegRowDecoder. Each call into libjpeg is made from a frame
// holding the setjmp and nothing with a destructor.
struct JpegRowDecoding {
    std::span<const std::uint8_t> data;
    std::int64_t memoryLimitBytes = 0;
    jpeg_decompress_struct info {};
    JpegErrorManager errors;
    bool created = false;
    bool started = false;
    bool cmyk = false;
    bool complete = false;
    bool ended = false; // an end-of-image marker follows the compressed data
    JpegError error = JpegError::None;
    QString detail;

    ~JpegRowDecoding()
    {
        if (created)
            jpeg_destroy_decompress(&info);
    }

    JpegError failAfterJump()
    {
        error = errors.cutShort ? JpegError::CutShort : libraryErrorOf(errors, detail);
        return error;
    }
};

} // namespace detail

JpegRowDecoder::JpegRowDecoder(std::span<const std::uint8_t> data, std::int64_t memoryLimitBytes)
    : m_decoding(std::make_unique<detail::JpegRowDecoding>())
{
    m_decoding->data = data;
    m_decoding->memoryLimitBytes = memoryLimitBytes;
}

JpegRowDecoder::~JpegRowDecoder() = default;

JpegError JpegRowDecoder::start()
{
    detail::JpegRowDecoding& d = *m_decoding;
    if (d.error != JpegError::None || d.started)
        return d.error;
    d.started = true;
    d.info.err = jpeg_std_error(&d.errors.library);
    d.errors.library.error_exit = detail::exitWithError;
    d.errors.library.emit_message = detail::noteMessage;
    d.errors.library.output_message = detail::printNothing;
    if (setjmp(d.errors.jump) != 0)
        return d.failAfterJump();
    jpeg_create_decompress(&d.info);
    d.created = true;
    d.info.mem->max_memory_to_use = static_cast<long>(d.memoryLimitBytes);
    jpeg_mem_src(&d.info, d.data.data(), static_cast<unsigned long>(d.data.size()));
    jpeg_read_header(&d.info, TRUE);
    if (const JpegError chosen = detail::chooseOutput(d.info, d.memoryLimitBytes, d.cmyk); chosen != JpegError::None)
        return d.error = chosen;
    jpeg_start_decompress(&d.info); // reads a multi-scan file whole
    if (d.errors.cutShort)
        return d.error = JpegError::CutShort;
    // The bytes 0xFF 0xD9 cannot stand inside compressed data, where every
    // 0xFF is followed by 0x00 or a restart marker.
    const JOCTET* at = d.info.src->next_input_byte;
    const JOCTET* end = at + d.info.src->bytes_in_buffer;
    bool lastWasMarker = false;
    d.ended = d.info.unread_marker == JPEG_EOI || (end - at >= 2 && end[-2] == 0xFF && end[-1] == JPEG_EOI)
        || detail::holdsEndOfImage(at, end, lastWasMarker);
    return JpegError::None;
}

JpegError JpegRowDecoder::decodeRows(std::uint8_t* firstLine, std::ptrdiff_t bytesPerLine, int count)
{
    detail::JpegRowDecoding& d = *m_decoding;
    if (d.error != JpegError::None || !d.started || d.complete)
        return d.error;
    if (setjmp(d.errors.jump) != 0)
        return d.failAfterJump();
    const JDIMENSION rows = std::min(static_cast<JDIMENSION>(std::max(count, 0)),
        d.info.output_height - d.info.output_scanline);
    if (!detail::readRows(d.info, d.errors, d.cmyk, firstLine, bytesPerLine, rows))
        return d.error = d.errors.cutShort ? JpegError::CutShort : JpegError::Unreadable;
    if (d.info.output_scanline == d.info.output_height) {
        jpeg_finish_decompress(&d.info); // reads on to the end-of-image marker
        if (d.errors.cutShort)
            return d.error = JpegError::CutShort;
        d.complete = true;
    }
    return JpegError::None;
}

int JpegRowDecoder::pictureWidth() const
{
    return static_cast<int>(m_decoding->info.image_width);
}

int JpegRowDecoder::pictureHeight() const
{
    return static_cast<int>(m_decoding->info.image_height);
}

int JpegRowDecoder::decodedRows() const
{
    return static_cast<int>(m_decoding->info.output_scanline);
}

bool JpegRowDecoder::isComplete() const
{
    return m_decoding->complete;
}

bool JpegRowDecoder::isSingleScanAndEnded() const
{
    const detail::JpegRowDecoding& d = *m_decoding;
    return d.started && d.error == JpegError::None && !jpeg_has_multiple_scans(const_cast<j_decompress_ptr>(&d.info))
        && d.ended;
}

JpegDecodeResult JpegRowDecoder::failure() const
{
    JpegDecodeResult result;
    result.error = m_decoding->error;
    result.detail = m_decoding->detail;
    result.pictureWidth = pictureWidth();
    result.pictureHeight = pictureHeight();
    return result;
}

bool looksLikeJpeg(std::span<const std::uint8_t> data)
{
    return data.size() >= 2 && data[0] == 0xFF && data[1] == 0xD8;
}

const char* jpegErrorText(JpegError error)
{
    switch (error) {
    case JpegError::None:
        return "no error";
    case JpegError::CutShort:
        return "the file ends inside the picture's data";
    case JpegError::TooLarge:
        return "the picture claims %1 x %2 pixels, which would take more than the %3 MB a picture may take decoded";
    case JpegError::OutOfMemory:
        return "not enough memory for a picture of %1 x %2 pixels";
    case JpegError::ColourLayout:
        return "its colour components are not a layout that can be shown (greyscale, YCbCr, RGB, CMYK and YCCK are)";
    case JpegError::Unreadable:
        return "the JPEG data cannot be read";
    case JpegError::ReadFailed:
        return "the file cannot be read";
    }
    return "unknown error";
}

QString JpegDecodeResult::reason(std::int64_t memoryLimitBytes) const
{
    QString text = QString::fromLatin1(jpegErrorText(error));
    if (error == JpegError::TooLarge)
        text = text.arg(pictureWidth).arg(pictureHeight).arg(memoryLimitBytes >> 20);
    else if (error == JpegError::OutOfMemory)
        text = text.arg(pictureWidth).arg(pictureHeight);
    if (!detail.isEmpty())
        text += QStringLiteral(" (%1)").arg(detail);
    return text;
}

JpegDecodeResult decodeJpeg(std::span<const std::uint8_t> data, const JpegDecodeOptions& options)
{
    JpegDecodeResult result;
    detail::JpegDecompression decompression(data, nullptr, options, result);
    result.error = decompression.run();
    if (!result.ok())
        result.image = {};
    return result;
}

JpegDecodeResult decodeJpeg(QIODevice& device, const JpegDecodeOptions& options)
{
    JpegDecodeResult result;
    detail::JpegDecompression decompression({}, &device, options, result);
    result.error = decompression.run();
    if (!result.ok())
        result.image = {};
    return result;
}

} // namespace rasterkit
