#include "dither.h"

#include "greylevel.h"
#include "names.h"
#include "palette.h"
#include "pixelformat.h"
#include "quantise.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

namespace rasterkit {

namespace {

constexpr std::array<std::string_view, 4> DitherNames { "none", "ordered", "diffusion", "atkinson" };

// A step between two levels counts Unit units; half a step is Half.
constexpr int Unit = 4096;
constexpr int Half = Unit / 2;

// The 8 x 8 Bayer matrix, entries 0..63, built by the usual doubling:
// M(2n) = [4 M + 0, 4 M + 2; 4 M + 3, 4 M + 1].
constexpr auto BayerMatrix = [] {
    std::array<std::array<int, 8>, 8> matrix {};
    for (int size = 1; size < 8; size *= 2) {
        for (int row = 0; row < size; ++row) {
            for (int column = 0; column < size; ++column) {
                const int value = 4 * matrix[row][column];
                matrix[row][column] = value;
                matrix[row][column + size] = value + 2;
                matrix[row + size][column] = value + 3;
                matrix[row + size][column + size] = value + 1;
            }
        }
    }
    return matrix;
}();

// Matrix entry b as a threshold in units: (b + 0.5) / 64 of a step.
constexpr auto BayerThresholds = [] {
    std::array<std::array<int, 8>, 8> thresholds {};
    for (int row = 0; row < 8; ++row) {
        for (int column = 0; column < 8; ++column)
            thresholds[row][column] = BayerMatrix[row][column] * (Unit / 64) + Unit / 128;
    }
    return thresholds;
}();

// One sample split for dithering: the value with every channel at the level
// below, and how far up towards the level above each channel lies, in units.
template<int ChannelCount>
struct Split {
    std::int32_t below;
    std::array<int, ChannelCount> fraction;
};

// The three channels of a colour format, whose levels are the multiples of
// each channel's step.
class ColourLevels {
public:
    static constexpr int ChannelCount = 3;

    explicit ColourLevels(std::uint32_t mask)
        : m_mask(mask)
    {
        for (int channel = 0; channel < ChannelCount; ++channel) {
            const int shift = 8 * channel;
            const unsigned kept = (mask >> shift) & 0xFFu; // the top bits: 0xF8, 0xFC, ...
            const unsigned step = 256 - kept;
            m_steps[static_cast<std::size_t>(channel)] = static_cast<std::int32_t>(step << shift);
            auto& fractions = m_fractions[static_cast<std::size_t>(channel)];
            for (unsigned value = 0; value < 256; ++value) {
                const unsigned below = value & kept;
                // The top level has no level above it.
                fractions[value] = below == kept ? 0 : static_cast<std::uint16_t>((value - below) * Unit / step);
            }
        }
    }

    Split<ChannelCount> split(std::int32_t colour) const
    {
        const auto value = static_cast<std::uint32_t>(colour);
        return { static_cast<std::int32_t>(value & m_mask),
            { m_fractions[0][value & 0xFFu], m_fractions[1][(value >> 8) & 0xFFu], m_fractions[2][(value >> 16) & 0xFFu] } };
    }
    std::int32_t step(int channel) const { return m_steps[static_cast<std::size_t>(channel)]; }
    // Without dithering: the mask.
    std::int32_t plain(std::int32_t colour) const { return static_cast<std::int32_t>(static_cast<std::uint32_t>(colour) & m_mask); }

private:
    std::uint32_t m_mask;
    std::array<std::int32_t, ChannelCount> m_steps {};
    std::array<std::array<std::uint16_t, 256>, ChannelCount> m_fractions {};
};

// The one channel of the grey-sum format: the grey sum, kept in hundredths, between two
// whole levels. The last step, from 30 to the largest sum (30.79), counts as
// a whole step, so that the largest sum, white's, is level 31 exactly.
class GreyLevels {
public:
    static constexpr int ChannelCount = 1;

    GreyLevels()
        : m_table(table().data())
    {
    }

    Split<ChannelCount> split(std::int32_t colour) const
    {
        const Entry& entry = entryOf(colour);
        return { entry.below, { entry.fraction } };
    }
    static std::int32_t step(int) { return 1; }
    // Without dithering: the rounded grey level.
    static std::int32_t plain(std::int32_t colour) { return GreyLevel(static_cast<std::uint32_t>(colour) & 0xFFFFFFu); }

private:
    struct Entry {
        std::int32_t below;
        int fraction;
    };

