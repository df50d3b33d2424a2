#include "pixelformat.h"

#include <algorithm>
#include <cctype>

namespace rasterkit {

namespace {

bool equalIgnoringCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size()
        && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

} // namespace

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
    for (const auto& info : PixelFormats) {
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
