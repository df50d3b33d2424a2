// The device decode target's pseudo-random batch for the replay
// (replay_main.cpp): valid files of every format the header reads with one
// damage each, and plain noise. The window's formats' files come from the
// core's encoders, the index and alpha formats' from their layouts
// (devicecheck). Any broken guarantee aborts inside the target with the
// input in hex.

#include "decode_fuzzer.h"
#include "devicecheck.h"
#include "replay.h"

#include "convert/encoders.h"
#include "convert/pixelformat.h"

#include <cstdio>
#include <random>
#include <vector>

namespace {

using namespace rasterkit;
using Bytes = std::vector<std::uint8_t>;

// A random file of the format: for the core's formats a grid of a few
// colours in runs, so that the run-length formats have runs to cut.
Bytes randomFile(PixelFormat format, int width, int height, std::mt19937& random)
{
    if (devicecheck::isLayoutFormat(format))
        return devicecheck::randomLayoutFile(format, width, height, random, 1 + static_cast<int>(random() % 40));
    std::vector<std::int32_t> colours;
    for (unsigned count = 1 + random() % 6; count > 0; --count)
        colours.push_back(reduceColour(format, static_cast<Colour>(random() & 0xFFFFFFu)));
    PixelGrid grid(width, height);
    const auto values = grid.values();
    for (std::size_t position = 0; position < values.size();) {
        const std::int32_t value = colours[random() % colours.size()];
        for (std::size_t run = 1 + random() % 300; run > 0 && position < values.size(); --run)
            values[position++] = value;
    }
    return encode(format, grid);
}

// A valid file with at most one damage: a changed byte, a cut, added bytes,
// a palette entry cleared (fewer entries in use), a wrong size, or read as
// another format.
Bytes damagedFile(std::mt19937& random)
{
    const std::size_t formats = devicecheck::DeviceFormats.size();
    std::size_t pick = random() % formats;
    const PixelFormat format = devicecheck::DeviceFormats[pick];
    int width = 1 + static_cast<int>(random() % 24);
    int height = 1 + static_cast<int>(random() % 24);
    Bytes file = randomFile(format, width, height, random);
    switch (random() % 7) {
    case 0: // untouched
        break;
    case 1: // one byte changed
        file[random() % file.size()] = static_cast<std::uint8_t>(random());
        break;
    case 2: // cut short
        file.resize(random() % (file.size() + 1));
        break;
    case 3: // bytes added
        for (unsigned count = 1 + random() % 4; count > 0; --count)
            file.push_back(static_cast<std::uint8_t>(random()));
        break;
    case 4: // a palette entry cleared
        if (const int bits = devicecheck::indexBits(format); bits != 0) {
            const std::size_t entry = random() % (std::size_t(1) << bits);
            file[2 * entry] = file[2 * entry + 1] = 0;
        }
        break;
    case 5: // the claimed size off by one
        (random() % 2 ? width : height) += (random() % 2 ? 1 : -1);
        break;
    default: // read as another format
        pick = (pick + 1 + random() % (formats - 1)) % formats;
        break;
    }
    Bytes input { static_cast<std::uint8_t>(pick), static_cast<std::uint8_t>(width), static_cast<std::uint8_t>(height) };
    input.insert(input.end(), file.begin(), file.end());
    return input;
}

// Random bytes after a random header with small sizes, or now and then one
// of the special size bytes.
Bytes noise(std::mt19937& random)
{
    const auto sizeByte = [&random] {
        const unsigned pick = random() % 16;
        if (pick == 0)
            return fuzz::NegativeSizeByte;
        if (pick == 1)
            return fuzz::TooLargeSizeByte;
        return static_cast<std::uint8_t>(random() % 9);
    };
    Bytes input { static_cast<std::uint8_t>(random()), sizeByte(), sizeByte() };
    for (unsigned count = random() % 48; count > 0; --count)
        input.push_back(static_cast<std::uint8_t>(random()));
    return input;
}

} // namespace

bool rasterkit::fuzz::runRandomBatch(long count)
{
    long decoded = 0;
    std::mt19937 random(0xDEC0DE);
    for (long index = 0; index < count; ++index) {
        // A buffer of exactly the input's length, so that the sanitizers
        // catch any read past its end.
        const Bytes input = index % 4 == 3 ? noise(random) : damagedFile(random);
        if (checkDecoding(input))
            ++decoded;
    }
    std::printf("random batch: %ld inputs, %ld decoded\n", count, decoded);
    // The batch must reach the checks made after a successful decode, or it
    // proves little.
    if (count >= 100 && decoded < count / 10) {
        std::fprintf(stderr, "too few inputs of the random batch decoded\n");
        return false;
    }
    return true;
}