    const Entry& entryOf(std::int32_t colour) const
    {
        const auto value = static_cast<std::uint32_t>(colour);
        return m_table[700 + detail::ChannelHundredths[value & 0xFFu] + detail::ChannelHundredths[(value >> 8) & 0xFFu]
            + detail::ChannelHundredths[(value >> 16) & 0xFFu]];
    }

    static const std::vector<Entry>& table()
    {
        static const std::vector<Entry> entries = [] {
            constexpr int largest = detail::MaximumHundredths;
            constexpr int lastStepStart = largest / 100 * 100;
            std::vector<Entry> built(static_cast<std::size_t>(largest) + 1);
            for (int hundredths = 0; hundredths <= largest; ++hundredths) {
                const bool lastStep = hundredths >= lastStepStart;
                const int stepSize = lastStep ? largest - lastStepStart : 100;
                const int into = hundredths - hundredths / 100 * 100;
                Entry entry { hundredths / 100, (2 * into * Unit + stepSize) / (2 * stepSize) }; // rounded
                if (entry.fraction >= Unit)
                    entry = { entry.below + 1, 0 };
                built[static_cast<std::size_t>(hundredths)] = entry;
            }
            return built;
        }();
        return entries;
    }

    const Entry* m_table;
};

// The one channel of a luma format: the luma 0..255 between two of the
// 2^bits levels, a step being 255 / (2^bits - 1) of luma. For one bit the
// threshold moves the luma first (by 128 - threshold, within 0..255), so that
// a luma at the threshold lies just above half a step, as it is lit without
// dithering; inverted, the levels count down from 1.
class LumaLevels {
public:
    static constexpr int ChannelCount = 1;

    LumaLevels(const PixelFormatInfo& info, const LevelOptions& options)
        : m_bits(info.mono() ? 1 : info.channelBits[0])
        , m_top((1 << m_bits) - 1)
        , m_shift(info.mono() ? 128 - options.threshold : 0)
        , m_threshold(info.mono() ? options.threshold : -1)
        , m_invert(info.mono() && options.invert)
    {
    }

    Split<ChannelCount> split(std::int32_t colour) const
    {
        const int luma = std::clamp(lumaOf(static_cast<std::uint32_t>(colour)) + m_shift, 0, 255);
        const int scaled = luma * m_top;
        const int below = scaled / 255;
        const int fraction = (scaled - below * 255) * Unit / 255;
        return { m_invert ? 1 - below : below, { fraction } };
    }
    std::int32_t step(int) const { return m_invert ? -1 : 1; }
    // Without dithering: the rounded level, or lit at the threshold.
    std::int32_t plain(std::int32_t colour) const
    {
        const int luma = lumaOf(static_cast<std::uint32_t>(colour));
        if (m_threshold < 0)
            return lumaLevel(luma, m_bits);
        return (luma >= m_threshold) != m_invert ? 1 : 0;
    }

private:
    int m_bits;
    int m_top;
    int m_shift;
    int m_threshold; // -1: levels, not a threshold
    bool m_invert;
};

// The alpha format's one level of a colour: opaque (255), or fully
// transparent (0) outside the picture. The samples' own alphas replace it
// where the picture has them (TransparencyRule); alphas are not dithered.
struct OpaqueLevels {
    static std::int32_t plain(std::int32_t colour) { return colour < 0 ? 0 : 255; }
};

// Samples outside the picture are -1; sampled colours have bits 24..31 clear.
bool isOutside(std::int32_t colour)
{
    return colour < 0;
}

// Without dithering: each sample on its own.
template<typename Levels>
class PlainRows final : public detail::RowReduction {
public:
    explicit PlainRows(const Levels& levels)
        : m_levels(levels)
    {
    }

    void reduceRow(int, std::span<const std::int32_t> in, std::span<std::int32_t> out) override
    {
        std::transform(in.begin(), in.end(), out.begin(), [this](std::int32_t colour) { return m_levels.plain(colour); });
    }

private:
    Levels m_levels;
};

template<typename Levels>
class OrderedRows final : public detail::RowReduction {
public:
    explicit OrderedRows(const Levels& levels)
        : m_levels(levels)
    {
    }

