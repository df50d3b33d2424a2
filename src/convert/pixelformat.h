#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

namespace rasterkit {

// The eight output formats, numbered as the format list shows them.
enum class PixelFormat : int {
    RGB565 = 0,
    RGB565x8 = 1,
    RGB544x3 = 2,
    RGB444x4 = 3,
    RGB333x7 = 4,
    RGB332 = 5,
    RGB332x8 = 6,
    Y5x3 = 7,
};

inline constexpr int PixelFormatCount = 8;

inline constexpr std::array<PixelFormat, PixelFormatCount> AllPixelFormats {
    PixelFormat::RGB565, PixelFormat::RGB565x8, PixelFormat::RGB544x3, PixelFormat::RGB444x4,
    PixelFormat::RGB333x7, PixelFormat::RGB332, PixelFormat::RGB332x8, PixelFormat::Y5x3,
};

struct PixelFormatInfo {
    PixelFormat format;
    std::string_view name;      // as the format list shows it, e.g. "RGB 5:6:5x8"
    std::string_view shortName; // for command lines, e.g. "rgb565x8"
    std::uint32_t reductionMask;
    bool runLength;
    int runLimit;           // 0 for the plain formats
    int recordWidth;        // bytes per run record, or per pixel for the plain formats
    int uncompressedPixelBytes; // N in the compression report is width x height x this
    bool grey;              // the grid holds grey levels, not colours
};

const PixelFormatInfo& formatInfo(PixelFormat format);

inline constexpr int formatIndex(PixelFormat format) { return static_cast<int>(format); }
std::optional<PixelFormat> pixelFormatFromIndex(int index);

// Accepts the index ("0".."7"), the listed name ("RGB 5:6:5x8") or the short
// name ("rgb565x8"), names compared without regard to case.
std::optional<PixelFormat> parsePixelFormat(std::string_view text);

// The mask applied to every sample before it is stored: formats outside
// 0..7 (no format chosen) get 0.
std::uint32_t reductionMask(int formatIndex);

} // namespace rasterkit
