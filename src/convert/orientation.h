#pragma once

// Panels mounted turned or mirrored: the frame, taken from the picture as it
// stands, is mirrored, then turned clockwise, and the file holds the turned
// raster (at 90 and 270 degrees H pixels wide and W high).

#include "pixelgrid.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace rasterkit {

enum class Rotation { None, Quarter, Half, ThreeQuarters }; // 0, 90, 180 and 270 degrees clockwise
enum class Mirror { None, Horizontal, Vertical };          // left and right swap; top and bottom swap

inline constexpr std::array<Rotation, 4> AllRotations { Rotation::None, Rotation::Quarter, Rotation::Half,
    Rotation::ThreeQuarters };
inline constexpr std::array<Mirror, 3> AllMirrors { Mirror::None, Mirror::Horizontal, Mirror::Vertical };

// "0", "90", "180", "270"; "none", "horizontal", "vertical".
std::string_view rotationName(Rotation rotation);
std::optional<Rotation> parseRotation(std::string_view text);
std::string_view mirrorName(Mirror mirror);
std::optional<Mirror> parseMirror(std::string_view text);

struct Orientation {
    Rotation rotation = Rotation::None;
    Mirror mirror = Mirror::None;

    bool isIdentity() const { return rotation == Rotation::None && mirror == Mirror::None; }
    // Width and height swap at 90 and 270 degrees.
    bool swapsSides() const { return rotation == Rotation::Quarter || rotation == Rotation::ThreeQuarters; }
    friend bool operator==(const Orientation&, const Orientation&) = default;
};

// Where pixel (x, y) of a width x height frame, 0-based, lands in the raster
// mirrored, then turned: at origin + x * stepX + y * stepY, an index into
// the turned raster's values in raster order.
struct Placement {
    std::ptrdiff_t origin = 0;
    std::ptrdiff_t stepX = 1;
    std::ptrdiff_t stepY = 0;

    // Row y of the frame (0-based), copied to its places.
    void place(std::span<const std::int32_t> row, std::ptrdiff_t y, std::int32_t* raster) const
    {
        std::int32_t* const start = raster + origin + y * stepY;
        for (std::size_t x = 0; x < row.size(); ++x)
            start[static_cast<std::ptrdiff_t>(x) * stepX] = row[x];
    }
};
Placement placementOf(const Orientation& orientation, int width, int height);

// The grid mirrored, then turned.
PixelGrid orient(const PixelGrid& grid, const Orientation& orientation);

} // namespace rasterkit
