// The decode fuzz targets' pseudo-random batch for the replay (replay_main.cpp):
// plain noise, and valid files of random grids with one damage each. Any
// broken guarantee aborts inside the target with the input in hex.

#include "decode_fuzzer.h"
#include "replay.h"

#include "convert/encoders.h"
#include "convert/pixelformat.h"

#include <cstdio>
#include <random>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

struct Tally {
    long inputs = 0;
    long decoded = 0;

    void run(const Bytes& input)
    {
        // A buffer of exactly the input's length, so that the sanitizers
        // catch any read past its end.
        const Bytes exact(input.begin(), input.end());
        ++inputs;
        if (rasterkit::fuzz::checkDecoding(exact))
            ++decoded;
    }
};

// A random grid of values the format can hold, in runs of random lengths.
rasterkit::PixelGrid randomGrid(rasterkit::PixelFormat format, int width, int height, std::mt19937& random)
{
    const auto& info = rasterkit::formatInfo(format);
    rasterkit::PixelGrid grid(width, height);
    const auto values = grid.values();
    const int maxRun = 1 + static_cast<int>(random() % 300);
    std::size_t position = 0;
    while (position < values.size()) {
        const std::int32_t value = info.grey() ? static_cast<std::int32_t>(7 + random() % 25)
                                             : static_cast<std::int32_t>(random() & info.reductionMask());
        const std::size_t run = 1 + random() % static_cast<unsigned>(maxRun);
        for (std::size_t count = 0; count < run && position < values.size(); ++count)
            values[position++] = value;
    }
    return grid;
}

Bytes header(int formatIndex, int width, int height)
{
    return { static_cast<std::uint8_t>(formatIndex), static_cast<std::uint8_t>(width), static_cast<std::uint8_t>(height) };
}

// A valid file of a random grid with at most one damage: a changed byte, a
// cut, added bytes, a record split in two (still valid), or a wrong size.
Bytes damagedFile(std::mt19937& random)
{
    const int formatIndex = static_cast<int>(random() % rasterkit::PixelFormatCount);
    const auto format = static_cast<rasterkit::PixelFormat>(formatIndex);
    const auto& info = rasterkit::formatInfo(format);
    int width = 1 + static_cast<int>(random() % 24);
    int height = 1 + static_cast<int>(random() % 24);
    Bytes file = rasterkit::encode(format, randomGrid(format, width, height, random));
    const auto recordWidth = static_cast<std::size_t>(info.recordWidth);

    switch (random() % 8) {
    case 0: // untouched
        break;
    case 1: // one byte changed
        if (!file.empty())
            file[random() % file.size()] = static_cast<std::uint8_t>(random());
        break;
    case 2: // cut short
        file.resize(random() % (file.size() + 1));
        break;
    case 3: // bytes added
        for (unsigned count = 1 + random() % 4; count > 0; --count)
            file.push_back(static_cast<std::uint8_t>(random()));
        break;
    case 4: // a record repeated: too many pixels
        if (info.runLength() && !file.empty()) {
            const auto record = static_cast<std::ptrdiff_t>((random() % (file.size() / recordWidth)) * recordWidth);
            const Bytes copy(file.begin() + record, file.begin() + record + static_cast<std::ptrdiff_t>(recordWidth));
            file.insert(file.begin() + record, copy.begin(), copy.end());
        }
        break;
    case 5: // the claimed size off by one
        (random() % 2 ? width : height) += (random() % 2 ? 1 : -1);
        break;
    case 6: // a run record split into two of the same value: valid, not canonical
        if (info.runLength()) {
            for (std::size_t record = 0; record + recordWidth <= file.size(); record += recordWidth) {
                const std::size_t runAt = record + recordWidth - 1;
                // The run field is the low bits of the last byte (the only
                // byte for "Y 5x3"), as wide as the run limit.
                const auto runMask = static_cast<unsigned>(info.runLimit);
                const unsigned run = file[runAt] & runMask;
                if (run < 2)
                    continue;
                const unsigned first = 1 + static_cast<unsigned>(random() % (run - 1));
                Bytes second(file.begin() + static_cast<std::ptrdiff_t>(record),
                    file.begin() + static_cast<std::ptrdiff_t>(record + recordWidth));
                file[runAt] = static_cast<std::uint8_t>((file[runAt] & ~runMask) | first);
                const std::size_t secondRunAt = runAt - record;
                second[secondRunAt] = static_cast<std::uint8_t>((second[secondRunAt] & ~runMask) | (run - first));
                file.insert(file.begin() + static_cast<std::ptrdiff_t>(record + recordWidth), second.begin(), second.end());
                break;
            }
        }
        break;
    default: { // read as another format
        Bytes input = header((formatIndex + 1 + static_cast<int>(random() % 7)) % 8, width, height);
        input.insert(input.end(), file.begin(), file.end());
        return input;
    }
    }
    Bytes input = header(formatIndex, width, height);
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
            return static_cast<int>(rasterkit::fuzz::NegativeSizeByte);
        if (pick == 1)
            return static_cast<int>(rasterkit::fuzz::TooLargeSizeByte);
        if (pick == 2)
            return 0;
        return 1 + static_cast<int>(random() % 8);
    };
    Bytes input = header(static_cast<int>(random() % 256), sizeByte(), sizeByte());
    for (unsigned count = random() % 48; count > 0; --count)
        input.push_back(static_cast<std::uint8_t>(random()));
    return input;
}

} // namespace

bool rasterkit::fuzz::runRandomBatch(long count)
{
    Tally batch;
    std::mt19937 random(0x5EED);
    for (long index = 0; index < count; ++index)
        batch.run(index % 4 == 3 ? noise(random) : damagedFile(random));
    std::printf("random batch: %ld inputs, %ld decoded\n", batch.inputs, batch.decoded);
    // The batch must reach the checks made after a successful decode, or it
    // proves little.
    if (count >= 100 && batch.decoded < count / 10) {
        std::fprintf(stderr, "too few inputs of the random batch decoded\n");
        return false;
    }
    return true;
}
