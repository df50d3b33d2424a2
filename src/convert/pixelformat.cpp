#include "pixelformat.h"

#include "names.h"

#include <algorithm>
#include <cctype>

namespace rasterkit {

bool equalIgnoringCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size()
        && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

std::string_view colourOrderName(ColourOrder order)
{
    return order == ColourOrder::Bgr ? "bgr" : "rgb";
}

std::optional<ColourOrder> parseColourOrder(std::string_view text)
{
    return valueNamed(text, AllColourOrders, colourOrderName);
}

std::optional<PixelFormat> pixelFormatFromIndex(int index)
{
    if (index < 0 || index >= PixelFormatCount)
        return std::nullopt;
    return PixelFormats[static_cast<std::size_t>(index)].format;
}

std::optional<PixelFormat> parsePixelFormat(std::string_view text)
{
    // An index: decimal digits without a leading zero ("0", "7", never "07").
    if (!text.empty() && text.size() <= 3 && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; })
        && (text.size() == 1 || text.front() != '0')) {
        int index = 0;
        for (const char digit : text)
            index = 10 * index + (digit - '0');
        return pixelFormatFromIndex(index);
    }
    if (const auto format = valueNamed(text, AllPixelFormats, [](PixelFormat f) { return formatInfo(f).name; }))
        return format;
    return valueNamed(text, AllPixelFormats, [](PixelFormat f) { return formatInfo(f).shortName; });
}

} // namespace rasterkit
