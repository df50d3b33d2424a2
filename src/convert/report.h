#pragma once

#include "pixelformat.h"

#include <cstdint>
#include <string>
#include <string_view>

// Status texts, UTF-8, lines separated by CR LF.
namespace rasterkit {

inline constexpr std::string_view ConvertingMessage = "Конвертирование...";
inline constexpr std::string_view CompressingMessage = "Компрессия...";

// "Конвертирование завершено." CR LF "Размер файла : " size. No line break at the end.
std::string plainReport(std::int64_t outputSize);

// R = floor(N / M x 100) / 100 in double precision. M of 0 gives 0.
double compressionRatio(std::int64_t uncompressedSize, std::int64_t compressedSize);

// R written to 15 significant digits, trailing zeros dropped, no exponent,
// with the given decimal separator (none at all when R is whole).
std::string formatRatio(double ratio, std::string_view decimalSeparator);

// The four-line report, each line ending in CR LF; N carries one leading space.
std::string compressionReport(std::int64_t uncompressedSize, std::int64_t compressedSize,
    std::string_view decimalSeparator);

// N for a format: for a run-length format width x height x its row's
// uncompressedPixelBytes (2 for the formats of 16-bit words, 1 for those of
// single bytes); for the others the file's own size.
std::int64_t uncompressedSize(PixelFormat format, int width, int height);

// The report the status box shows after converting width x height pixels into
// outputSize bytes of the given format.
std::string conversionReport(PixelFormat format, int width, int height, std::int64_t outputSize,
    std::string_view decimalSeparator);

} // namespace rasterkit
