#pragma once

#include "sampling.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <utility>

namespace rasterkit {

// A picture held as four bytes a pixel, red, green, blue and 0xFF, rows top
// to bottom bytesPerLine apart: the layout of Qt's QImage::Format_RGBX8888,
// without Qt. Decoded pictures, previews and contact sheets are held so.
// Copies share the pixels; the last one to go frees them.
class RgbxPicture {
public:
    RgbxPicture() = default;

    // A new picture of width x height pixels, its bytes not yet set; a null
    // picture when a side is not positive or memory runs out.
    static RgbxPicture allocate(int width, int height);

    // The pixels at bits, which owner keeps alive (a malloc'd block, a
    // QImage, ...).
    RgbxPicture(std::shared_ptr<void> owner, std::uint8_t* bits, int width, int height, std::ptrdiff_t bytesPerLine)
        : m_owner(std::move(owner))
        , m_bits(bits)
        , m_width(width)
        , m_height(height)
        , m_bytesPerLine(bytesPerLine)
    {
    }

    bool isNull() const { return m_bits == nullptr; }
    int width() const { return m_width; }
    int height() const { return m_height; }
    std::ptrdiff_t bytesPerLine() const { return m_bytesPerLine; }

    std::uint8_t* scanLine(int y) { return m_bits + y * m_bytesPerLine; }
    const std::uint8_t* constScanLine(int y) const { return m_bits + y * m_bytesPerLine; }
    const std::uint8_t* constBits() const { return m_bits; }

    // Colours as 0xAARRGGBB, as Qt's QRgb: read with alpha 0xFF, written
    // with alpha ignored.
    std::uint32_t pixel(int x, int y) const;
    void setPixel(int x, int y, std::uint32_t rgb);
    void fill(std::uint32_t rgb);

    // The width x height pixels from (left, top), which must lie inside:
    // sharing this picture's pixels, or copied into a picture of their own
    // (null when memory runs out).
    RgbxPicture region(int left, int top, int width, int height) const;
    RgbxPicture copy(int left, int top, int width, int height) const;

    // A view for sampling, the first stored pixel being the picture's pixel
    // (left, top).
    SourceImage view(std::int64_t left = 0, std::int64_t top = 0) const;

    // The same size and the same colours.
    friend bool operator==(const RgbxPicture& first, const RgbxPicture& second);

private:
    std::shared_ptr<void> m_owner;
    std::uint8_t* m_bits = nullptr;
    int m_width = 0;
    int m_height = 0;
    std::ptrdiff_t m_bytesPerLine = 0;
};

} // namespace rasterkit
