#pragma once

// Choosing a palette: the colours of the indexed formats, chosen for the
// samples of a frame (or of every frame of a batch) after their reduction
// to 5:6:5.
//
// Our own quantiser, written for this project and under its MIT licence:
// the well-kept quantising library of the field is GPL, so none of it is
// used. It is median cut by variance refined by k-means, the method of the
// best quantisers:
//
//  1. The samples are counted by 5:6:5 colour (ColourHistogram). A frame
//     with at most as many distinct colours as the palette holds keeps them
//     all: the palette is those colours and the frame is stored exactly.
//  2. Median cut: the distinct colours, weighted by their counts and placed
//     where samplePoint (palette.h) places them, start as one box; the box
//     with the largest squared error about its mean is split in two, along
//     the channel in which it varies most, at the place that leaves the two
//     halves the least squared error in all three channels; until there
//     are as many boxes as palette entries.
//  3. K-means: each box's mean is a palette colour; every distinct colour
//     goes to the nearest one and each palette colour moves to the mean of
//     its colours, until nothing moves (at most KMeansRounds rounds). A
//     palette colour left without colours takes the colour that is furthest
//     from its own (by count x squared distance).
//  4. The means are rounded to the nearest 5:6:5 colours, and two more
//     rounds of assigning and rounding settle them there; a colour that two
//     entries rounded to is kept once and the place given to the colour
//     served worst, as long as there are colours left.
//
// The palette comes out in ascending order of its 5:6:5 words. Everything is
// whole-number arithmetic except the squared errors that choose the splits,
// computed in double precision in one fixed order (the file is compiled
// without contracting multiplications and additions), so the palette is the
// same on every machine.

#include "palette.h"
#include "pixelformat.h"
#include "pixelgrid.h"

#include <cstdint>
#include <span>
#include <vector>

namespace rasterkit {

// How many 5:6:5 samples there are of each colour.
class ColourHistogram {
public:
    ColourHistogram();

    // Counts a 5:6:5 colour (its other bits are ignored) count times.
    void add(Colour colour, std::uint64_t count = 1);
    // Counts another histogram's samples too.
    void merge(const ColourHistogram& other);

    int distinctColours() const;
    std::uint64_t totalCount() const;
    // The count of a 5:6:5 word.
    std::uint64_t countOf(std::uint16_t word) const { return m_counts[word]; }

private:
    std::vector<std::uint64_t> m_counts; // by 5:6:5 word
};

// The most k-means rounds the quantiser makes.
inline constexpr int KMeansRounds = 12;

// A palette of at most `entries` colours for the samples counted, as above;
// empty for no samples. The colours of a histogram with at most `entries`
// distinct colours are that palette exactly.
Palette choosePalette(const ColourHistogram& histogram, int entries);

// Counts the samples of a frame (sampled colours, OutsideSample outside the
// picture) as an indexed format reduces them: in the panel's colour order,
// to 5:6:5 (a sample outside the picture as white).
void countSamples(ColourHistogram& histogram, std::span<const std::int32_t> samples, ColourOrder order);

// The palette an indexed format chooses for a frame's samples.
Palette paletteForSamples(const PixelGrid& samples, PixelFormat format, ColourOrder order);

} // namespace rasterkit
