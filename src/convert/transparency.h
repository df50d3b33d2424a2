#pragma once

// What a conversion does with the picture's transparency, where the format
// asks for it: the formats that keep alpha, and a transparent key colour for
// the formats of one 5:6:5 colour word a pixel or record.
//
// The formats that keep alpha. The alpha format holds each sample's alpha
// as sampled; its colour plays no part. The colour and alpha format holds the straight
// colour, reduced (and dithered) as the colour formats reduce theirs, beside
// the alpha as sampled; a fully transparent sample is 0 whole, and takes no
// part in dithering.
//
// The transparent key. A sample with alpha under 128 is written as the key
// colour's word, and takes no part in dithering. Every other sample is
// blended over the key's background (keyBackground), as pictures read
// without alpha are blended over theirs, then reduced (and dithered) as
// usual; if it comes out as the key's own word, its green moves one step
// (up, or down from the top level), so that it stays visible. Outside the
// picture is transparent: the key.

#include "reduceframe.h"

#include <cstdint>
#include <span>

namespace rasterkit {

// Alpha at or above this keeps a sample visible under a transparent key.
inline constexpr unsigned KeyAlphaThreshold = 128;

// The formats a transparent key is for: each pixel or record one 5:6:5 word
// of colour, no alpha.
constexpr bool takesTransparentKey(const PixelFormatInfo& info)
{
    return info.reduction == Reduction::TopBits && info.channelBits == std::array { 5, 6, 5 }
        && info.wordOffset == 0 && !info.keepsAlpha();
}

// What the grid holds for the key colour (0x00BBGGRR, in its true colours)
// in a format that takes it, and for an opaque sample that would reduce to
// the same: the key's value with green one step up, or down from the top.
std::int32_t keyValue(const PixelFormatInfo& info, Colour key, const LevelOptions& options);
std::int32_t besideKey(const PixelFormatInfo& info, std::int32_t keyValue);

// The rule for one request; it changes nothing unless the request keeps
// alpha (ReductionRequest::keepsAlpha).
class TransparencyRule {
public:
    explicit TransparencyRule(const ReductionRequest& request);

    // Before the reduction: the colour each sample is reduced from, given
    // the samples' colours (as ColourSampler gives them with alphas) and
    // alphas. A sample the format shows as transparent becomes
    // OutsideSample, which takes no part in dithering.
    void prepareRow(std::span<std::int32_t> colours, std::span<const std::uint8_t> alphas) const;
    // After it: the grid's values, from the reduced ones and the alphas.
    void finishRow(std::span<std::int32_t> reduced, std::span<const std::uint8_t> alphas) const;

private:
    enum class Mode { None, Alpha, ColourAndAlpha, Key };
    Mode m_mode = Mode::None;
    std::int32_t m_key = 0;
    std::int32_t m_besideKey = 0;
    Colour m_background = PreviewBackground;
};

// A whole sampled frame reduced for the request, as FrameReducer reduces it
// (the request's frame, filter and orientation play no part): the colours
// reduced as reduceColours does, then the transparency rule. A frame of
// another size than the request's gives an empty grid.
PixelGrid reduceSampledFrame(const SampledFrame& sampled, const ReductionRequest& request);

} // namespace rasterkit
