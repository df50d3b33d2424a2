#pragma once

#include <array>
#include <cstdint>

namespace rasterkit {

// Light intensity on a linear scale: 0 is black, LinearLightMaximum is the
// full 8-bit channel value 255. Picture channels are sRGB-encoded, so twice
// the channel value is not twice the light; averaging pixels is done on this
// scale and the average encoded back, which keeps a thin bright line on a
// dark ground from going dark.
inline constexpr int LinearLightMaximum = 65535;

// The two conversions, built once on first use from the sRGB curve computed
// in double precision and rounded to nearest:
//   linear(v) = round(65535 x decode(v / 255)) for each 8-bit value v,
//   srgb(L)   = round(255 x encode(L / 65535)) for each linear value L,
// where decode(c) = c / 12.92 up to 0.04045, ((c + 0.055) / 1.055)^2.4 above,
// and encode is its inverse. The linear scale is fine enough that
// srgb(linear(v)) == v for every v, so a flat area averages to itself.
struct LinearLightTables {
    std::array<std::uint16_t, 256> linearOfSrgb;
    std::array<std::uint8_t, LinearLightMaximum + 1> srgbOfLinear;
};

const LinearLightTables& linearLightTables();

inline std::uint16_t linearFromSrgb(std::uint8_t channel) { return linearLightTables().linearOfSrgb[channel]; }
inline std::uint8_t srgbFromLinear(std::uint16_t linear) { return linearLightTables().srgbOfLinear[linear]; }

} // namespace rasterkit
