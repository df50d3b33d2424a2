#include "report.h"

#include <cmath>
#include <charconv>
#include <string>
#include <utility>

namespace rasterkit {

std::string plainReport(std::int64_t outputSize)
{
    return "Конвертирование завершено.\r\nРазмер файла : " + std::to_string(outputSize);
}

double compressionRatio(std::int64_t uncompressedSize, std::int64_t compressedSize)
{
    if (compressedSize <= 0)
        return 0.0;
    return std::floor(static_cast<double>(uncompressedSize) / static_cast<double>(compressedSize) * 100.0) / 100.0;
}

std::string formatRatio(double ratio, std::string_view decimalSeparator)
{
    if (!std::isfinite(ratio))
        return "0";
    // Rounded to 15 significant digits with trailing zeros dropped. to_chars
    // ignores the C locale, so the point is always '.' until it is replaced.
    // It only turns to an exponent at 1e15 and above or below 1e-4, beyond any
    // ratio of sizes that fit 32 bits; such values are spelled out all the same,
    // keeping their 15 significant digits.
    char buffer[64];
    const auto written = std::to_chars(buffer, buffer + sizeof buffer, ratio, std::chars_format::general, 15);
    std::string text(buffer, written.ptr);
    if (const auto exponentAt = text.find_first_of("eE"); exponentAt != std::string::npos) {
        const int exponent = std::stoi(text.substr(exponentAt + 1));
        std::string digits = text.substr(0, exponentAt);
        std::string spelled;
        if (!digits.empty() && digits.front() == '-') {
            spelled = "-";
            digits.erase(0, 1);
        }
        std::erase(digits, '.');
        if (exponent >= 0) {
            const auto integerDigits = static_cast<std::size_t>(exponent) + 1;
            spelled.append(digits, 0, integerDigits);
            if (digits.size() < integerDigits) {
                spelled.append(integerDigits - digits.size(), '0');
            } else if (digits.size() > integerDigits) {
                spelled += '.';
                spelled.append(digits, integerDigits);
            }
        } else {
            spelled += "0.";
            spelled.append(static_cast<std::size_t>(-exponent - 1), '0');
            spelled += digits;
        }
        text = std::move(spelled);
    }
    const auto point = text.find('.');
    if (point != std::string::npos)
        text.replace(point, 1, decimalSeparator);
    return text;
}

std::string compressionReport(std::int64_t uncompressedSize, std::int64_t compressedSize,
    std::string_view decimalSeparator)
{
    std::string text;
    text += "Результат компрессии:\r\n";
    text += "Без сжатия:  " + std::to_string(uncompressedSize) + " байт\r\n";
    text += "После сжатия: " + std::to_string(compressedSize) + "\r\n";
    // The C of "Cжато" is the Latin capital letter C.
    text += "Cжато в: " + formatRatio(compressionRatio(uncompressedSize, compressedSize), decimalSeparator)
        + " раза\r\n";
    return text;
}

std::int64_t uncompressedSize(PixelFormat format, int width, int height)
{
    const PixelFormatInfo& info = formatInfo(format);
    if (!info.runLength())
        return plainSize(info, width, height);
    return static_cast<std::int64_t>(width) * height * info.uncompressedPixelBytes;
}

std::string conversionReport(PixelFormat format, int width, int height, std::int64_t outputSize,
    std::string_view decimalSeparator)
{
    if (!formatInfo(format).runLength())
        return plainReport(outputSize);
    return compressionReport(uncompressedSize(format, width, height), outputSize, decimalSeparator);
}

} // namespace rasterkit
