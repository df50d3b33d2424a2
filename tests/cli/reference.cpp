#include "reference.h"

#include <QString>

#include <cmath>
#include <optional>

namespace reference {

namespace {

// Bits kept per channel, the top bits of each 8-bit channel.
struct Reduction {
    int redBits;
    int greenBits;
    int blueBits;
};

Reduction reductionOf(int format)
{
    switch (format) {
    case RGB565:
    case RGB565x8:
        return { 5, 6, 5 };
    case RGB544x3:
        return { 5, 4, 4 };
    case RGB444x4:
        return { 4, 4, 4 };
    case RGB333x7:
        return { 3, 3, 3 };
    case RGB332:
    case RGB332x8:
        return { 3, 3, 2 };
    case RGB666:
        return { 6, 6, 6 };
    default:
        return { 8, 8, 8 };
    }
}

int keepTopBits(int channel, int bits)
{
    const int dropped = 8 - bits;
    return (channel >> dropped) << dropped;
}

// One reduced sample: a colour, or for "Y 5x3" a grey level kept in red.
using Sample = Rgb;

} // namespace

long long pixelAt(double position)
{
    const float narrowed = static_cast<float>(position);
    const double whole = std::floor(narrowed);
    const double fraction = narrowed - whole;
    long long pixel = static_cast<long long>(whole);
    if (fraction > 0.5 || (fraction == 0.5 && pixel % 2 != 0))
        ++pixel;
    return pixel;
}

namespace {

// The grey of the luma and mono formats: (299 R + 587 G + 114 B + 500) / 1000.
int luma(Rgb colour)
{
    return (299 * colour.red + 587 * colour.green + 114 * colour.blue + 500) / 1000;
}

std::vector<Sample> sample(const Picture& picture, const Frame& frame, int format, const Options& options)
{
    const Reduction reduction = reductionOf(format);
    std::vector<Sample> samples;
    for (int row = 1; row <= frame.height; ++row) {
        const long long y = pixelAt(frame.top + frame.step * row);
        for (int column = 1; column <= frame.width; ++column) {
            const long long x = pixelAt(frame.left + frame.step * column);
            Rgb colour { 255, 255, 255 }; // outside the picture every bit is set
            if (x >= 0 && y >= 0 && x < picture.width && y < picture.height)
                colour = picture.at(static_cast<int>(x), static_cast<int>(y));
            if (options.bgr)
                std::swap(colour.red, colour.blue);
            Rgb reduced { keepTopBits(colour.red, reduction.redBits), keepTopBits(colour.green, reduction.greenBits),
                keepTopBits(colour.blue, reduction.blueBits) };
            if (format == Y5x3)
                reduced = { greyLevel(reduced), 0, 0 };
            else if (format == Mono || format == MonoLsb || format == MonoPages)
                reduced = { (luma(colour) >= options.threshold) != options.invert ? 1 : 0, 0, 0 };
            else if (format == Grey2 || format == Grey4 || format == Grey8) {
                const int levels = format == Grey2 ? 3 : format == Grey4 ? 15 : 255;
                reduced = { (luma(colour) * levels + 127) / 255, 0, 0 };
            }
            samples.push_back(reduced);
        }
    }
    return samples;
}

// The samples mirrored, then turned clockwise.
std::vector<Sample> turn(const std::vector<Sample>& samples, const Frame& frame, const Options& options)
{
    const int width = frame.width;
    const int height = frame.height;
    const auto [turnedWidth, turnedHeight] = rasterSize(frame, options);
    std::vector<Sample> turned(samples.size());
    for (int y = 0; y < turnedHeight; ++y) {
        for (int x = 0; x < turnedWidth; ++x) {
            // The frame's pixel that lands at (x, y) of the turned raster.
            int fx = x;
            int fy = y;
            if (options.rotate == 90) {
                fx = y;
                fy = height - 1 - x;
            } else if (options.rotate == 180) {
                fx = width - 1 - x;
                fy = height - 1 - y;
            } else if (options.rotate == 270) {
                fx = width - 1 - y;
                fy = x;
            }
            if (options.mirror == 1)
                fx = width - 1 - fx;
            else if (options.mirror == 2)
                fy = height - 1 - fy;
            turned[static_cast<std::size_t>(y) * turnedWidth + x] = samples[static_cast<std::size_t>(fy) * width + fx];
        }
    }
    return turned;
}

// The bit layouts: mono rows of ceil(W / 8) bytes with the leftmost pixel
// in bit 7 (bit 0 for mono-lsb), greyN rows of ceil(W x N / 8) bytes with the
// leftmost pixel in the highest bits, mono-pages ceil(H / 8) pages of W bytes
// with pixel (x, 8p + k) in bit k of byte x of page p.
std::vector<std::uint8_t> packBits(const std::vector<Sample>& samples, int width, int height, int format)
{
    std::vector<std::uint8_t> out;
    if (format == MonoPages) {
        for (int page = 0; page * 8 < height; ++page) {
            for (int x = 0; x < width; ++x) {
                unsigned byte = 0;
                for (int k = 0; k < 8 && page * 8 + k < height; ++k)
                    byte |= unsigned(samples[static_cast<std::size_t>(page * 8 + k) * width + x].red) << k;
                out.push_back(static_cast<std::uint8_t>(byte));
            }
        }
        return out;
    }
    const int bits = format == Grey2 ? 2 : format == Grey4 ? 4 : format == Grey8 ? 8 : 1;
    const int perByte = 8 / bits;
    for (int y = 0; y < height; ++y) {
        for (int first = 0; first < width; first += perByte) {
            unsigned byte = 0;
            for (int place = 0; place < perByte && first + place < width; ++place) {
                const unsigned value = unsigned(samples[static_cast<std::size_t>(y) * width + first + place].red);
                const int shift = format == MonoLsb ? place : 8 - bits * (place + 1);
                byte |= value << shift;
            }
            out.push_back(static_cast<std::uint8_t>(byte));
        }
    }
    return out;
}

void appendWord(std::vector<std::uint8_t>& out, unsigned word)
{
    out.push_back(static_cast<std::uint8_t>(word >> 8));
    out.push_back(static_cast<std::uint8_t>(word & 0xFF));
}

unsigned word565(Rgb c)
{
    return (unsigned(c.red) >> 3) << 11 | (unsigned(c.green) >> 2) << 5 | (unsigned(c.blue) >> 3);
}

unsigned byte332(Rgb c)
{
    return (unsigned(c.red) >> 5) << 5 | (unsigned(c.green) >> 5) << 2 | (unsigned(c.blue) >> 6);
}

int runLimitOf(int format)
{
    switch (format) {
    case RGB565x8:
    case RGB332x8:
        return 255;
    case RGB544x3:
    case Y5x3:
        return 7;
    case RGB444x4:
        return 15;
    case RGB333x7:
        return 127;
    default:
        return 0;
    }
}

void appendRecord(std::vector<std::uint8_t>& out, int format, Sample c, unsigned count)
{
    switch (format) {
    case RGB565x8:
        appendWord(out, word565(c));
        out.push_back(static_cast<std::uint8_t>(count));
        break;
    case RGB544x3:
        appendWord(out, (unsigned(c.red) >> 3) << 11 | (unsigned(c.green) >> 4) << 7 | (unsigned(c.blue) >> 4) << 3 | count);
        break;
    case RGB444x4:
        appendWord(out, (unsigned(c.red) >> 4) << 12 | (unsigned(c.green) >> 4) << 8 | (unsigned(c.blue) >> 4) << 4 | count);
        break;
    case RGB333x7:
        appendWord(out, (unsigned(c.red) >> 5) << 13 | (unsigned(c.green) >> 5) << 10 | (unsigned(c.blue) >> 5) << 7 | count);
        break;
    case RGB332x8:
        out.push_back(static_cast<std::uint8_t>(byte332(c)));
        out.push_back(static_cast<std::uint8_t>(count));
        break;
    case Y5x3:
        out.push_back(static_cast<std::uint8_t>(c.red * 8 + int(count)));
        break;
    default:
        break;
    }
}

} // namespace

Picture fromImage(const QImage& image)
{
    Picture picture;
    picture.width = image.width();
    picture.height = image.height();
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QRgb pixel = image.pixel(x, y);
            picture.pixels.push_back({ qRed(pixel), qGreen(pixel), qBlue(pixel) });
        }
    }
    return picture;
}

