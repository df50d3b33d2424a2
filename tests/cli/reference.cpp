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

// Sample position rule: the position, computed in double precision, is
// narrowed to a float and rounded to the nearest whole pixel, halves to even.
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

std::vector<Sample> sample(const Picture& picture, const Frame& frame, int format)
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
            Rgb reduced { keepTopBits(colour.red, reduction.redBits), keepTopBits(colour.green, reduction.greenBits),
                keepTopBits(colour.blue, reduction.blueBits) };
            if (format == Y5x3)
                reduced = { greyLevel(reduced), 0, 0 };
            samples.push_back(reduced);
        }
    }
    return samples;
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

std::vector<std::uint8_t> convert(const Picture& picture, const Frame& frame, int format)
{
    const std::vector<Sample> samples = sample(picture, frame, format);
    std::vector<std::uint8_t> out;
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
