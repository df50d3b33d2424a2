#include "pngdecoder.h"

#include <QIODevice>

#include <png.h>

#include <algorithm>
#include <array>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <vector>

namespace rasterkit {

namespace {

constexpr std::array<std::uint8_t, 8> Signature { 0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A };

// Files are read from a device in blocks of this size: libpng asks for a
// few bytes at a time (a chunk's length and type, its CRC).
constexpr std::size_t SourceBlockBytes = 64 * 1024;

// Where libpng reads the file from: the bytes in memory, or a device through
// a block of its bytes.
struct PngSource {
    std::span<const std::uint8_t> bytes; // in memory, or the block last read from the device
    std::size_t at = 0;
    QIODevice* device = nullptr;
    std::vector<std::uint8_t> block;
    qint64 consumed = 0; // bytes handed to libpng
    bool ranOut = false; // the data ended where libpng needed more
    QString readError;   // the device's reason when a read failed

    // The next bytes into `bytes`; false at the end of the data or when a
    // read fails.
    bool refill()
    {
        if (device == nullptr) {
            ranOut = true;
            return false;
        }
        block.resize(SourceBlockBytes);
        const qint64 got = device->read(reinterpret_cast<char*>(block.data()), qint64(block.size()));
        if (got < 0)
            readError = device->errorString();
        else if (got == 0)
            ranOut = true;
        if (got <= 0)
            return false;
        bytes = std::span(block.data(), static_cast<std::size_t>(got));
        at = 0;
        return true;
    }
};

// libpng's message for the error that stopped it.
struct PngErrorNote {
    char message[200] = {};
};

// libpng reports a fatal error by calling this, which must not return: it
// notes the message and jumps back to the setjmp in PngDecoding::run.
// Warnings (about ancillary chunks libpng drops, as Qt's reader has them
// dropped) are ignored. Nothing is ever printed.
[[noreturn]] void stopDecoding(png_structp png, png_const_charp message)
{
    auto* note = static_cast<PngErrorNote*>(png_get_error_ptr(png));
    std::snprintf(note->message, sizeof note->message, "%s", message);
    png_longjmp(png, 1);
}

void ignoreWarning(png_structp, png_const_charp) { }

// Hands libpng the next `length` bytes; stops it when the data ends first.
void readFromSource(png_structp png, png_bytep into, std::size_t length)
{
    auto* source = static_cast<PngSource*>(png_get_io_ptr(png));
    while (length > 0) {
        if (source->at == source->bytes.size() && !source->refill())
            png_error(png, "the data ends early");
        const std::size_t count = std::min(length, source->bytes.size() - source->at);
        std::memcpy(into, source->bytes.data() + source->at, count);
        source->at += count;
        source->consumed += static_cast<qint64>(count);
        into += count;
        length -= count;
    }
}

// The colour over the background at `alpha`, rounded as the window's
// blending rounds it.
std::uint8_t blend(unsigned colour, unsigned alpha, unsigned background)
{
    return static_cast<std::uint8_t>((colour * alpha + background * (255 - alpha) + 127) / 255);
}

using Rgbx = std::array<std::uint8_t, 4>;

Rgbx flattened(unsigned red, unsigned green, unsigned blue, unsigned alpha, std::uint32_t background)
{
    return { blend(red, alpha, (background >> 16) & 0xFF), blend(green, alpha, (background >> 8) & 0xFF),
        blend(blue, alpha, background & 0xFF), 0xFF };
}

// A colour of a palette or grey table: blended over the background, or kept
// with its alpha.
Rgbx tableColour(unsigned red, unsigned green, unsigned blue, unsigned alpha, const PngDecodeOptions& options)
{
    if (options.keepAlpha)
        return { std::uint8_t(red), std::uint8_t(green), std::uint8_t(blue), std::uint8_t(alpha) };
    return flattened(red, green, blue, alpha, options.background);
}

// How libpng hands over the rows. Palette pictures and grey ones of up to 8
// bits come as one byte a pixel, an index into a table of colours built as
// Qt's reader builds its colour table; all others as red, green, blue and
// alpha, 8 bits each, through libpng's own transforms, which are the ones
// Qt's reader asks for (16-bit channels rounded to the nearest 8-bit value,
// as Qt rounds them when it turns its 16-bit pictures into 8-bit ones).
enum class RowLayout { Indexed, Rgba };

// One decoding run. Everything that must be released after a jump back from
// libpng is a member, so that the destructor frees it whatever happened.
class PngDecoding {
public:
    PngDecoding(const PngDecodeOptions& options, PictureLoadResult& result)
        : m_options(options)
        , m_result(result)
    {
    }

    ~PngDecoding()
    {
        if (m_png != nullptr)
            png_destroy_read_struct(&m_png, m_info != nullptr ? &m_info : nullptr, nullptr);
    }

    PngDecoding(const PngDecoding&) = delete;
    PngDecoding& operator=(const PngDecoding&) = delete;

    PngSource& source() { return m_source; }