int greyLevel(Rgb colour)
{
    // Bits 7 down to 1 of every channel weigh 4, 2, 1, 0.5, 0.25, 0.12, 0.06.
    const double weights[8] = { 0.0, 0.06, 0.12, 0.25, 0.5, 1.0, 2.0, 4.0 };
    double sum = 7.0;
    for (const int channel : { colour.red, colour.green, colour.blue }) {
        for (int bit = 7; bit >= 1; --bit) {
            if (channel & (1 << bit))
                sum += weights[bit];
        }
    }
    const double whole = std::floor(sum);
    int level = static_cast<int>(whole);
    const double fraction = sum - whole;
    if (fraction > 0.5 || (fraction == 0.5 && level % 2 != 0))
        ++level;
    return level;
}

std::pair<int, int> rasterSize(const Frame& frame, const Options& options)
{
    if (options.rotate == 90 || options.rotate == 270)
        return { frame.height, frame.width };
    return { frame.width, frame.height };
}

std::vector<std::uint8_t> convert(const Picture& picture, const Frame& frame, int format, const Options& options)
{
    const std::vector<Sample> samples = turn(sample(picture, frame, format, options), frame, options);
    const auto [width, height] = rasterSize(frame, options);
    std::vector<std::uint8_t> out;
    if (format >= Mono && format <= Grey8)
        return packBits(samples, width, height, format);
    if (format == RGB666 || format == RGB888) {
        for (const Sample& s : samples) {
            out.push_back(static_cast<std::uint8_t>(s.red));
            out.push_back(static_cast<std::uint8_t>(s.green));
            out.push_back(static_cast<std::uint8_t>(s.blue));
        }
        return out;
    }
    if (format == RGB565) {
        for (const Sample& s : samples)
            appendWord(out, word565(s));
        return out;
    }
    if (format == RGB332) {
        for (const Sample& s : samples)
            out.push_back(static_cast<std::uint8_t>(byte332(s)));
        return out;
    }
    // Maximal stretches of equal samples in raster order, each cut into
    // records of at most the run limit.
    const unsigned limit = static_cast<unsigned>(runLimitOf(format));
    std::size_t start = 0;
    while (start < samples.size()) {
        std::size_t end = start;
        while (end < samples.size() && samples[end] == samples[start])
            ++end;
        std::size_t left = end - start;
        while (left > 0) {
            const unsigned count = static_cast<unsigned>(std::min<std::size_t>(left, limit));
            appendRecord(out, format, samples[start], count);
            left -= count;
        }
        start = end;
    }
    return out;
}

std::string report(int format, const Frame& frame, std::size_t outputSize, char decimalSeparator)
{
    const long long pixels = static_cast<long long>(frame.width) * frame.height;
    if (format == RGB565 || format == RGB332)
        return "Конвертирование завершено.\r\nРазмер файла : " + std::to_string(outputSize);
    const bool byteFormats = format == RGB332x8 || format == Y5x3;
    const long long uncompressed = byteFormats ? pixels : pixels * 2;
    const double ratio = std::floor(double(uncompressed) / double(outputSize) * 100.0) / 100.0;
    QString ratioText = QString::number(ratio, 'g', 15);
    ratioText.replace(QLatin1Char('.'), QLatin1Char(decimalSeparator));
    return "Результат компрессии:\r\n"
           "Без сжатия:  " + std::to_string(uncompressed) + " байт\r\n"
           "После сжатия: " + std::to_string(outputSize) + "\r\n"
           "Cжато в: " + ratioText.toStdString() + " раза\r\n";
}

} // namespace reference
