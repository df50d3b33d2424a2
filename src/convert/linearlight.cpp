#include "linearlight.h"

#include <cmath>
#include <memory>

namespace rasterkit {

namespace {

double decodeSrgb(double encoded)
{
    return encoded <= 0.04045 ? encoded / 12.92 : std::pow((encoded + 0.055) / 1.055, 2.4);
}

double encodeSrgb(double linear)
{
    return linear <= 0.0031308 ? linear * 12.92 : 1.055 * std::pow(linear, 1.0 / 2.4) - 0.055;
}

std::unique_ptr<LinearLightTables> buildTables()
{
    auto tables = std::make_unique<LinearLightTables>();
    for (int value = 0; value < 256; ++value) {
        // nearbyint rounds to nearest, ties to even.
        tables->linearOfSrgb[static_cast<std::size_t>(value)]
            = static_cast<std::uint16_t>(std::nearbyint(LinearLightMaximum * decodeSrgb(value / 255.0)));
    }
    for (int linear = 0; linear <= LinearLightMaximum; ++linear) {
        tables->srgbOfLinear[static_cast<std::size_t>(linear)]
            = static_cast<std::uint8_t>(std::nearbyint(255.0 * encodeSrgb(linear / double(LinearLightMaximum))));
    }
    return tables;
}

} // namespace

const LinearLightTables& linearLightTables()
{
    static const std::unique_ptr<LinearLightTables> tables = buildTables();
    return *tables;
}

} // namespace rasterkit
