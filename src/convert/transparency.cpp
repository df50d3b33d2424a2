#include "transparency.h"

#include <algorithm>
#include <vector>

namespace rasterkit {

std::int32_t keyValue(const PixelFormatInfo& info, Colour key, const LevelOptions& options)
{
    return reduceColour(info, key & 0xFFFFFFu, options);
}

std::int32_t besideKey(const PixelFormatInfo& info, std::int32_t keyValue)
{
    const unsigned kept = (info.reductionMask() >> 8) & 0xFFu;
    const unsigned step = 256 - kept;
    const unsigned green = (static_cast<std::uint32_t>(keyValue) >> 8) & 0xFFu;
    const unsigned moved = green == kept ? green - step : green + step;
    return static_cast<std::int32_t>((static_cast<std::uint32_t>(keyValue) & ~0xFF00u) | (moved << 8));
}

TransparencyRule::TransparencyRule(const ReductionRequest& request)
{
    const PixelFormatInfo& info = formatInfo(request.format);
    if (info.reduction == Reduction::Alpha) {
        m_mode = Mode::Alpha;
    } else if (info.keepsAlpha()) {
        m_mode = Mode::ColourAndAlpha;
    } else if (request.transparentKey && takesTransparentKey(info)) {
        m_mode = Mode::Key;
        m_key = keyValue(info, *request.transparentKey, request.levels);
        m_besideKey = besideKey(info, m_key);
        m_background = request.keyBackground;
    }
}

void TransparencyRule::prepareRow(std::span<std::int32_t> colours, std::span<const std::uint8_t> alphas) const
{
    const std::size_t count = std::min(colours.size(), alphas.size());
    switch (m_mode) {
    case Mode::None:
    case Mode::Alpha:
        return;
    case Mode::ColourAndAlpha:
        for (std::size_t index = 0; index < count; ++index) {
            if (alphas[index] == 0)
                colours[index] = OutsideSample;
        }
        return;
    case Mode::Key:
        for (std::size_t index = 0; index < count; ++index) {
            const unsigned alpha = alphas[index];
            if (alpha < KeyAlphaThreshold)
                colours[index] = OutsideSample;
            else if (alpha < 255)
                colours[index] = static_cast<std::int32_t>(blendOver(static_cast<Colour>(colours[index]), alpha, m_background));
        }
        return;
    }
}

void TransparencyRule::finishRow(std::span<std::int32_t> reduced, std::span<const std::uint8_t> alphas) const
{
    const std::size_t count = std::min(reduced.size(), alphas.size());
    switch (m_mode) {
    case Mode::None:
        return;
    case Mode::Alpha:
        std::copy_n(alphas.begin(), count, reduced.begin());
        return;
    case Mode::ColourAndAlpha:
        for (std::size_t index = 0; index < count; ++index) {
            const std::uint32_t alpha = alphas[index];
            reduced[index] = alpha == 0
                ? 0
                : static_cast<std::int32_t>((static_cast<std::uint32_t>(reduced[index]) & 0xFFFFFFu) | (alpha << 24));
        }
        return;
    case Mode::Key:
        for (std::size_t index = 0; index < count; ++index) {
            if (alphas[index] < KeyAlphaThreshold)
                reduced[index] = m_key;
            else if (reduced[index] == m_key)
                reduced[index] = m_besideKey;
        }
        return;
    }
}

PixelGrid reduceSampledFrame(const SampledFrame& sampled, const ReductionRequest& request)
{
    const PixelGrid& colours = sampled.colours;
    if (colours.width() != request.frame.targetWidth || colours.height() != request.frame.targetHeight
        || sampled.alphas.size() != colours.values().size())
        return {};
    PixelGrid reduced(colours.width(), colours.height());
    RowReducer reducer(request.format, request.dither, colours.width(), request.levels);
    const TransparencyRule rule(request);
    const auto width = static_cast<std::size_t>(colours.width());
    std::vector<std::int32_t> row(width);
    for (int y = 1; y <= reduced.height(); ++y) {
        const auto alphas = std::span(sampled.alphas).subspan(width * static_cast<std::size_t>(y - 1), width);
        std::copy_n(colours.row(y).begin(), width, row.begin());
        rule.prepareRow(row, alphas);
        reducer.reduceRow(y, row, reduced.row(y));
        rule.finishRow(reduced.row(y), alphas);
    }
    return reduced;
}

} // namespace rasterkit
