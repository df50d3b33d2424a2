#include "palette.h"

#include <algorithm>
#include <array>

namespace rasterkit {

NearestSearch::NearestSearch(std::span<const PalettePoint> entries)
{
    m_entries.reserve(entries.size());
    for (std::size_t index = 0; index < entries.size(); ++index)
        m_entries.push_back({ entries[index], static_cast<std::uint32_t>(index) });
    std::sort(m_entries.begin(), m_entries.end(), [](const Entry& a, const Entry& b) {
        return a.point.green != b.point.green ? a.point.green < b.point.green : a.index < b.index;
    });
}

std::size_t NearestSearch::nearest(const PalettePoint& point) const
{
    int distance = 0;
    return nearest(point, distance);
}

std::size_t NearestSearch::nearest(const PalettePoint& point, int& distance) const
{
    if (m_entries.empty()) {
        distance = 0;
        return 0;
    }
    // The first entry at or above the point's green; then outwards both ways
    // while the green difference alone leaves room for a nearer entry (or an
    // equally near one listed first).
    const auto start = std::partition_point(m_entries.begin(), m_entries.end(),
        [&point](const Entry& entry) { return entry.point.green < point.green; });
    int best = -1;
    std::uint32_t bestIndex = 0;
    const auto consider = [&](const Entry& entry) {
        const int found = squaredDistance(point, entry.point);
        if (best < 0 || found < best || (found == best && entry.index < bestIndex)) {
            best = found;
            bestIndex = entry.index;
        }
    };
    const auto reachable = [&](const Entry& entry) {
        const int green = entry.point.green - point.green;
        return best < 0 || green * green <= best;
    };
    auto up = start;
    auto down = start;
    bool upOpen = up != m_entries.end();
    bool downOpen = down != m_entries.begin();
    while (upOpen || downOpen) {
        if (upOpen) {
            if (reachable(*up)) {
                consider(*up);
                upOpen = ++up != m_entries.end();
            } else {
                upOpen = false;
            }
        }
        if (downOpen) {
            if (reachable(*(down - 1))) {
                consider(*(down - 1));
                downOpen = --down != m_entries.begin();
            } else {
                downOpen = false;
            }
        }
    }
    distance = best;
    return bestIndex;
}

namespace {

std::vector<PalettePoint> pointsOf(std::span<const Colour> palette, int scale)
{
    std::vector<PalettePoint> points;
    points.reserve(palette.size());
    for (const Colour colour : palette) {
        const PalettePoint point = entryPoint(colour);
        points.push_back({ point.red * scale, point.green * scale, point.blue * scale });
    }
    return points;
}

} // namespace

PaletteMatcher::PaletteMatcher(std::span<const Colour> palette)
    : m_palette(palette.begin(), palette.end())
    , m_search(pointsOf(palette, 1))
    , m_fineSearch(pointsOf(palette, 16))
    , m_indexOfWord(palette.empty() ? 0 : std::size_t(1) << 16, std::int16_t(-1))
{
}

std::size_t PaletteMatcher::indexOf(Colour sample)
{
    const Colour colour = sample & Rgb565Mask;
    std::int16_t& index = m_indexOfWord[paletteWord(colour)];
    if (index < 0) // the sample's own colour when the palette holds it (see nearestEntry)
        index = static_cast<std::int16_t>(m_search.nearest(samplePoint(colour)));
    return static_cast<std::size_t>(index);
}

Palette paletteOfColours(std::span<const std::int32_t> colours)
{
    std::vector<bool> seen(std::size_t(1) << 16);
    for (const std::int32_t colour : colours)
        seen[paletteWord(static_cast<Colour>(colour) & Rgb565Mask)] = true;
    Palette palette;
    for (std::size_t word = 0; word < seen.size(); ++word) {
        if (seen[word])
            palette.push_back(colourOfWord(static_cast<std::uint16_t>(word)));
    }
    return palette;
}

std::size_t entriesInUse(std::span<const Colour> entries)
{
    std::size_t used = entries.empty() ? 0 : 1;
    for (std::size_t index = 0; index < entries.size(); ++index) {
        if (entries[index] != 0)
            used = index + 1;
    }
    return used;
}

std::size_t indexableEntries(std::span<const Colour> entries)
{
    std::size_t indexable = entries.empty() ? 0 : 1;
    for (std::size_t index = 0; index < entries.size(); ++index) {
        if (entries[index] != 0)
            indexable = std::min(index + 2, entries.size());
    }
    return indexable;
}

} // namespace rasterkit