    void reduceRow(int row, std::span<const std::int32_t> in, std::span<std::int32_t> out) override
    {
        const auto& thresholds = BayerThresholds[static_cast<std::size_t>((row - 1) & 7)];
        for (std::size_t index = 0; index < in.size(); ++index) {
            const std::int32_t colour = in[index];
            if (isOutside(colour)) {
                out[index] = m_levels.plain(colour);
                continue;
            }
            const auto split = m_levels.split(colour);
            const int threshold = thresholds[index & 7];
            std::int32_t value = split.below;
            // Which way is as random as the picture: no branch.
            for (int channel = 0; channel < Levels::ChannelCount; ++channel)
                value += m_levels.step(channel) * static_cast<std::int32_t>(split.fraction[static_cast<std::size_t>(channel)] > threshold);
            out[index] = value;
        }
    }

private:
    Levels m_levels;
};

template<typename Levels>
class DiffusionRows final : public detail::RowReduction {
public:
    static constexpr int Channels = Levels::ChannelCount;

    // What each place receives from the row above, as sums of whole errors
    // times their sixteenths (so in 1/16 of a unit, with no rounding), per
    // channel, for this row and the next; one spare place at each end takes
    // the parts that leave the grid.
    DiffusionRows(const Levels& levels, int width)
        : m_levels(levels)
        , m_receivedHere(static_cast<std::size_t>((width + 2) * Channels))
        , m_receivedNext(m_receivedHere.size())
    {
    }

    void reduceRow(int row, std::span<const std::int32_t> in, std::span<std::int32_t> out) override
    {
        const auto width = static_cast<std::ptrdiff_t>(in.size());
        const int* const received = m_receivedHere.data() + Channels;
        int* const receivedBelow = m_receivedNext.data() + Channels;
        const bool leftToRight = (row & 1) == 1;
        const std::ptrdiff_t direction = leftToRight ? 1 : -1;

        // Per channel: the error of the sample before in the row (its 7/16
        // comes here), and the sums gathered so far for the places below
        // behind and below this sample.
        std::array<int, Channels> before {};
        std::array<int, Channels> belowBehind {};
        std::array<int, Channels> belowHere {};
        std::ptrdiff_t column = leftToRight ? 0 : width - 1;
        for (std::ptrdiff_t count = 0; count < width; ++count, column += direction) {
            const std::int32_t colour = in[static_cast<std::size_t>(column)];
            const int* const receivedAt = received + column * Channels;
            int* const behind = receivedBelow + (column - direction) * Channels;
            const bool outside = isOutside(colour);
            const auto split = m_levels.split(outside ? 0 : colour);
            std::int32_t value = split.below;
            for (int channel = 0; channel < Channels; ++channel) {
                const auto c = static_cast<std::size_t>(channel);
                // Outside the picture nothing is taken or passed on.
                const int wanted = outside ? 0 : 16 * split.fraction[c] + receivedAt[channel] + 7 * before[c];
                // Which way is as random as the picture: no branch.
                const int up = wanted >= 16 * Half ? 1 : 0;
                value += m_levels.step(channel) * up;
                // Rounded down to whole units. What a sample receives is a
                // weighted mean of errors in -Half..Half - 1, so the error
                // stays in that range, and a sample on a level (fraction 0)
                // never reaches half a step.
                const int error = (wanted - 16 * Unit * up) >> 4;
                before[c] = error;
                behind[channel] = belowBehind[c] + 3 * error;
                belowBehind[c] = belowHere[c] + 5 * error;
                belowHere[c] = error;
            }
            out[static_cast<std::size_t>(column)] = outside ? m_levels.plain(colour) : value;
        }
        // The place below the last sample; the one past it leaves the grid.
        int* const last = receivedBelow + (column - direction) * Channels;
        for (int channel = 0; channel < Channels; ++channel)
            last[channel] = belowBehind[static_cast<std::size_t>(channel)];
        std::swap(m_receivedHere, m_receivedNext);
    }

private:
    Levels m_levels;
    std::vector<int> m_receivedHere;
    std::vector<int> m_receivedNext;
};

// Atkinson's error diffusion, in raster order: an eighth of each channel's
// error goes to each of the next two samples in the row, the three below
// behind, below and below ahead, and the one two rows below; the other two
// eighths are dropped, which keeps flat areas clean and contrast high, the
// classic for one-bit screens. As with Floyd-Steinberg, errors are whole
// units, each sample receives the exact sum of its neighbours' eighths and
// rounds its own error down once; samples outside the picture neither take
// nor pass on error.
template<typename Levels>
class AtkinsonRows final : public detail::RowReduction {
public:
    static constexpr int Channels = Levels::ChannelCount;

