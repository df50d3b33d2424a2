#include "knownpictures.h"

#include <array>
#include <functional>

namespace knownpictures {

namespace {

using reference::Picture;
using reference::Rgb;

Picture make(int width, int height, const std::function<Rgb(int, int)>& pixel)
{
    Picture picture;
    picture.width = width;
    picture.height = height;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x)
            picture.pixels.push_back(pixel(x, y));
    }
    return picture;
}

constexpr std::array<Rgb, 9> Stripes { {
    { 255, 255, 255 },
    { 252, 254, 250 },
    { 224, 0, 0 },
    { 224, 0, 32 },
    { 0, 0, 0 },
    { 128, 128, 128 },
    { 231, 0, 0 },
    { 16, 0, 0 },
    { 48, 0, 0 },
} };

Rgb knownGifPalette(int index)
{
    return { (index * 17) % 256, (255 - index * 17) % 256, (index * 53) % 256 };
}

constexpr std::array<Rgb, 4> TransparentPalette { { { 200, 30, 40 }, { 20, 180, 60 }, { 10, 20, 250 }, { 0, 255, 0 } } };

} // namespace

QString dataPath(const QString& name)
{
    return QStringLiteral(RASTERKIT_TEST_DATA "/") + name;
}

Picture knownBmp()
{
    return make(64, 48, [](int x, int y) -> Rgb {
        if (y < 6)
            return { 0x12, 0x34, 0x56 };
        if (y < 12)
            return { (x * 4) % 256, (y * 21) % 256, 255 - x * 4 };
        if (y < 30)
            return Stripes[static_cast<std::size_t>((x / 5 + y / 3) % int(Stripes.size()))];
        return { (x * 37 + y * 11) % 256, (x * x + y * 7) % 256, ((x ^ y) * 5) % 256 };
    });
}

Picture knownGif()
{
    return make(50, 40, [](int x, int y) {
        const int index = y < 20 ? (x / 4 + 2 * (y / 5)) % 16 : (x * 7 + y * 3) % 16;
        return knownGifPalette(index);
    });
}

bool isTransparent(int x, int y)
{
    return (x / 4 + y / 4) % 2 == 0;
}

Picture transparentGif()
{
    return make(24, 16, [](int x, int y) -> Rgb {
        if (isTransparent(x, y))
            return { 0xF0, 0xF0, 0xF0 };
        return TransparentPalette[static_cast<std::size_t>((x + y) % 3)];
    });
}

Picture smallBmp()
{
    return make(7, 5, [](int x, int y) -> Rgb { return { x * 36, y * 60, 200 - x * 20 - y * 10 }; });
}

} // namespace knownpictures
