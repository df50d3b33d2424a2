#include "orientation.h"

#include "names.h"

namespace rasterkit {

namespace {

constexpr std::array<std::string_view, 4> RotationNames { "0", "90", "180", "270" };
constexpr std::array<std::string_view, 3> MirrorNames { "none", "horizontal", "vertical" };

} // namespace

std::string_view rotationName(Rotation rotation)
{
    return RotationNames[static_cast<std::size_t>(rotation)];
}

std::optional<Rotation> parseRotation(std::string_view text)
{
    return valueNamed(text, AllRotations, rotationName);
}

std::string_view mirrorName(Mirror mirror)
{
    return MirrorNames[static_cast<std::size_t>(mirror)];
}

std::optional<Mirror> parseMirror(std::string_view text)
{
    return valueNamed(text, AllMirrors, mirrorName);
}

Placement placementOf(const Orientation& orientation, int width, int height)
{
    // Mirrored first (a mirror reverses its axis), then turned clockwise about
    // the raster: at 90 degrees x runs down a column from the top right, at
    // 180 backwards along the last row, at 270 up a column from the bottom
    // left.
    const std::ptrdiff_t turnedWidth = orientation.swapsSides() ? height : width;
    Placement placement { 0, 1, turnedWidth };
    switch (orientation.rotation) {
    case Rotation::None:
        break;
    case Rotation::Quarter:
        placement = { turnedWidth - 1, turnedWidth, -1 };
        break;
    case Rotation::Half:
        placement = { std::ptrdiff_t(width) * height - 1, -1, -turnedWidth };
        break;
    case Rotation::ThreeQuarters:
        placement = { std::ptrdiff_t(width - 1) * turnedWidth, -turnedWidth, 1 };
        break;
    }
    if (orientation.mirror == Mirror::Horizontal) {
        placement.origin += (width - 1) * placement.stepX;
        placement.stepX = -placement.stepX;
    } else if (orientation.mirror == Mirror::Vertical) {
        placement.origin += (height - 1) * placement.stepY;
        placement.stepY = -placement.stepY;
    }
    return placement;
}

PixelGrid orient(const PixelGrid& grid, const Orientation& orientation)
{
    if (orientation.isIdentity() || grid.isEmpty())
        return grid;
    PixelGrid turned = orientation.swapsSides() ? PixelGrid(grid.height(), grid.width()) : PixelGrid(grid.width(), grid.height());
    const Placement placement = placementOf(orientation, grid.width(), grid.height());
    for (int row = 1; row <= grid.height(); ++row)
        placement.place(grid.row(row), row - 1, turned.values().data());
    return turned;
}

} // namespace rasterkit
