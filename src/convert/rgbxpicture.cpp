#include "rgbxpicture.h"

#include <cstdlib>
#include <cstring>

namespace rasterkit {

RgbxPicture RgbxPicture::allocate(int width, int height)
{
    if (width <= 0 || height <= 0)
        return {};
    const std::ptrdiff_t bytesPerLine = std::ptrdiff_t(width) * 4;
    void* block = std::malloc(static_cast<std::size_t>(bytesPerLine) * static_cast<std::size_t>(height));
    if (block == nullptr)
        return {};
    return RgbxPicture(std::shared_ptr<void>(block, std::free), static_cast<std::uint8_t*>(block), width, height,
        bytesPerLine);
}

std::uint32_t RgbxPicture::pixel(int x, int y) const
{
    const std::uint8_t* at = constScanLine(y) + std::ptrdiff_t(x) * 4;
    return 0xFF000000u | std::uint32_t(at[0]) << 16 | std::uint32_t(at[1]) << 8 | at[2];
}

void RgbxPicture::setPixel(int x, int y, std::uint32_t rgb)
{
    std::uint8_t* at = scanLine(y) + std::ptrdiff_t(x) * 4;
    at[0] = static_cast<std::uint8_t>(rgb >> 16);
    at[1] = static_cast<std::uint8_t>(rgb >> 8);
    at[2] = static_cast<std::uint8_t>(rgb);
    at[3] = 0xFF;
}

void RgbxPicture::fill(std::uint32_t rgb)
{
    for (int x = 0; x < m_width; ++x)
        setPixel(x, 0, rgb);
    for (int y = 1; y < m_height; ++y)
        std::memcpy(scanLine(y), constScanLine(0), std::size_t(m_width) * 4);
}

RgbxPicture RgbxPicture::region(int left, int top, int width, int height) const
{
    return RgbxPicture(m_owner, m_bits + top * m_bytesPerLine + std::ptrdiff_t(left) * 4, width, height, m_bytesPerLine);
}

RgbxPicture RgbxPicture::copy(int left, int top, int width, int height) const
{
    RgbxPicture part = allocate(width, height);
    for (int y = 0; y < part.height(); ++y)
        std::memcpy(part.scanLine(y), constScanLine(top + y) + std::ptrdiff_t(left) * 4, std::size_t(width) * 4);
    return part;
}

SourceImage RgbxPicture::view(std::int64_t left, std::int64_t top) const
{
    if (isNull())
        return {};
    return SourceImage { m_width, m_height, m_bits, m_bytesPerLine, left, top };
}

bool operator==(const RgbxPicture& first, const RgbxPicture& second)
{
    if (first.width() != second.width() || first.height() != second.height())
        return false;
    for (int y = 0; y < first.height(); ++y) {
        if (std::memcmp(first.constScanLine(y), second.constScanLine(y), std::size_t(first.width()) * 4) != 0)
            return false;
    }
    return true;
}

} // namespace rasterkit
