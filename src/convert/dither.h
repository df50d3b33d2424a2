#pragma once

#include "pixelformat.h"
#include "pixelgrid.h"

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

namespace rasterkit {

// How sampled colours are brought down to the levels a format can carry.
//
// The reduction itself stays each format's own (its row's Reduction): the
// colour formats keep the top bits of each channel (the reduction mask), the
// grey-sum format keeps a grey level 7..31. Dithering only decides, for each channel of each sample, whether it
// goes to the level just below the sampled value or to the one just above,
// so that over an area the levels average out to the sampled colour instead
// of all falling to the level below. Every value produced is one the format
// can carry, so the encoders, decoders and run-length rules are unchanged.
//
// Colour formats. A channel that keeps k bits has levels a step of
// q = 2^(8 - k) apart (8 for 5 bits, 4 for 6, 16 for 4, 32 for 3, 64 for 2):
// 0, q, 2q, ..., 256 - q. The level below a value is the value with the mask
// applied, the level above is q more, and the value lies a fraction
// (value - below) / q of the way up. Values from the top level 256 - q up to
// 255 have no level above: they stay at the top level, as without dithering.
//
// The grey-sum format. The grey sum of a colour (7 plus 4, 2, 1, 0.5, 0.25, 0.12, 0.06
// for channel bits 7..1, see GreyLevel) is rounded to the nearest level
// without dithering. Dithering takes the two whole levels around the sum
// instead and the sum's fraction between them, so the levels average to the
// sum itself; the rounding's own rule for halves (ties to even) plays no
// part. Two ends need care:
//   - The lowest level, 7, is black: the sum of black is exactly 7 and no
//     sum is lower, so black stays 7 and dithering never needs a level under
//     it. The darkest shades, sums 7 to 7.5 that all round to black, now mix
//     in some level 8.
//   - The top level, 31, is white, yet no sum reaches 31: white sums to
//     30.79. So the last step, from 30 to the largest sum 30.79, is
//     stretched over the whole step from 30 to 31: white (and every colour
//     that sums as white does, bit 0 being ignored) stays 31, and the share
//     of 31 among 30s still grows steadily with the sum.
//
// The rules common to both modes:
//   - A sample that lies exactly on a level (fraction 0) stays on it, so a
//     flat colour the format carries exactly, black and white included,
//     comes out flat, with its runs intact.
//   - A sample outside the picture (-1) is reduced as without dithering (it
//     holds the mask, or level 31) and takes no part in the dithering.
//
// Ordered: the fraction is compared with an 8 x 8 Bayer threshold matrix
// tiled over the grid from column 1, row 1 and scaled to the channel's step
// ((b + 0.5) / 64 of a step for matrix entry b = 0..63); above the threshold
// the sample goes to the level above. All channels of a sample share the
// threshold. A fraction f of a step goes up at 64 f of every 64 places,
// rounded to a whole number.
//
// Diffusion: Floyd-Steinberg error diffusion, in serpentine order (row 1
// left to right, row 2 right to left, and so on). Each channel's error, the
// sampled value plus the error it received less the level chosen, goes 7/16
// to the next sample in the row, 3/16, 5/16 and 1/16 to the samples below
// behind, below and below ahead; the part that would leave the grid is
// dropped. The level chosen is the one nearer to value plus received error
// (half way goes up); it is always one of the two levels around the value.
// Errors are whole numbers of 1/4096 of a step, so the result does not
// depend on the machine: a sample receives the exact weighted sum of its
// neighbours' errors, and its own error is rounded down once. That keeps
// every error from half a step below to just under half a step above, so a
// sample on a level, receiving less than half a step, always stays on it.
// Samples outside the picture neither take nor pass on error.
enum class Dither {
    None,      // the format's reduction alone, as the window does it
    Ordered,   // 8 x 8 Bayer matrix
    Diffusion, // Floyd-Steinberg, serpentine
    Atkinson,  // Atkinson's diffusion of six eighths, in raster order
};

inline constexpr std::array<Dither, 4> AllDithers { Dither::None, Dither::Ordered, Dither::Diffusion, Dither::Atkinson };

// "none", "ordered" or "diffusion".
std::string_view ditherName(Dither dither);
// The name as ditherName gives it, compared without regard to case.
std::optional<Dither> parseDither(std::string_view text);

namespace detail {

// One way of reducing rows: a format's levels with one dither mode.
class RowReduction {
public:
    virtual ~RowReduction() = default;
    virtual void reduceRow(int row, std::span<const std::int32_t> colours, std::span<std::int32_t> reduced) = 0;
};

} // namespace detail

// Brings sampled colours (0x00BBGGRR, or -1 outside the picture, as
// ColourSampler gives them) down to what a format's encoder reads: masked
// colours, or grey levels 7..31 for the grey-sum format, or for an indexed
// format colours of the level options' palette (see dither.cpp for how each
// mode brings samples into a palette; without one, the 5:6:5 colours). The
// formats that keep alpha take every colour as opaque (reduceColour); their
// samples' own alphas are put in afterwards (TransparencyRule,
// transparency.h). Their colours are dithered, their alphas never. One row at a time,
// rows in order from the top (diffusion carries its error from one row to
// the next), each row width samples long. With Dither::None every element
// is reduceColour of its sample.
class RowReducer {
public:
    RowReducer(PixelFormat format, Dither dither, int width, const LevelOptions& options = {});
    ~RowReducer();
    RowReducer(RowReducer&&) noexcept;
    RowReducer& operator=(RowReducer&&) noexcept;

    // row is 1-based; reduced has the size of colours.
    void reduceRow(int row, std::span<const std::int32_t> colours, std::span<std::int32_t> reduced);

private:
    std::unique_ptr<detail::RowReduction> m_reduction;
    ColourOrder m_colourOrder;
    bool m_colourThenAlpha; // each value takes alpha 255 beside its colour, or is 0 outside the picture
    std::vector<std::int32_t> m_ordered; // a row in the panel's colour order
};

// A whole grid of sampled colours reduced, row after row. An indexed format
// without a palette in the options takes the one chosen for these samples
// (paletteForSamples).
PixelGrid reduceColours(const PixelGrid& colours, PixelFormat format, Dither dither, const LevelOptions& options = {});

} // namespace rasterkit
