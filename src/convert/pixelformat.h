#pragma once

#include <array>
#include <cstddef>
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

// wordOffset of a format whose units are all single bytes.
inline constexpr int NoWord = -1;

struct PixelFormatInfo {
    PixelFormat format;
    std::string_view name;      // as the format list shows it, e.g. "RGB 5:6:5x8"
    std::string_view shortName; // for command lines, e.g. "rgb565x8"
    std::uint32_t reductionMask;
    bool runLength;
    int runLimit;               // the largest run one record holds; 0 for the plain formats
    int recordWidth;            // bytes per run record, or per pixel for the plain formats
    int wordOffset;             // where in each record its 16-bit word starts (high byte first), or NoWord
    int uncompressedPixelBytes; // N in the compression report is width x height x this
    bool grey;                  // the grid holds grey levels, not colours
};

// The one description of the formats that the encoders, decoders, byte
// order, reports and both programs read. Each record's builder is checked
// against its row when it is compiled.
inline constexpr std::array<PixelFormatInfo, PixelFormatCount> PixelFormats { {
    { PixelFormat::RGB565, "RGB 5:6:5", "rgb565", 0xF8FCF8, false, 0, 2, 0, 2, false },
    { PixelFormat::RGB565x8, "RGB 5:6:5x8", "rgb565x8", 0xF8FCF8, true, 255, 3, 0, 2, false },
    { PixelFormat::RGB544x3, "RGB 5:4:4x3", "rgb544x3", 0xF0F0F8, true, 7, 2, 0, 2, false },
    { PixelFormat::RGB444x4, "RGB 4:4:4x4", "rgb444x4", 0xF0F0F0, true, 15, 2, 0, 2, false },
    { PixelFormat::RGB333x7, "RGB 3:3:3x7", "rgb333x7", 0xE0E0E0, true, 127, 2, 0, 2, false },
    { PixelFormat::RGB332, "RGB 3:3:2", "rgb332", 0xC0E0E0, false, 0, 1, NoWord, 1, false },
    { PixelFormat::RGB332x8, "RGB 3:3:2x8", "rgb332x8", 0xC0E0E0, true, 255, 2, NoWord, 1, false },
    { PixelFormat::Y5x3, "Y 5x3", "y5x3", 0xFFFFFF, true, 7, 1, NoWord, 1, true },
} };

inline constexpr int formatIndex(PixelFormat format) { return static_cast<int>(format); }

constexpr const PixelFormatInfo& formatInfo(PixelFormat format)
{
    return PixelFormats[static_cast<std::size_t>(formatIndex(format))];
}

namespace detail {

constexpr bool formatTableIsConsistent()
{
    for (int index = 0; index < PixelFormatCount; ++index) {
        const PixelFormatInfo& info = PixelFormats[static_cast<std::size_t>(index)];
        if (formatIndex(info.format) != index || info.runLength != (info.runLimit > 0))
            return false;
        if (info.wordOffset != NoWord && (info.wordOffset < 0 || info.wordOffset + 2 > info.recordWidth))
            return false;
    }
    return true;
}

static_assert(formatTableIsConsistent(), "rows in index order, run limits only for run-length formats, words inside records");

} // namespace detail

std::optional<PixelFormat> pixelFormatFromIndex(int index);

// Accepts the index ("0".."7"), the listed name ("RGB 5:6:5x8") or the short
// name ("rgb565x8"), names compared without regard to case.
std::optional<PixelFormat> parsePixelFormat(std::string_view text);

// The mask applied to every sample before it is stored: formats outside
// 0..7 (no format chosen) get 0.
std::uint32_t reductionMask(int formatIndex);

} // namespace rasterkit
