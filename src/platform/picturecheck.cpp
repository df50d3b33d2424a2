#include "picturecheck.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <limits>

namespace rasterkit {

namespace {

std::uint32_t littleEndian32(const QByteArray& data, qsizetype at)
{
    const auto byte = [&](qsizetype index) { return static_cast<std::uint32_t>(static_cast<unsigned char>(data[at + index])); };
    return byte(0) | (byte(1) << 8) | (byte(2) << 16) | (byte(3) << 24);
}

std::uint16_t littleEndian16(const QByteArray& data, qsizetype at)
{
    return static_cast<std::uint16_t>(static_cast<unsigned char>(data[at]) | (static_cast<unsigned char>(data[at + 1]) << 8));
}

using Missing = std::optional<MissingPictureData>;

// Reads the headers as Qt's BMP reader does, and finds where it takes the
// pixel rows from: the pixel offset, or straight after the info header, bit
// masks and colour table when the offset points into them.
Missing missingBmpData(const QByteArray& data)
{
    constexpr qint64 fileHeaderSize = 14;
    // The file header, then an info header of at least 12 bytes.
    if (data.size() < fileHeaderSize + 12)
        return {}; // too short to be read at all: the decoder says so itself
    const qint64 pixelOffset = littleEndian32(data, 10);
    const std::uint32_t infoSize = littleEndian32(data, 14);
    qint64 width = 0;
    qint64 height = 0;
    unsigned bitsPerPixel = 0;
    std::uint32_t compression = 0;
    std::uint32_t coloursUsed = 0;
    // The reader takes the Windows and OS/2 2.x header sizes with 32-bit
    // fields, and any other size as the old header with 16-bit ones.
    if (infoSize == 40 || infoSize == 64 || infoSize == 108 || infoSize == 124) {
        if (data.size() < fileHeaderSize + 40)
            return {};
        width = static_cast<std::int32_t>(littleEndian32(data, 18));
        height = static_cast<std::int32_t>(littleEndian32(data, 22));
        bitsPerPixel = littleEndian16(data, 28);
        compression = littleEndian32(data, 30);
        coloursUsed = littleEndian32(data, 46);
    } else {
        width = static_cast<std::int16_t>(littleEndian16(data, 18));
        height = static_cast<std::int16_t>(littleEndian16(data, 20));
        bitsPerPixel = littleEndian16(data, 24);
    }
    constexpr std::uint32_t uncompressed = 0;
    constexpr std::uint32_t bitFields = 3;
    if (compression != uncompressed && compression != bitFields)
        return {};
    const bool readable = bitsPerPixel == 1 || bitsPerPixel == 4 || bitsPerPixel == 8 || bitsPerPixel == 16
        || bitsPerPixel == 24 || bitsPerPixel == 32;
    if (!readable || width <= 0 || height == 0)
        return {}; // the reader refuses these itself
    if (height < 0)
        height = -height; // rows stored top-down
    qint64 headersEnd = fileHeaderSize + infoSize;
    if (compression == bitFields && infoSize < 108)
        headersEnd += 12; // the three masks, when the info header does not hold them
    if (bitsPerPixel <= 8) {
        const qint64 colours = coloursUsed != 0 ? coloursUsed : qint64(1) << bitsPerPixel;
        if (colours > 256)
            return {};
        headersEnd += colours * (infoSize == 12 ? 3 : 4);
    }
    const qint64 rowsStart = std::max(pixelOffset, headersEnd);
    // A row takes below 2^34 bytes, and there are below 2^31 rows: a header
    // may claim more than a 64-bit count holds, which no file has anyway.
    const qint64 rowBytes = (width * bitsPerPixel + 31) / 32 * 4;
    constexpr qint64 most = std::numeric_limits<qint64>::max();
    const qint64 need = height > (most - rowsStart) / rowBytes ? most : rowsStart + rowBytes * height;
    if (need > data.size())
        return MissingPictureData { data.size(), need };
    return {};
}

// Skips a chain of data sub-blocks (a length byte, then that many bytes)
// ending with a zero length. Returns the position after it, or -1 when the
// data ends first.
qsizetype skipSubBlocks(const QByteArray& data, qsizetype at)
{
    while (at < data.size()) {
        const int length = static_cast<unsigned char>(data[at]);
        ++at;
        if (length == 0)
            return at;
        at += length;
    }
    return -1;
}

bool isGif(const QByteArray& data)
{
    return data.startsWith("GIF87a") || data.startsWith("GIF89a");
}

// Where a GIF's first picture lies: its image descriptor, and after it (and
// its colour table) the LZW code size byte that starts the compressed data.
struct GifPicture {
    qsizetype descriptor = -1;
    qsizetype codeSize = -1;
    bool cut = false; // the data ends before the code size byte
};

GifPicture firstGifPicture(const QByteArray& data)
{
    GifPicture picture;
    constexpr qsizetype screenDescriptorEnd = 13;
    if (data.size() < screenDescriptorEnd)
        return picture; // too short to be read at all: the decoder says so itself
    qsizetype at = screenDescriptorEnd;
    const auto flags = static_cast<unsigned char>(data[10]);
    if (flags & 0x80)
        at += 3 * (qsizetype(1) << ((flags & 0x07) + 1)); // global colour table
    while (true) {
        if (at >= data.size()) {
            picture.cut = true;
            return picture;
        }
        const auto introducer = static_cast<unsigned char>(data[at]);
        if (introducer == 0x21) { // extension: label, then sub-blocks
            at = skipSubBlocks(data, at + 2);
            if (at < 0) {
                picture.cut = true;
                return picture;
            }
        } else if (introducer == 0x2C) { // image descriptor
            if (at + 10 > data.size()) {
                picture.cut = true;
                return picture;
            }
            picture.descriptor = at;
            const auto imageFlags = static_cast<unsigned char>(data[at + 9]);
            at += 10;
            if (imageFlags & 0x80)
                at += 3 * (qsizetype(1) << ((imageFlags & 0x07) + 1)); // local colour table
            if (at + 1 > data.size())
                picture.cut = true;
            else
                picture.codeSize = at;
            return picture;
        } else {
            return picture; // the trailer, or something the decoder will judge
        }
    }
}

Missing missingGifData(const QByteArray& data)
{
    // The code size byte, then the compressed picture in sub-blocks.
    const GifPicture picture = firstGifPicture(data);
    if (picture.cut || (picture.codeSize >= 0 && skipSubBlocks(data, picture.codeSize + 1) < 0))
        return MissingPictureData { data.size(), 0 };
    return {};
}

// Reads the LZW codes of the first picture as a decoder does and tells
// whether they are damaged: a code size byte above 8 (no palette has more
// than 256 colours), a code for a table entry not made yet, or an end of the
// data before the picture's last pixel. Qt's reader takes any such code as
// the entry being made and fills the missing pixels with the background, so
// a damaged picture would be converted as if it were sound.
bool gifCodesDamaged(const QByteArray& data, const GifPicture& picture)
{
    const qint64 pixelsWanted = qint64(littleEndian16(data, picture.descriptor + 5))
        * littleEndian16(data, picture.descriptor + 7);
    const int minimumCodeSize = static_cast<unsigned char>(data[picture.codeSize]);
    if (minimumCodeSize < 1 || minimumCodeSize > 8)
        return true;
    constexpr int MaximumCodes = 4096; // codes are at most 12 bits wide
    const int clearCode = 1 << minimumCodeSize;
    const int endCode = clearCode + 1;
    int codeWidth = minimumCodeSize + 1;
    int nextCode = clearCode + 2;
    int previousCode = -1; // none since the start or the last clear code
    std::array<int, MaximumCodes> lengths {}; // pixels each table entry stands for
    std::fill_n(lengths.begin(), clearCode, 1);
    qint64 pixels = 0;
    std::uint32_t bits = 0;
    int bitCount = 0;
    qsizetype at = picture.codeSize + 1;
    while (at < data.size() && pixels < pixelsWanted) {
        const qsizetype blockEnd = std::min(at + 1 + static_cast<unsigned char>(data[at]), data.size());
        if (blockEnd == at + 1)
            break; // the block terminator
        for (++at; at < blockEnd && pixels < pixelsWanted; ++at) {
            bits |= std::uint32_t(static_cast<unsigned char>(data[at])) << bitCount;
            bitCount += 8;
            while (bitCount >= codeWidth && pixels < pixelsWanted) {
                const int code = static_cast<int>(bits & ((1u << codeWidth) - 1));
                bits >>= codeWidth;
                bitCount -= codeWidth;
                if (code == clearCode) {
                    codeWidth = minimumCodeSize + 1;
                    nextCode = clearCode + 2;
                    previousCode = -1;
                    continue;
                }
                if (code == endCode)
                    return true; // before the last pixel
                if (previousCode < 0) {
                    if (code > clearCode)
                        return true; // the first code after a clear stands for one pixel
                } else {
                    if (code > nextCode)
                        return true; // (code == nextCode is the entry being made)
                    if (nextCode < MaximumCodes) {
                        lengths[nextCode] = lengths[previousCode] + 1;
                        ++nextCode;
                        if (nextCode == (1 << codeWidth) && codeWidth < 12)
                            ++codeWidth;
                    }
                }
                pixels += lengths[code];
                previousCode = code;
            }
        }
    }
    return pixels < pixelsWanted;
}

} // namespace

bool hasBmpOrGifSignature(const QByteArray& data)
{
    return data.startsWith("BM") || isGif(data);
}

std::optional<MissingPictureData> missingPictureData(const QByteArray& data)
{
    if (data.startsWith("BM"))
        return missingBmpData(data);
    if (isGif(data))
        return missingGifData(data);
    return {};
}

std::optional<ClaimedPictureSize> claimedPictureSize(const QByteArray& data)
{
    if (data.startsWith("BM") && data.size() >= 26) {
        const std::uint32_t infoSize = littleEndian32(data, 14);
        if (infoSize == 12)
            return ClaimedPictureSize { littleEndian16(data, 18), littleEndian16(data, 20) };
        if (infoSize >= 40) {
            const qint64 height = static_cast<std::int32_t>(littleEndian32(data, 22));
            return ClaimedPictureSize { static_cast<std::int32_t>(littleEndian32(data, 18)), height < 0 ? -height : height };
        }
        return {};
    }
    if (isGif(data) && data.size() >= 13) {
        // The picture is as large as the logical screen; a screen without a
        // size takes the first picture's.
        ClaimedPictureSize screen { littleEndian16(data, 6), littleEndian16(data, 8) };
        if (screen.width > 0 && screen.height > 0)
            return screen;
        if (const GifPicture picture = firstGifPicture(data); picture.descriptor >= 0)
            return ClaimedPictureSize { littleEndian16(data, picture.descriptor + 5), littleEndian16(data, picture.descriptor + 7) };
    }
    return {};
}

bool pictureDataDamaged(const QByteArray& data)
{
    if (!isGif(data))
        return false;
    const GifPicture picture = firstGifPicture(data);
    return picture.codeSize >= 0 && !picture.cut && gifCodesDamaged(data, picture);
}

} // namespace rasterkit