    // Per place and channel, for this row and the two below, the sum of the
    // errors whose eighths it receives; a spare place left and two right take
    // the parts that leave the grid.
    AtkinsonRows(const Levels& levels, int width)
        : m_levels(levels)
        , m_places(static_cast<std::size_t>(width) + 3)
        , m_rows { std::vector<int>(m_places * Channels), std::vector<int>(m_places * Channels),
            std::vector<int>(m_places * Channels) }
    {
    }

    void reduceRow(int, std::span<const std::int32_t> in, std::span<std::int32_t> out) override
    {
        int* const here = m_rows[0].data() + Channels;
        int* const below = m_rows[1].data() + Channels;
        int* const twoBelow = m_rows[2].data() + Channels;
        for (std::size_t column = 0; column < in.size(); ++column) {
            const std::int32_t colour = in[column];
            const bool outside = isOutside(colour);
            const auto split = m_levels.split(outside ? 0 : colour);
            std::int32_t value = split.below;
            const auto at = static_cast<std::ptrdiff_t>(column) * Channels;
            for (int channel = 0; channel < Channels; ++channel) {
                const int wanted = outside ? 0 : 8 * split.fraction[static_cast<std::size_t>(channel)] + here[at + channel];
                const int up = wanted >= 8 * Half ? 1 : 0;
                value += m_levels.step(channel) * up;
                const int error = (wanted - 8 * Unit * up) >> 3;
                here[at + Channels + channel] += error;
                here[at + 2 * Channels + channel] += error;
                below[at - Channels + channel] += error;
                below[at + channel] += error;
                below[at + Channels + channel] += error;
                twoBelow[at + channel] += error;
            }
            out[column] = outside ? m_levels.plain(colour) : value;
        }
        std::rotate(m_rows.begin(), m_rows.begin() + 1, m_rows.end());
        std::fill(m_rows[2].begin(), m_rows[2].end(), 0);
    }

private:
    Levels m_levels;
    std::size_t m_places;
    std::array<std::vector<int>, 3> m_rows;
};

// Indexed formats: each sample is first reduced to 5:6:5, then brought into
// the palette. Without dithering it takes the nearest palette colour
// (nearestEntry). Dithering works on the 5:6:5 samples, in half steps of an
// 8-bit channel, with whole numbers only, and leaves a sample whose colour
// the palette holds as it is unless error diffusion has moved it, so a frame
// of palette colours is kept exactly in every mode.
//
// Ordered: a sample the palette does not hold is moved along the grey
// diagonal (all channels alike) by ((b + 0.5) / 64 - 0.5) of the palette's
// spread before the nearest colour is taken, b the 8 x 8 Bayer matrix's entry
// at its place; the spread is the mean distance from each palette colour to
// the nearest other one.
//
// Diffusion and Atkinson: the colour chosen is the one nearest to the
// sample's place moved by the error it received, each channel kept within
// 0..255, and the error of each channel, that place less the colour chosen,
// is spread over the neighbours as for the other formats. The place is the
// sample's own colour when the palette holds it, else the middle of the
// colours that reduce to it (samplePoint). Errors are whole half steps,
// received as exact weighted sums. Samples outside the picture take white's
// palette colour and neither take nor pass on error.
class PaletteRows : public detail::RowReduction {
public:
    explicit PaletteRows(const Palette& palette)
        : m_matcher(palette)
    {
    }

protected:
    // The palette colour nearest to the sample's place moved by the error
    // received (in sixteenths of half steps), each channel kept inside the
    // colour cube, and the error that leaves in half steps. The sample's
    // place is its own colour when the palette holds it, else the middle of
    // the colours that reduce to it (samplePoint).
    struct Choice {
        Colour colour;
        std::array<int, 3> error;
    };
    Choice choose(Colour sample, const std::array<int, 3>& received)
    {
        const Colour reduced = sample & Rgb565Mask;
        const PalettePoint place = m_matcher.holds(reduced) ? entryPoint(reduced) : samplePoint(reduced);
        const std::array<int, 3> places { place.red, place.green, place.blue };
        std::array<int, 3> wanted {};
        for (std::size_t c = 0; c < 3; ++c)
            wanted[c] = std::clamp(16 * places[c] + received[c], 0, 16 * 510);
        const Colour chosen = m_matcher.palette()[m_matcher.nearestToFine({ wanted[0], wanted[1], wanted[2] })];
        const PalettePoint at = entryPoint(chosen);
        const std::array<int, 3> ats { at.red, at.green, at.blue };
        Choice choice { chosen, {} };
        for (std::size_t c = 0; c < 3; ++c)
            choice.error[c] = (wanted[c] - 16 * ats[c]) >> 4;
        return choice;
    }