    // Decodes; returns why the picture cannot be used, or PictureError::None.
    PictureError run()
    {
        m_png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &m_note, stopDecoding, ignoreWarning);
        if (m_png != nullptr)
            m_info = png_create_info_struct(m_png);
        if (m_info == nullptr)
            return PictureError::OutOfMemory;
        // Nothing with a destructor is alive in this frame, nor in decode()'s
        // whenever it calls into libpng, so the jump skips no clean-up.
        if (setjmp(png_jmpbuf(m_png)) != 0)
            return errorAfterJump();
        return decode();
    }

private:
    PictureError decode();
    void chooseLayout(int bitDepth, int colourType);
    void convertRows(RgbxPicture& picture) const;
    PictureError errorAfterJump();
    // The error, with the picture's size as its figures.
    PictureError withSize(PictureError error)
    {
        m_result.figures = m_pictureSize;
        return error;
    }

    const PngDecodeOptions& m_options;
    PictureLoadResult& m_result;
    PngSource m_source;
    PngErrorNote m_note;
    png_structp m_png = nullptr;
    png_infop m_info = nullptr;
    RowLayout m_layout = RowLayout::Rgba;
    std::array<Rgbx, 256> m_colours {}; // for RowLayout::Indexed
    std::array<qint64, 2> m_pictureSize {}; // as the header claims it
    bool m_readingPixels = false; // the header was read and understood
};

PictureError PngDecoding::decode()
{
    // As Qt's reader: zlib may use a larger window than the stream's header
    // claims, which some writers get wrong.
    png_set_option(m_png, PNG_MAXIMUM_INFLATE_WINDOW, PNG_OPTION_ON);
    // The picture's size is checked against the memory limit below, with a
    // message that says so, rather than against libpng's own limits.
    png_set_user_limits(m_png, PNG_UINT_31_MAX, PNG_UINT_31_MAX);
    png_set_read_fn(m_png, &m_source, readFromSource);
    png_read_info(m_png, m_info);

    png_uint_32 width = 0;
    png_uint_32 height = 0;
    int bitDepth = 0;
    int colourType = 0;
    png_get_IHDR(m_png, m_info, &width, &height, &bitDepth, &colourType, nullptr, nullptr, nullptr);
    m_pictureSize = { qint64(width), qint64(height) };
    // Each side is below 2^31, so their product fits; four times it may not.
    if (std::int64_t(width) * height > m_options.memoryLimitBytes / 4)
        return withSize(PictureError::TooManyPixels);

    m_readingPixels = true;
    chooseLayout(bitDepth, colourType);
    const int passes = png_set_interlace_handling(m_png);
    png_read_update_info(m_png, m_info);
    const std::size_t pixelBytes = m_layout == RowLayout::Indexed ? 1 : 4;
    if (png_get_rowbytes(m_png, m_info) != width * pixelBytes)
        png_error(m_png, "unexpected row layout");

    // The rows the frame reads are decoded whole into the result's picture
    // (an interlaced picture's passes fill in each row's pixels), which
    // frees them whatever happens, as no local of this frame could after a
    // jump. The other rows are decoded and dropped.
    const PixelRect wanted = m_options.frame.has_value() ? sampledRegion(*m_options.frame, width, height)
                                                         : PixelRect { 0, 0, width, height };
    m_result.origin = QPoint(static_cast<int>(wanted.left), static_cast<int>(wanted.top));
    if (!wanted.isEmpty()) {
        m_result.image = RgbxPicture::allocate(static_cast<int>(width), static_cast<int>(wanted.height));
        if (m_result.image.isNull())
            return withSize(PictureError::OutOfMemory);
    }
    for (int pass = 0; pass < passes; ++pass) {
        for (png_uint_32 y = 0; y < height; ++y) {
            const bool kept = !wanted.isEmpty() && y >= wanted.top && y < wanted.top + wanted.height;
            png_read_row(m_png, kept ? m_result.image.scanLine(static_cast<int>(y - wanted.top)) : nullptr, nullptr);
        }
    }
    // The rest of the file, to its IEND chunk, with every chunk's CRC.
    png_read_end(m_png, nullptr);

    if (!wanted.isEmpty()) {
        convertRows(m_result.image);
        if (wanted.width != width)
            m_result.image = m_result.image.region(static_cast<int>(wanted.left), 0,
                static_cast<int>(wanted.width), static_cast<int>(wanted.height));
    }
    return PictureError::None;
}

void PngDecoding::chooseLayout(int bitDepth, int colourType)
{
    png_bytep alphas = nullptr;
    int transparentCount = 0;
    png_color_16p transparentColour = nullptr;
    const bool transparency = png_get_tRNS(m_png, m_info, &alphas, &transparentCount, &transparentColour) != 0;

    if (colourType == PNG_COLOR_TYPE_PALETTE) {
        m_layout = RowLayout::Indexed;
        png_colorp palette = nullptr;
        int count = 0;
        png_get_PLTE(m_png, m_info, &palette, &count);
        if (!transparency || alphas == nullptr)
            transparentCount = 0;
        for (int index = 0; index < 256; ++index) {
            if (index < count) {
                const png_color& colour = palette[index];
                const unsigned alpha = index < transparentCount ? alphas[index] : 255;
                m_colours[std::size_t(index)] = tableColour(colour.red, colour.green, colour.blue, alpha, m_options);
            } else if (bitDepth == 1) {
                // A two-colour picture with one colour: Qt's reader shows
                // the other index as the white of its default colour table.
                m_colours[std::size_t(index)] = tableColour(255, 255, 255, 255, m_options);
            } else {
                // Qt's reader shows indices past the palette as colour 0.
                m_colours[std::size_t(index)] = m_colours[0];
            }
        }
        if (bitDepth < 8)
            png_set_packing(m_png);
        return;
    }
    if (colourType == PNG_COLOR_TYPE_GRAY && bitDepth <= 8) {
        // Grey levels spread over 0..255; the level tRNS names (if it is
        // one of the picture's levels) is transparent.
        m_layout = RowLayout::Indexed;
        const unsigned top = (1u << bitDepth) - 1;
        for (unsigned level = 0; level < 256; ++level) {
            const unsigned grey = level <= top ? level * 255 / top : 0;
            const bool clear = transparency && transparentColour != nullptr && transparentColour->gray == level;
            m_colours[level] = tableColour(grey, grey, grey, clear ? 0 : 255, m_options);
        }
        if (bitDepth < 8)
            png_set_packing(m_png);
        return;
    }
    // Grey of 16 bits, grey with alpha, RGB, RGBA: four 8-bit channels. A
    // tRNS colour becomes an alpha channel, compared before 16-bit values
    // are rounded.
    m_layout = RowLayout::Rgba;
    png_set_expand(m_png);
    if (bitDepth == 16)
        png_set_scale_16(m_png);
    if ((colourType & PNG_COLOR_MASK_COLOR) == 0)
        png_set_gray_to_rgb(m_png);
    if ((colourType & PNG_COLOR_MASK_ALPHA) == 0 && !transparency)
        png_set_filler(m_png, 0xFF, PNG_FILLER_AFTER);
}

// Turns the decoded rows into opaque RGBX pixels, in place: indices into
// their colours (from the row's end, as each index takes four bytes), RGBA
// pixels blended over the background (or left as they are with keepAlpha).
void PngDecoding::convertRows(RgbxPicture& picture) const
{
    const int width = picture.width();
    const unsigned background[3] = { (m_options.background >> 16) & 0xFF, (m_options.background >> 8) & 0xFF,
        m_options.background & 0xFF };
    for (int y = 0; y < picture.height(); ++y) {
        std::uint8_t* line = picture.scanLine(y);
        if (m_layout == RowLayout::Indexed) {
            for (int x = width - 1; x >= 0; --x)
                std::memcpy(line + 4 * x, m_colours[line[x]].data(), 4);
            continue;
        }
        if (m_options.keepAlpha)
            continue; // straight alpha, as libpng gives it
        for (std::uint8_t* pixel = line; pixel != line + 4 * std::ptrdiff_t(width); pixel += 4) {
            const unsigned alpha = pixel[3];
            if (alpha != 255) {
                for (int channel = 0; channel < 3; ++channel)
                    pixel[channel] = blend(pixel[channel], alpha, background[channel]);
                pixel[3] = 0xFF;
            }
        }
    }
}

PictureError PngDecoding::errorAfterJump()
{
    if (!m_source.readError.isEmpty()) {
        m_result.detail = m_source.readError;
        return PictureError::CannotRead;
    }
    if (m_source.ranOut) {
        m_result.figures = { m_source.consumed, 0 };
        return PictureError::CutShort;
    }
    const char* message = m_note.message;
    if (std::strstr(message, "Out of memory") != nullptr || std::strstr(message, "out of memory") != nullptr)
        return withSize(PictureError::OutOfMemory);
    m_result.detail = QString::fromLatin1(message);
    // Past the header, whatever stops libpng is damage in the data: a CRC,
    // zlib's data or checksum, a row filter, too little data.
    if (m_readingPixels || std::strstr(message, "CRC error") != nullptr)
        return PictureError::Damaged;
    return PictureError::CannotDecode;
}

PictureLoadResult decodeWith(PngSource source, const PngDecodeOptions& options, const QString& shown)
{
    PictureLoadResult result;
    result.file = shown;
    PngDecoding decoding(options, result);
    decoding.source() = std::move(source);
    result.error = decoding.run();
    if (!result.ok()) {
        result.image = {};
        result.origin = {};
    }
    return result;
}

} // namespace

bool looksLikePng(std::span<const std::uint8_t> data)
{
    return data.size() >= Signature.size() && std::equal(Signature.begin(), Signature.end(), data.begin());
}

PictureLoadResult decodePng(std::span<const std::uint8_t> data, const PngDecodeOptions& options, const QString& shown)
{
    PngSource source;
    source.bytes = data;
    return decodeWith(std::move(source), options, shown);
}

PictureLoadResult decodePng(QIODevice& device, const PngDecodeOptions& options, const QString& shown)
{
    PngSource source;
    source.device = &device;
    return decodeWith(std::move(source), options, shown);
}

} // namespace rasterkit
