#include "dither.h"

#include "greylevel.h"
#include "names.h"
#include "pixelformat.h"

#include <algorithm>
#include <memory>
#include <vector>

namespace rasterkit {

namespace {

constexpr std::array<std::string_view, 3> DitherNames { "none", "ordered", "diffusion" };

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

template<typename Levels>
std::unique_ptr<detail::RowReduction> reductionWith(const Levels& levels, Dither dither, int width)
{
    switch (dither) {
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

RowReducer::RowReducer(PixelFormat format, Dither dither, int width)
{
    const PixelFormatInfo& info = formatInfo(format);
    switch (info.reduction) {
    case Reduction::TopBits:
        m_reduction = reductionWith(ColourLevels(info.reductionMask()), dither, width);
        return;
    case Reduction::GreySum:
        m_reduction = reductionWith(GreyLevels {}, dither, width);
        return;
    }
}

RowReducer::~RowReducer() = default;
RowReducer::RowReducer(RowReducer&&) noexcept = default;
RowReducer& RowReducer::operator=(RowReducer&&) noexcept = default;

void RowReducer::reduceRow(int row, std::span<const std::int32_t> colours, std::span<std::int32_t> reduced)
{
    m_reduction->reduceRow(row, colours, reduced);
}

PixelGrid reduceColours(const PixelGrid& colours, PixelFormat format, Dither dither)
{
    PixelGrid reduced(colours.width(), colours.height());
    RowReducer reducer(format, dither, colours.width());
    for (int row = 1; row <= reduced.height(); ++row)
        reducer.reduceRow(row, colours.row(row), reduced.row(row));
    return reduced;
}

} // namespace rasterkit
