#include "picturecheck.h"

#include <algorithm>
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

Missing missingGifData(const QByteArray& data)
{
    const MissingPictureData cut { data.size(), 0 };
    constexpr qsizetype screenDescriptorEnd = 13;
    if (data.size() < screenDescriptorEnd)
        return {};
    qsizetype at = screenDescriptorEnd;
    const auto flags = static_cast<unsigned char>(data[10]);
    if (flags & 0x80)
        at += 3 * (qsizetype(1) << ((flags & 0x07) + 1)); // global colour table
    while (true) {
        if (at >= data.size())
            return cut;
        const auto introducer = static_cast<unsigned char>(data[at]);
        if (introducer == 0x21) { // extension: label, then sub-blocks
            at = skipSubBlocks(data, at + 2);
            if (at < 0)
                return cut;
        } else if (introducer == 0x2C) { // image descriptor
            if (at + 10 > data.size())
                return cut;
            const auto imageFlags = static_cast<unsigned char>(data[at + 9]);
            at += 10;
            if (imageFlags & 0x80)
                at += 3 * (qsizetype(1) << ((imageFlags & 0x07) + 1)); // local colour table
            // The code size byte, then the compressed picture in sub-blocks.
            if (at + 1 > data.size() || skipSubBlocks(data, at + 1) < 0)
                return cut;
            return {};
        } else {
            return {}; // the trailer, or something the decoder will judge
        }
    }
}

} // namespace

std::optional<MissingPictureData> missingPictureData(const QByteArray& data)
{
    if (data.startsWith("BM"))
        return missingBmpData(data);
    if (data.startsWith("GIF87a") || data.startsWith("GIF89a"))
        return missingGifData(data);
    return {};
}

} // namespace rasterkit