    PaletteMatcher m_matcher;
};

class PalettePlainRows final : public PaletteRows {
public:
    using PaletteRows::PaletteRows;

    void reduceRow(int, std::span<const std::int32_t> in, std::span<std::int32_t> out) override
    {
        for (std::size_t index = 0; index < in.size(); ++index)
            out[index] = static_cast<std::int32_t>(m_matcher.colourOf(static_cast<Colour>(in[index])));
    }
};

class PaletteOrderedRows final : public PaletteRows {
public:
    explicit PaletteOrderedRows(const Palette& palette)
        : PaletteRows(palette)
        , m_spread(spreadOf(palette))
    {
    }

    void reduceRow(int row, std::span<const std::int32_t> in, std::span<std::int32_t> out) override
    {
        const auto& matrixRow = BayerMatrix[static_cast<std::size_t>((row - 1) & 7)];
        for (std::size_t index = 0; index < in.size(); ++index) {
            const auto colour = static_cast<Colour>(in[index]);
            if (isOutside(in[index]) || m_matcher.holds(colour)) {
                out[index] = static_cast<std::int32_t>(m_matcher.colourOf(colour));
                continue;
            }
            // ((b + 0.5) / 64 - 0.5) x spread, in sixteenths of half steps.
            const int offset = (2 * matrixRow[index & 7] - 63) * m_spread / 8;
            const PalettePoint centre = samplePoint(colour & Rgb565Mask);
            const PalettePoint moved { 16 * centre.red + offset, 16 * centre.green + offset, 16 * centre.blue + offset };
            out[index] = static_cast<std::int32_t>(m_matcher.palette()[m_matcher.nearestToFine(moved)]);
        }
    }

private:
    // The mean distance from each palette colour to the nearest other one,
    // in half steps (0 for a palette of one colour).
    static int spreadOf(const Palette& palette)
    {
        if (palette.size() < 2)
            return 0;
        std::vector<PalettePoint> points;
        for (const Colour colour : palette)
            points.push_back(entryPoint(colour));
        std::int64_t total = 0;
        for (std::size_t index = 0; index < points.size(); ++index) {
            int nearest = -1;
            for (std::size_t other = 0; other < points.size(); ++other) {
                const int distance = squaredDistance(points[index], points[other]);
                if (other != index && (nearest < 0 || distance < nearest))
                    nearest = distance;
            }
            total += static_cast<std::int64_t>(std::sqrt(static_cast<double>(nearest)));
        }
        return static_cast<int>(total / static_cast<std::int64_t>(points.size()));
    }

    int m_spread;
};

// Floyd-Steinberg into the palette, serpentine, as DiffusionRows spreads it.
class PaletteDiffusionRows final : public PaletteRows {
public:
    PaletteDiffusionRows(const Palette& palette, int width)
        : PaletteRows(palette)
        , m_receivedHere(static_cast<std::size_t>((width + 2) * 3))
        , m_receivedNext(m_receivedHere.size())
    {
    }

