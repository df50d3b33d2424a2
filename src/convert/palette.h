#pragma once

// The palettes of the indexed formats: up to 2^n 5:6:5 colours that the
// pixels of a file point into, and how a sample finds its palette colour.
//
// The grid of an indexed format holds colours, as the other colour formats'
// grids do, each one of its palette's: previews, quality figures and round
// trips need no palette. The palette travels beside the grid: into the
// encoder, which writes it before the index rows, and out of the decoder.

#include "colour.h"
#include "records.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace rasterkit {

// Palette colours are 5:6:5 colours (0x00BBGGRR with each channel's low
// 3, 2 and 3 bits 0). The order is the palette's: entry i is index i.
using Palette = std::vector<Colour>;

// The bits an 5:6:5 colour keeps of red, green and blue.
inline constexpr Colour Rgb565Mask = 0xF8FCF8u;

// The 16-bit word of an 5:6:5 colour (red in bits 15-11), and back.
constexpr std::uint16_t paletteWord(Colour colour)
{
    return static_cast<std::uint16_t>((Pack565High(colour) << 8) | Pack565Low(colour));
}

constexpr Colour colourOfWord(std::uint16_t word)
{
    return records::unpack565(static_cast<std::uint8_t>(word >> 8), static_cast<std::uint8_t>(word & 0xFFu));
}

// Where a sample stands when it is matched against palette colours, in half
// steps of an 8-bit channel (0..510): a 5:6:5 sample stands for the middle
// of the colours that reduce to it (its channels plus 3.5, 1.5 and 3.5),
// a palette colour for itself. Matching the middle rather than the reduced
// colour makes the palette as close as it can be to the colours sampled.
struct PalettePoint {
    int red = 0;
    int green = 0;
    int blue = 0;

    friend constexpr bool operator==(const PalettePoint&, const PalettePoint&) = default;
};

constexpr PalettePoint samplePoint(Colour sample)
{
    return { int(2 * redOf(sample) + 7), int(2 * greenOf(sample) + 3), int(2 * blueOf(sample) + 7) };
}

constexpr PalettePoint entryPoint(Colour entry)
{
    return { int(2 * redOf(entry)), int(2 * greenOf(entry)), int(2 * blueOf(entry)) };
}

constexpr int squaredDistance(const PalettePoint& a, const PalettePoint& b)
{
    return (a.red - b.red) * (a.red - b.red) + (a.green - b.green) * (a.green - b.green)
        + (a.blue - b.blue) * (a.blue - b.blue);
}

// The palette entry nearest to a 5:6:5 sample (the first of equally near
// ones), or 0 for an empty palette. A sample that is in the palette finds
// itself: the middle of its colours is nearer to it than to any other 5:6:5
// colour, in every channel.
constexpr std::size_t nearestEntry(std::span<const Colour> palette, Colour sample)
{
    const PalettePoint point = samplePoint(sample & Rgb565Mask);
    std::size_t nearest = 0;
    int best = -1;
    for (std::size_t index = 0; index < palette.size(); ++index) {
        const int distance = squaredDistance(point, entryPoint(palette[index]));
        if (best < 0 || distance < best) {
            best = distance;
            nearest = index;
        }
    }
    return nearest;
}

// Finds nearest palette entries quickly: the entries sorted by green, each
// search going outwards from the query's green until no entry further out
// can be nearer. Points and entries are in any one unit (a multiple of the
// half steps above); ties go to the entry listed first.
class NearestSearch {
public:
    NearestSearch() = default;
    explicit NearestSearch(std::span<const PalettePoint> entries);

    std::size_t size() const { return m_entries.size(); }
    // The index, in the list given, of the entry nearest to point; 0 when
    // there is none.
    std::size_t nearest(const PalettePoint& point) const;
    // The same with its squared distance.
    std::size_t nearest(const PalettePoint& point, int& distance) const;

private:
    struct Entry {
        PalettePoint point;
        std::uint32_t index;
    };
    std::vector<Entry> m_entries; // by green, then by index
};

// A palette's entries found for 5:6:5 samples: each sample colour is looked
// up once and kept, so a frame costs a search per distinct colour.
class PaletteMatcher {
public:
    explicit PaletteMatcher(std::span<const Colour> palette);

    const Palette& palette() const { return m_palette; }
    bool isEmpty() const { return m_palette.empty(); }
    // The index of the entry nearest to a sample (any colour: its 5:6:5
    // colour is taken), as nearestEntry finds it. The palette must not be
    // empty.
    std::size_t indexOf(Colour sample);
    Colour colourOf(Colour sample) { return m_palette[indexOf(sample)]; }
    // Whether the sample's 5:6:5 colour is itself an entry.
    bool holds(Colour sample) { return m_palette[indexOf(sample)] == (sample & Rgb565Mask); }
    // The entry nearest to a point in sixteenths of half steps (16 x the
    // points of samplePoint and entryPoint).
    std::size_t nearestToFine(const PalettePoint& point) const { return m_fineSearch.nearest(point); }

private:
    Palette m_palette;
    NearestSearch m_search;     // in half steps
    NearestSearch m_fineSearch; // in sixteenths of half steps
    std::vector<std::int16_t> m_indexOfWord; // by 5:6:5 word; -1 until looked up
};

// The distinct 5:6:5 colours of a list, in ascending order of their words:
// the palette of the colours a grid holds, or of a picture.
Palette paletteOfColours(std::span<const std::int32_t> colours);

// How many of a palette part's entries are in use: up to the last one that
// is not 0 (black), and at least the first. A palette written in ascending
// order of its words, as the chosen ones are, puts black first, so its
// entries past the colours in use, all 0, tell its size exactly.
std::size_t entriesInUse(std::span<const Colour> entries);

// How many of a palette part's entries an index may name in a file: those up
// to the last one that is not 0 and the one after it, which may be a black
// colour in use (a palette lists each colour once, so at most one black
// entry can follow the last one that is not 0); entry 0 of an all-zero
// palette. Files a palette of ours was written to never need the extra
// entry, others may; the device decoder checks indices by the same rule.
std::size_t indexableEntries(std::span<const Colour> entries);

} // namespace rasterkit
