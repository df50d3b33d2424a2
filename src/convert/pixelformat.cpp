#include "pixelformat.h"

#include <algorithm>
#include <cctype>

namespace rasterkit {

namespace {

constexpr std::array<PixelFormatInfo, PixelFormatCount> Formats { {
    { PixelFormat::RGB565, "RGB 5:6:5", "rgb565", 0xF8FCF8, false, 0, 2, 2, false },
    { PixelFormat::RGB565x8, "RGB 5:6:5x8", "rgb565x8", 0xF8FCF8, true, 255, 3, 2, false },
    { PixelFormat::RGB544x3, "RGB 5:4:4x3", "rgb544x3", 0xF0F0F8, true, 7, 2, 2, false },
    { PixelFormat::RGB444x4, "RGB 4:4:4x4", "rgb444x4", 0xF0F0F0, true, 15, 2, 2, false },
    { PixelFormat::RGB333x7, "RGB 3:3:3x7", "rgb333x7", 0xE0E0E0, true, 127, 2, 2, false },
    { PixelFormat::RGB332, "RGB 3:3:2", "rgb332", 0xC0E0E0, false, 0, 1, 1, false },
    { PixelFormat::RGB332x8, "RGB 3:3:2x8", "rgb332x8", 0xC0E0E0, true, 255, 2, 1, false },
    { PixelFormat::Y5x3, "Y 5x3", "y5x3", 0xFFFFFF, true, 7, 1, 1, true },
} };

bool equalIgnoringCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size()
        && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

} // namespace

const PixelFormatInfo& formatInfo(PixelFormat format)
{
    return Formats[static_cast<std::size_t>(formatIndex(format))];
}

std::optional<PixelFormat> pixelFormatFromIndex(int index)
{
    if (index < 0 || index >= PixelFormatCount)
        return std::nullopt;
    return static_cast<PixelFormat>(index);
}

std::optional<PixelFormat> parsePixelFormat(std::string_view text)
{
    if (text.size() == 1 && text[0] >= '0' && text[0] <= '7')
        return static_cast<PixelFormat>(text[0] - '0');
    for (const auto& info : Formats) {
        if (equalIgnoringCase(text, info.name) || equalIgnoringCase(text, info.shortName))
            return info.format;
    }
    return std::nullopt;
}

std::uint32_t reductionMask(int index)
{
    const auto format = pixelFormatFromIndex(index);
    return format ? formatInfo(*format).reductionMask : 0u;
}

} // namespace rasterkit
