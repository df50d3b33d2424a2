#include "previewimage.h"

#include "convert/colour.h"
#include "convert/pixelformat.h"

namespace rasterkit {

RgbxPicture previewImage(const PixelGrid& grid, PixelFormat format, ColourOrder order)
{
    RgbxPicture picture = RgbxPicture::allocate(grid.width(), grid.height());
    if (picture.isNull())
        return picture;
    for (int row = 1; row <= grid.height(); ++row) {
        std::uint8_t* pixel = picture.scanLine(row - 1);
        for (const std::int32_t value : grid.row(row)) {
            const Colour colour = previewColour(format, value, order);
            *pixel++ = static_cast<std::uint8_t>(redOf(colour));
            *pixel++ = static_cast<std::uint8_t>(greenOf(colour));
            *pixel++ = static_cast<std::uint8_t>(blueOf(colour));
            *pixel++ = 0xFF;
        }
    }
    return picture;
}

} // namespace rasterkit
