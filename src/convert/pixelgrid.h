#pragma once

#include "limits.h"

#include <cassert>
#include <cstdint>
#include <span>
#include <vector>

namespace rasterkit {

constexpr bool isValidTargetSize(int width, int height)
{
    return width >= 1 && height >= 1 && width <= MaximumTargetSize && height <= MaximumTargetSize;
}

// The reduced picture: 32-bit signed values addressed (column, row), both
// 1-based, stored in raster order so that a scan reads them contiguously.
// Holds masked colours, or grey levels for a grey format.
class PixelGrid {
public:
    PixelGrid() = default;
    // Every element 0. A size outside 1..MaximumTargetSize gives an empty grid.
    PixelGrid(int width, int height)
    {
        if (isValidTargetSize(width, height)) {
            m_width = width;
            m_height = height;
            m_values.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), 0);
        }
    }

    int width() const { return m_width; }
    int height() const { return m_height; }
    bool isEmpty() const { return m_values.empty(); }

    std::int32_t& operator()(int column, int row) { return m_values[indexOf(column, row)]; }
    std::int32_t operator()(int column, int row) const { return m_values[indexOf(column, row)]; }

    std::span<std::int32_t> row(int row)
    {
        return std::span(m_values).subspan(indexOf(1, row), static_cast<std::size_t>(m_width));
    }
    std::span<const std::int32_t> row(int row) const
    {
        return std::span(m_values).subspan(indexOf(1, row), static_cast<std::size_t>(m_width));
    }

    // All values in raster order: row 1 first, each row from column 1.
    std::span<const std::int32_t> values() const { return m_values; }
    std::span<std::int32_t> values() { return m_values; }

    bool operator==(const PixelGrid&) const = default;

private:
    std::size_t indexOf(int column, int row) const
    {
        assert(column >= 1 && column <= m_width && row >= 1 && row <= m_height);
        return static_cast<std::size_t>(row - 1) * static_cast<std::size_t>(m_width)
            + static_cast<std::size_t>(column - 1);
    }

    int m_width = 0;
    int m_height = 0;
    std::vector<std::int32_t> m_values;
};

// The output file image of one conversion: index 0 is the first byte of the file.
using OutputBytes = std::vector<std::uint8_t>;

} // namespace rasterkit
