// BMP files made by hand, read as the programs read them: whatever their
// headers say, a picture either comes out with every pixel defined, the
// same on every read, or is refused as cut short.

#include "platform/qtpictures.h"

#include <QDataStream>
#include <QIODevice>

#include <gtest/gtest.h>

#include <vector>

namespace rasterkit {
namespace {

// A BMP file: the file header, an info header of infoSize bytes (the old
// 16-bit layout for 12, else the Windows layout padded with zeros), the
// colour table and the pixel bytes. The pixel offset is where the pixels
// follow unless given.
QByteArray bmpFile(std::uint32_t infoSize, int width, int height, int bits, int compression,
    const QByteArray& colours, const QByteArray& pixels, std::int64_t pixelOffset = -1)
{
    QByteArray info;
    QDataStream out(&info, QIODevice::WriteOnly);
    out.setByteOrder(QDataStream::LittleEndian);
    out << infoSize;
    if (infoSize == 12)
        out << qint16(width) << qint16(height) << quint16(1) << quint16(bits);
    else
        out << qint32(width) << qint32(height) << quint16(1) << quint16(bits) << quint32(compression) << quint32(0)
            << quint32(0) << quint32(0) << quint32(colours.size() / 4) << quint32(0);
    if (info.size() < qsizetype(infoSize))
        info.append(qsizetype(infoSize) - info.size(), '\0');
    const std::uint32_t offset = pixelOffset >= 0 ? std::uint32_t(pixelOffset) : std::uint32_t(14 + info.size() + colours.size());
    QByteArray file("BM");
    QDataStream header(&file, QIODevice::Append);
    header.setByteOrder(QDataStream::LittleEndian);
    header << quint32(14 + info.size() + colours.size() + pixels.size()) << quint32(0) << offset;
    return file + info + colours + pixels;
}

// Two colours, as stored (blue, green, red, unused): dark blue-grey and orange.
const QByteArray TwoColours("\x0A\x14\x1E\x00\x32\x64\xC8\x00", 8);
constexpr QRgb Colour0 = qRgb(0x1E, 0x14, 0x0A);
constexpr QRgb Colour1 = qRgb(0xC8, 0x64, 0x32);

struct BmpCase {
    const char* name;
    QByteArray file;
    PictureError error;
    std::vector<QRgb> pixels; // row by row from the top, when it decodes
};

TEST(BmpFileTest, EveryPixelDefinedOrRefused)
{
    // Run-length (8 bits): two pixels of colour 1, end of line, a whole row
    // of colour 1, end of picture. The pixels it skips come out as colour 0.
    const QByteArray runs("\x02\x01\x00\x00\x04\x01\x00\x01", 8);
    // Plain 8-bit rows of 4 bytes, bottom row first.
    const QByteArray rows("\x01\x00\x00\x01\x00\x01\x01\x00", 8);
    const BmpCase cases[] = {
        { "run-length with skipped pixels", bmpFile(40, 4, 3, 8, 1, TwoColours, runs), PictureError::None,
            { Colour0, Colour0, Colour0, Colour0, Colour1, Colour1, Colour1, Colour1, Colour1, Colour1, Colour0,
                Colour0 } },
        { "pixel offset inside the colour table", bmpFile(40, 4, 2, 8, 0, TwoColours, rows, 20), PictureError::None,
            { Colour0, Colour1, Colour1, Colour0, Colour1, Colour0, Colour0, Colour1 } },
        { "pixel offset inside the colour table, a row short", bmpFile(40, 4, 2, 8, 0, TwoColours, rows.left(4), 20),
            PictureError::CutShort, {} },
        // The reader takes header sizes it does not know as the old header
        // with 16-bit sizes: 4 x 300 pixels of 24 bits, of which two rows are there.
        { "unknown header size", bmpFile(12, 4, -300, 24, 0, {}, QByteArray(24, '\x7F')).replace(14, 1, "\x10", 1),
            PictureError::CutShort, {} },
    };
    for (const BmpCase& bmp : cases) {
        SCOPED_TRACE(bmp.name);
        const PictureLoadResult picture = decodePicture(bmp.file, PictureLoadOptions { .otherReader = QtPictureReader }, QStringLiteral("hand.bmp"));
        EXPECT_EQ(picture.error, bmp.error) << picture.message().toStdString();
        if (!picture.ok() || picture.error != bmp.error)
            continue;
        std::vector<QRgb> pixels;
        for (int y = 0; y < picture.image.height(); ++y)
            for (int x = 0; x < picture.image.width(); ++x)
                pixels.push_back(picture.image.pixel(x, y));
        EXPECT_EQ(pixels, bmp.pixels);
    }
}

} // namespace
} // namespace rasterkit
