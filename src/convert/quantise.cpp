// SPDX-License-Identifier: MIT
// Rasterkit's own colour quantiser (see quantise.h): written for this
// project, with no code from GPL quantisers.
#include "quantise.h"

#include <algorithm>
#include <array>
#include <numeric>

namespace rasterkit {

namespace {

constexpr std::size_t WordCount = std::size_t(1) << 16;

// A distinct 5:6:5 colour of the samples and how many samples have it.
struct Weighted {
    PalettePoint point; // samplePoint, in half steps
    std::uint64_t weight;
};

int channel(const PalettePoint& point, int axis)
{
    return axis == 0 ? point.red : axis == 1 ? point.green : point.blue;
}

// Weights and sums of a run of colours, and the squared error about their
// mean in each channel: sum of squares - sum^2 / weight.
struct Moments {
    double weight = 0;
    std::array<double, 3> sum {};
    std::array<double, 3> squares {};

    void add(const Weighted& colour)
    {
        const auto weight = static_cast<double>(colour.weight);
        this->weight += weight;
        for (int axis = 0; axis < 3; ++axis) {
            const auto value = static_cast<double>(channel(colour.point, axis));
            sum[std::size_t(axis)] += weight * value;
            squares[std::size_t(axis)] += weight * value * value;
        }
    }
    Moments minus(const Moments& part) const
    {
        Moments rest;
        rest.weight = weight - part.weight;
        for (std::size_t axis = 0; axis < 3; ++axis) {
            rest.sum[axis] = sum[axis] - part.sum[axis];
            rest.squares[axis] = squares[axis] - part.squares[axis];
        }
        return rest;
    }
    double error(int axis) const
    {
        const auto a = std::size_t(axis);
        return weight > 0 ? squares[a] - sum[a] * sum[a] / weight : 0.0;
    }
    double error() const { return error(0) + error(1) + error(2); }
};

struct Box {
    std::size_t begin;
    std::size_t end;
    Moments moments;
};

Moments momentsOf(std::span<const Weighted> colours)
{
    Moments moments;
    for (const Weighted& colour : colours)
        moments.add(colour);
    return moments;
}

// Splits the box in two at the place along its most varied channel that
// leaves the least squared error; false when it holds one colour.
bool splitBox(std::vector<Weighted>& colours, const Box& box, Box& first, Box& second)
{
    if (box.end - box.begin < 2)
        return false;
    int axis = 0;
    for (int candidate = 1; candidate < 3; ++candidate) {
        if (box.moments.error(candidate) > box.moments.error(axis))
            axis = candidate;
    }
    const auto begin = colours.begin() + static_cast<std::ptrdiff_t>(box.begin);
    const auto end = colours.begin() + static_cast<std::ptrdiff_t>(box.end);
    // Colours are distinct, so this order is total.
    std::sort(begin, end, [axis](const Weighted& a, const Weighted& b) {
        const int first = channel(a.point, axis);
        const int second = channel(b.point, axis);
        if (first != second)
            return first < second;
        if (a.point.red != b.point.red)
            return a.point.red < b.point.red;
        if (a.point.green != b.point.green)
            return a.point.green < b.point.green;
        return a.point.blue < b.point.blue;
    });
    Moments left;
    double bestError = 0;
    std::size_t bestAt = 0;
    for (std::size_t at = box.begin; at + 1 < box.end; ++at) {
        left.add(colours[at]);
        if (channel(colours[at].point, axis) == channel(colours[at + 1].point, axis))
            continue;
        const double error = left.error() + box.moments.minus(left).error();
        if (bestAt == 0 || error < bestError) {
            bestError = error;
            bestAt = at + 1;
        }
    }
    if (bestAt == 0)
        return false;
    const std::span<const Weighted> all(colours);
    first = { box.begin, bestAt, momentsOf(all.subspan(box.begin, bestAt - box.begin)) };
    second = { bestAt, box.end, box.moments.minus(first.moments) };
    return true;
}

std::vector<Box> medianCut(std::vector<Weighted>& colours, std::size_t entries)
{
    std::vector<Box> boxes { { 0, colours.size(), momentsOf(colours) } };
    std::vector<bool> whole(1, false); // boxes that cannot be split
    while (boxes.size() < entries) {
        std::size_t chosen = boxes.size();
        for (std::size_t index = 0; index < boxes.size(); ++index) {
            if (!whole[index] && (chosen == boxes.size() || boxes[index].moments.error() > boxes[chosen].moments.error()))
                chosen = index;
        }
        if (chosen == boxes.size())
            break;
        Box first {};
        Box second {};
        if (!splitBox(colours, boxes[chosen], first, second)) {
            whole[chosen] = true;
            continue;
        }
        boxes[chosen] = first;
        boxes.push_back(second);
        whole.push_back(false);
    }
    return boxes;
}

// Sixteenths of a half step: the unit the k-means means are kept in.
constexpr int Fine = 16;

PalettePoint finePoint(const PalettePoint& point)
{
    return { point.red * Fine, point.green * Fine, point.blue * Fine };
}

// The means of the colours given to each centre, rounded to fine units;
// a centre given none keeps its place and is listed in `empty`.
std::vector<PalettePoint> meansOf(std::span<const Weighted> colours, std::span<const std::uint32_t> assigned,
    std::span<const PalettePoint> centres, std::vector<std::size_t>& empty)
{
    struct Sums {
        std::uint64_t weight = 0;
        std::array<std::uint64_t, 3> sum {};
    };
    std::vector<Sums> sums(centres.size());
    for (std::size_t index = 0; index < colours.size(); ++index) {
        Sums& into = sums[assigned[index]];
        const std::uint64_t weight = colours[index].weight;
        into.weight += weight;
        for (int axis = 0; axis < 3; ++axis)
            into.sum[std::size_t(axis)] += weight * static_cast<std::uint64_t>(channel(colours[index].point, axis) * Fine);
    }
    std::vector<PalettePoint> means(centres.begin(), centres.end());
    empty.clear();
    for (std::size_t centre = 0; centre < centres.size(); ++centre) {
        const Sums& of = sums[centre];
        if (of.weight == 0) {
            empty.push_back(centre);
            continue;
        }
        const auto mean = [&of](std::size_t axis) { return static_cast<int>((of.sum[axis] + of.weight / 2) / of.weight); };
        means[centre] = { mean(0), mean(1), mean(2) };
    }
    return means;
}

// Assigns every colour to its nearest centre (fine units); returns how many
// changed centre, and fills each colour's count x squared distance.
std::size_t assign(std::span<const Weighted> colours, std::span<const PalettePoint> centres,
    std::vector<std::uint32_t>& assigned, std::vector<std::uint64_t>& errors)
{
    const NearestSearch search(centres);
    std::size_t changed = 0;
    for (std::size_t index = 0; index < colours.size(); ++index) {
        int distance = 0;
        const auto nearest = static_cast<std::uint32_t>(search.nearest(finePoint(colours[index].point), distance));
        changed += nearest != assigned[index] ? 1 : 0;
        assigned[index] = nearest;
        errors[index] = colours[index].weight * static_cast<std::uint64_t>(distance);
    }
    return changed;
}

// Each centre left without colours takes the colour served worst, which
// then counts as served.
void refill(std::span<const Weighted> colours, std::vector<PalettePoint>& centres, std::span<const std::size_t> empty,
    std::vector<std::uint64_t>& errors)
{
    for (const std::size_t centre : empty) {
        const auto worst = static_cast<std::size_t>(std::max_element(errors.begin(), errors.end()) - errors.begin());
        if (errors[worst] == 0)
            return;
        centres[centre] = finePoint(colours[worst].point);
        errors[worst] = 0;
    }
}

// The 5:6:5 colour nearest to a point in fine units: each channel rounded
// to its nearest level, a step of 8 (red, blue) or 4 (green) of 8 bits.
Colour nearestColour(const PalettePoint& point)
{
    const auto level = [](int value, int step) {
        const int unit = 2 * Fine * step; // fine units a level
        return static_cast<unsigned>(std::clamp((value + unit / 2) / unit * step, 0, 256 - step));
    };
    return makeColour(level(point.red, 8), level(point.green, 4), level(point.blue, 8));
}

std::vector<PalettePoint> fineEntryPoints(std::span<const Colour> entries)
{
    std::vector<PalettePoint> points;
    for (const Colour entry : entries)
        points.push_back(finePoint(entryPoint(entry)));
    return points;
}

} // namespace

ColourHistogram::ColourHistogram()
    : m_counts(WordCount, 0)
{
}

void ColourHistogram::add(Colour colour, std::uint64_t count)
{
    m_counts[paletteWord(colour & Rgb565Mask)] += count;
}

void ColourHistogram::merge(const ColourHistogram& other)
{
    for (std::size_t word = 0; word < WordCount; ++word)
        m_counts[word] += other.m_counts[word];
}

int ColourHistogram::distinctColours() const
{
    return static_cast<int>(std::count_if(m_counts.begin(), m_counts.end(), [](std::uint64_t count) { return count > 0; }));
}

std::uint64_t ColourHistogram::totalCount() const
{
    return std::accumulate(m_counts.begin(), m_counts.end(), std::uint64_t(0));
}

Palette choosePalette(const ColourHistogram& histogram, int entries)
{
    std::vector<Weighted> colours;
    Palette own;
    for (std::size_t word = 0; word < WordCount; ++word) {
        if (const std::uint64_t count = histogram.countOf(static_cast<std::uint16_t>(word)); count > 0) {
            const Colour colour = colourOfWord(static_cast<std::uint16_t>(word));
            colours.push_back({ samplePoint(colour), count });
            own.push_back(colour);
        }
    }
    if (entries <= 0)
        return {};
    // Few enough colours: all of them, exactly.
    if (colours.size() <= static_cast<std::size_t>(entries))
        return own;

    // Median cut, then k-means in fine units.
    std::vector<Weighted> boxed = colours;
    std::vector<PalettePoint> centres;
    for (const Box& box : medianCut(boxed, static_cast<std::size_t>(entries))) {
        const Moments& moments = box.moments;
        const auto mean = [&moments](std::size_t axis) {
            return static_cast<int>(moments.sum[axis] * Fine / moments.weight + 0.5);
        };
        centres.push_back({ mean(0), mean(1), mean(2) });
    }
    std::vector<std::uint32_t> assigned(colours.size(), std::uint32_t(-1));
    std::vector<std::uint64_t> errors(colours.size(), 0);
    std::vector<std::size_t> empty;
    for (int round = 0; round < KMeansRounds; ++round) {
        if (assign(colours, centres, assigned, errors) == 0 && round > 0)
            break;
        centres = meansOf(colours, assigned, centres, empty);
        refill(colours, centres, empty, errors);
    }

    // Onto 5:6:5 colours, settled by two rounds of assigning and rounding.
    Palette palette;
    for (int round = 0; round < 3; ++round) {
        palette.clear();
        for (const PalettePoint& centre : centres)
            palette.push_back(nearestColour(centre));
        if (round == 2)
            break;
        const std::vector<PalettePoint> points = fineEntryPoints(palette);
        assign(colours, points, assigned, errors);
        centres = meansOf(colours, assigned, points, empty);
        refill(colours, centres, empty, errors);
    }

    // Each colour once; places left to the colours served worst.
    std::sort(palette.begin(), palette.end(), [](Colour a, Colour b) { return paletteWord(a) < paletteWord(b); });
    palette.erase(std::unique(palette.begin(), palette.end()), palette.end());
    if (palette.size() < static_cast<std::size_t>(entries)) {
        assign(colours, fineEntryPoints(palette), assigned, errors);
        std::vector<std::size_t> order(colours.size());
        std::iota(order.begin(), order.end(), std::size_t(0));
        std::stable_sort(order.begin(), order.end(), [&errors](std::size_t a, std::size_t b) { return errors[a] > errors[b]; });
        for (const std::size_t index : order) {
            if (palette.size() == static_cast<std::size_t>(entries) || errors[index] == 0)
                break;
            palette.push_back(own[index]);
        }
        std::sort(palette.begin(), palette.end(), [](Colour a, Colour b) { return paletteWord(a) < paletteWord(b); });
    }
    return palette;
}

void countSamples(ColourHistogram& histogram, std::span<const std::int32_t> samples, ColourOrder order)
{
    for (const std::int32_t sample : samples)
        histogram.add(inColourOrder(static_cast<Colour>(sample), order));
}

Palette paletteForSamples(const PixelGrid& samples, PixelFormat format, ColourOrder order)
{
    ColourHistogram histogram;
    countSamples(histogram, samples.values(), order);
    return choosePalette(histogram, formatInfo(format).paletteEntries());
}

} // namespace rasterkit
