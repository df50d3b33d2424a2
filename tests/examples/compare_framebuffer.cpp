// compare_framebuffer [--exact | --blended] FRAMEBUFFER.ppm PREVIEW.png
//
// Compares an example's framebuffer with rasterkit-cli's preview of the same
// frame. With --exact (the OLED example's panel, lit pixels white) every
// pixel must equal the preview's. Otherwise the frame is in an RGB 5:6:5
// format. The preview shows each channel with
// the bits the format drops cleared (red 0xF8, green 0xFC, blue 0xF8); the
// firmware holds the same 5:6:5 value and writes it widened by repeating each
// channel's bit pattern. So every framebuffer pixel must equal the preview's
// 5:6:5 value widened that way. With --blended (a picture with alpha, which
// the preview shows blended over its background in 8 bits, and the firmware
// blends in 5:6:5 steps) each channel's 5:6:5 value c of the framebuffer
// must lie within one step of the preview's channel p: |c x 2^(8 - bits) -
// p| <= 2^(8 - bits). Exit 0 when all pixels pass, 1 otherwise.
#include <QImage>
#include <QString>

#include <cstdio>
#include <cstdlib>

namespace {

int widen(int channel, int bits)
{
    const int value = channel >> (8 - bits);
    return (value << (8 - bits)) | (value >> (2 * bits - 8));
}

// Whether the framebuffer channel's top `bits` bits lie within one step of
// the preview's channel.
bool withinOneStep(int actual, int shown, int bits)
{
    const int step = 1 << (8 - bits);
    return std::abs((actual >> (8 - bits)) * step - shown) <= step;
}

QImage load(const char* path)
{
    QImage image(QString::fromLocal8Bit(path));
    if (image.isNull())
        std::fprintf(stderr, "%s: cannot read the picture\n", path);
    return image.convertToFormat(QImage::Format_RGB32);
}

} // namespace

int main(int argc, char** argv)
{
    const bool exactly = argc == 4 && QString::fromLatin1(argv[1]) == QLatin1String("--exact");
    const bool blended = argc == 4 && QString::fromLatin1(argv[1]) == QLatin1String("--blended");
    if (exactly || blended) {
        --argc;
        ++argv;
    }
    if (argc != 3) {
        std::fprintf(stderr, "usage: compare_framebuffer [--exact | --blended] FRAMEBUFFER.ppm PREVIEW.png\n");
        return 2;
    }
    const QImage framebuffer = load(argv[1]);
    const QImage preview = load(argv[2]);
    if (framebuffer.isNull() || preview.isNull())
        return 1;
    if (framebuffer.size() != preview.size()) {
        std::fprintf(stderr, "%s is %d x %d, %s is %d x %d\n", argv[1], framebuffer.width(), framebuffer.height(),
            argv[2], preview.width(), preview.height());
        return 1;
    }
    long differences = 0;
    long exact = 0;
    for (int y = 0; y < preview.height(); ++y) {
        for (int x = 0; x < preview.width(); ++x) {
            const QRgb shown = preview.pixel(x, y);
            const QRgb expected
                = exactly ? shown : qRgb(widen(qRed(shown), 5), widen(qGreen(shown), 6), widen(qBlue(shown), 5));
            const QRgb actual = framebuffer.pixel(x, y);
            exact += actual == shown;
            if (blended ? withinOneStep(qRed(actual), qRed(shown), 5) && withinOneStep(qGreen(actual), qGreen(shown), 6)
                        && withinOneStep(qBlue(actual), qBlue(shown), 5)
                        : actual == expected)
                continue;
            if (differences++ == 0) {
                std::fprintf(stderr, "%s: pixel (%d, %d) is #%06X; the preview's #%06X widened is #%06X\n", argv[1], x,
                    y, actual & 0xFFFFFFu, shown & 0xFFFFFFu, expected & 0xFFFFFFu);
            }
        }
    }
    const long pixels = long(preview.width()) * preview.height();
    if (exactly)
        std::printf("%ld of %ld pixels equal the preview\n", pixels - differences, pixels);
    else if (blended)
        std::printf("%ld of %ld pixels lie within one 5:6:5 step of the preview\n", pixels - differences, pixels);
    else
        std::printf("%ld of %ld pixels equal the preview widened (%ld equal it unwidened)\n", pixels - differences, pixels,
            exact);
    return differences == 0 ? 0 : 1;
}