    void reduceRow(int row, std::span<const std::int32_t> in, std::span<std::int32_t> out) override
    {
        const auto width = static_cast<std::ptrdiff_t>(in.size());
        const int* const received = m_receivedHere.data() + 3;
        int* const receivedBelow = m_receivedNext.data() + 3;
        const bool leftToRight = (row & 1) == 1;
        const std::ptrdiff_t direction = leftToRight ? 1 : -1;
        std::array<int, 3> before {};
        std::array<int, 3> belowBehind {};
        std::array<int, 3> belowHere {};
        std::ptrdiff_t column = leftToRight ? 0 : width - 1;
        for (std::ptrdiff_t count = 0; count < width; ++count, column += direction) {
            const std::int32_t colour = in[static_cast<std::size_t>(column)];
            const int* const receivedAt = received + column * 3;
            int* const behind = receivedBelow + (column - direction) * 3;
            std::array<int, 3> error {};
            if (isOutside(colour)) {
                out[static_cast<std::size_t>(column)] = static_cast<std::int32_t>(m_matcher.colourOf(static_cast<Colour>(colour)));
            } else {
                std::array<int, 3> wanted {};
                for (std::size_t c = 0; c < 3; ++c)
                    wanted[c] = receivedAt[c] + 7 * before[c];
                const Choice choice = choose(static_cast<Colour>(colour), wanted);
                out[static_cast<std::size_t>(column)] = static_cast<std::int32_t>(choice.colour);
                error = choice.error;
            }
            for (std::size_t c = 0; c < 3; ++c) {
                before[c] = error[c];
                behind[c] = belowBehind[c] + 3 * error[c];
                belowBehind[c] = belowHere[c] + 5 * error[c];
                belowHere[c] = error[c];
            }
        }
        int* const last = receivedBelow + (column - direction) * 3;
        for (std::size_t c = 0; c < 3; ++c)
            last[c] = belowBehind[c];
        std::swap(m_receivedHere, m_receivedNext);
    }

private:
    std::vector<int> m_receivedHere;
    std::vector<int> m_receivedNext;
};

// Atkinson's diffusion into the palette, as AtkinsonRows spreads it.
class PaletteAtkinsonRows final : public PaletteRows {
public:
    PaletteAtkinsonRows(const Palette& palette, int width)
        : PaletteRows(palette)
        , m_places(static_cast<std::size_t>(width) + 3)
        , m_rows { std::vector<int>(m_places * 3), std::vector<int>(m_places * 3), std::vector<int>(m_places * 3) }
    {
    }

