#include "previewimage.h"

#include "convert/colour.h"
#include "convert/sampling.h"

#include <QBuffer>

namespace rasterkit {

QImage previewImage(const PixelGrid& grid, PixelFormat format)
{
    QImage picture(grid.width(), grid.height(), QImage::Format_RGB32);
    for (int row = 1; row <= grid.height(); ++row) {
        auto* line = reinterpret_cast<QRgb*>(picture.scanLine(row - 1));
        for (const std::int32_t value : grid.row(row)) {
            const Colour colour = previewColour(format, value);
            *line++ = qRgb(int(redOf(colour)), int(greenOf(colour)), int(blueOf(colour)));
        }
    }
    return picture;
}

QByteArray pngBytes(const QImage& picture)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    if (!buffer.open(QIODevice::WriteOnly) || !picture.save(&buffer, "PNG"))
        return {};
    return bytes;
}

} // namespace rasterkit