    void reduceRow(int, std::span<const std::int32_t> in, std::span<std::int32_t> out) override
    {
        int* const here = m_rows[0].data() + 3;
        int* const below = m_rows[1].data() + 3;
        int* const twoBelow = m_rows[2].data() + 3;
        for (std::size_t column = 0; column < in.size(); ++column) {
            const std::int32_t colour = in[column];
            const auto at = static_cast<std::ptrdiff_t>(column) * 3;
            if (isOutside(colour)) {
                out[column] = static_cast<std::int32_t>(m_matcher.colourOf(static_cast<Colour>(colour)));
                continue;
            }
            // Eighths received, as sixteenths.
            const std::array<int, 3> wanted { 2 * here[at], 2 * here[at + 1], 2 * here[at + 2] };
            const Choice choice = choose(static_cast<Colour>(colour), wanted);
            out[column] = static_cast<std::int32_t>(choice.colour);
            for (std::ptrdiff_t c = 0; c < 3; ++c) {
                const int error = choice.error[static_cast<std::size_t>(c)];
                here[at + 3 + c] += error;
                here[at + 6 + c] += error;
                below[at - 3 + c] += error;
                below[at + c] += error;
                below[at + 3 + c] += error;
                twoBelow[at + c] += error;
            }
        }
        std::rotate(m_rows.begin(), m_rows.begin() + 1, m_rows.end());
        std::fill(m_rows[2].begin(), m_rows[2].end(), 0);
    }

private:
    std::size_t m_places;
    std::array<std::vector<int>, 3> m_rows;
};

std::unique_ptr<detail::RowReduction> paletteReduction(const Palette& palette, Dither dither, int width)
{
    switch (dither) {
    case Dither::Atkinson:
        return std::make_unique<PaletteAtkinsonRows>(palette, width);
    case Dither::Ordered:
        return std::make_unique<PaletteOrderedRows>(palette);
    case Dither::Diffusion:
        return std::make_unique<PaletteDiffusionRows>(palette, width);
    case Dither::None:
        break;
    }
    return std::make_unique<PalettePlainRows>(palette);
}

template<typename Levels>
std::unique_ptr<detail::RowReduction> reductionWith(const Levels& levels, Dither dither, int width)
{
    switch (dither) {
    case Dither::Atkinson:
        return std::make_unique<AtkinsonRows<Levels>>(levels, width);
    case Dither::Ordered:
        return std::make_unique<OrderedRows<Levels>>(levels);
    case Dither::Diffusion:
        return std::make_unique<DiffusionRows<Levels>>(levels, width);
    case Dither::None:
        break;
    }
    return std::make_unique<PlainRows<Levels>>(levels);
}

} // namespace

std::string_view ditherName(Dither dither)
{
    return DitherNames[static_cast<std::size_t>(dither)];
}

std::optional<Dither> parseDither(std::string_view text)
{
    return valueNamed(text, AllDithers, ditherName);
}

RowReducer::RowReducer(PixelFormat format, Dither dither, int width, const LevelOptions& options)
    : m_colourOrder(formatInfo(format).grey() ? ColourOrder::Rgb : options.colourOrder)
    , m_colourThenAlpha(formatInfo(format).layout == FormatLayout::ColourThenAlpha)
{
    const PixelFormatInfo& info = formatInfo(format);
    switch (info.reduction) {
    case Reduction::TopBits:
        m_reduction = reductionWith(ColourLevels(info.reductionMask()), dither, width);
        break;
    case Reduction::GreySum:
        m_reduction = reductionWith(GreyLevels {}, dither, width);
        break;
    case Reduction::Luma:
    case Reduction::Threshold:
        m_reduction = reductionWith(LumaLevels(info, options), dither, width);
        break;
    case Reduction::Palette:
        // Without a palette, the 5:6:5 colours themselves.
        if (options.palette.empty())
            m_reduction = reductionWith(ColourLevels(info.reductionMask()), Dither::None, width);
        else
            m_reduction = paletteReduction(options.palette, dither, width);
        break;
    case Reduction::Alpha:
        m_reduction = std::make_unique<PlainRows<OpaqueLevels>>(OpaqueLevels {});
        break;
    }
    if (m_colourOrder != ColourOrder::Rgb)
        m_ordered.resize(static_cast<std::size_t>(width));
}

RowReducer::~RowReducer() = default;
RowReducer::RowReducer(RowReducer&&) noexcept = default;
RowReducer& RowReducer::operator=(RowReducer&&) noexcept = default;

void RowReducer::reduceRow(int row, std::span<const std::int32_t> colours, std::span<std::int32_t> reduced)
{
    if (m_colourOrder == ColourOrder::Rgb) {
        m_reduction->reduceRow(row, colours, reduced);
    } else {
        // The panel's order first: the format then packs blue where red was.
        std::transform(colours.begin(), colours.end(), m_ordered.begin(), [this](std::int32_t colour) {
            return static_cast<std::int32_t>(inColourOrder(static_cast<Colour>(colour), m_colourOrder));
        });
        m_reduction->reduceRow(row, std::span(m_ordered).first(colours.size()), reduced);
    }
    // Beside the colour, the alpha of an opaque sample; outside the picture
    // nothing at all.
    if (m_colourThenAlpha) {
        for (std::size_t index = 0; index < colours.size(); ++index)
            reduced[index] = colours[index] < 0 ? 0 : static_cast<std::int32_t>(static_cast<std::uint32_t>(reduced[index]) | 0xFF000000u);
    }
}

PixelGrid reduceColours(const PixelGrid& colours, PixelFormat format, Dither dither, const LevelOptions& options)
{
    if (formatInfo(format).reduction == Reduction::Palette && options.palette.empty() && !colours.isEmpty()) {
        LevelOptions chosen = options;
        chosen.palette = paletteForSamples(colours, format, options.colourOrder);
        return reduceColours(colours, format, dither, chosen);
    }
    PixelGrid reduced(colours.width(), colours.height());
    RowReducer reducer(format, dither, colours.width(), options);
    for (int row = 1; row <= reduced.height(); ++row)
        reducer.reduceRow(row, colours.row(row), reduced.row(row));
    return reduced;
}

} // namespace rasterkit
