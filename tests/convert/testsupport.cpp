#include "testsupport.h"

#include <algorithm>
#include <cassert>
#include <cctype>
#include <cstdio>
#include <stdexcept>

namespace rasterkit::test {

std::string toHex(const std::vector<std::uint8_t>& bytes)
{
    std::string text;
    char pair[4];
    for (std::size_t index = 0; index < bytes.size(); ++index) {
        std::snprintf(pair, sizeof pair, "%02X", static_cast<unsigned>(bytes[index]));
        if (index > 0)
            text += ' ';
        text += pair;
    }
    return text;
}

std::vector<std::uint8_t> fromHex(const std::string& text)
{
    std::vector<std::uint8_t> bytes;
    std::string digits;
    for (const char character : text) {
        if (std::isxdigit(static_cast<unsigned char>(character)))
            digits += character;
    }
    assert(digits.size() % 2 == 0);
    for (std::size_t index = 0; index + 1 < digits.size(); index += 2)
        bytes.push_back(static_cast<std::uint8_t>(std::stoi(digits.substr(index, 2), nullptr, 16)));
    return bytes;
}

PixelGrid gridOf(int width, int height, const std::vector<std::int32_t>& rasterValues)
{
    PixelGrid grid(width, height);
    assert(grid.values().size() == rasterValues.size());
    std::copy(rasterValues.begin(), rasterValues.end(), grid.values().begin());
    return grid;
}

PixelGrid filledGrid(int width, int height, std::int32_t value)
{
    PixelGrid grid(width, height);
    for (auto& element : grid.values())
        element = value;
    return grid;
}

std::int32_t validValue(PixelFormat format, std::uint32_t colour)
{
    const PixelFormatInfo& info = formatInfo(format);
    switch (info.reduction) {
    case Reduction::GreySum:
        return static_cast<std::int32_t>(7 + colour % 25);
    case Reduction::Luma:
    case Reduction::Threshold:
        return static_cast<std::int32_t>(colour % (1u << info.channelBits[0]));
    case Reduction::Alpha:
        return static_cast<std::int32_t>(colour & 0xFFu);
    case Reduction::TopBits:
    case Reduction::Palette:
        break;
    }
    if (info.layout == FormatLayout::ColourThenAlpha) {
        // The alpha in bits 24..31 beside the colour; a transparent pixel is 0.
        const std::uint32_t alpha = colour >> 24;
        return alpha == 0 ? 0 : static_cast<std::int32_t>((colour & info.reductionMask()) | (alpha << 24));
    }
    return static_cast<std::int32_t>(colour & info.reductionMask());
}

PixelGrid noEqualNeighboursGrid(PixelFormat format, int width, int height)
{
    // Three values that stay distinct under every mask (they differ in the top
    // bits of red and green), or three grey levels; one bit has two.
    const PixelFormatInfo& info = formatInfo(format);
    const bool grey = info.grey();
    const int levels = grey ? std::min(3, 1 << info.channelBits[0]) : info.paletteEntries() == 2 ? 2 : 3;
    const std::int32_t palette[3] = {
        grey ? validValue(format, 7) : validValue(format, 0x000000u),
        grey ? validValue(format, 19) : validValue(format, 0x408080u),
        grey ? validValue(format, 31) : validValue(format, 0xC0E0E0u),
    };
    PixelGrid grid(width, height);
    std::size_t index = 0;
    for (auto& element : grid.values())
        element = palette[index++ % static_cast<std::size_t>(levels)];
    return grid;
}

PixelGrid randomGrid(PixelFormat format, int width, int height, std::mt19937& random, int maxRun, int palette)
{
    std::vector<std::int32_t> values;
    const int entries = formatInfo(format).paletteEntries();
    for (int index = 0; index < (entries > 0 ? std::min(palette, entries) : palette); ++index)
        values.push_back(validValue(format, static_cast<std::uint32_t>(random())));
    PixelGrid grid(width, height);
    const auto cells = grid.values();
    std::size_t position = 0;
    while (position < cells.size()) {
        const std::int32_t value = values[random() % values.size()];
        const std::size_t run = maxRun > 1 ? 1 + random() % static_cast<unsigned>(maxRun) : 1;
        for (std::size_t count = 0; count < run && position < cells.size(); ++count)
            cells[position++] = value;
    }
    return grid;
}

std::vector<Run> maximalRuns(const PixelGrid& grid)
{
    std::vector<Run> runs;
    for (const std::int32_t value : grid.values()) {
        if (!runs.empty() && runs.back().value == value)
            ++runs.back().length;
        else
            runs.push_back({ value, 1 });
    }
    return runs;
}

namespace {

struct Channels {
    unsigned red;
    unsigned green;
    unsigned blue;
};

Channels channelsOf(std::int32_t value)
{
    const auto colour = static_cast<std::uint32_t>(value);
    return { colour & 0xFFu, (colour >> 8) & 0xFFu, (colour >> 16) & 0xFFu };
}

std::vector<std::uint8_t> wordBytes(unsigned word)
{
    return { static_cast<std::uint8_t>((word >> 8) & 0xFFu), static_cast<std::uint8_t>(word & 0xFFu) };
}

} // namespace

std::vector<std::uint8_t> referenceRecord(PixelFormat format, std::int32_t value, int runLength)
{
    const auto [red, green, blue] = channelsOf(value);
    const auto run = static_cast<unsigned>(runLength);
    const unsigned word565 = (red >> 3) << 11 | (green >> 2) << 5 | (blue >> 3);
    const unsigned byte332 = (red >> 5) << 5 | (green >> 5) << 2 | (blue >> 6);
    switch (format) {
    case PixelFormat::RGB565:
        return wordBytes(word565);
    case PixelFormat::RGB565x8: {
        auto bytes = wordBytes(word565);
        bytes.push_back(static_cast<std::uint8_t>(run));
        return bytes;
    }
    case PixelFormat::RGB544x3:
        return wordBytes((red >> 3) << 11 | (green >> 4) << 7 | (blue >> 4) << 3 | run);
    case PixelFormat::RGB444x4:
        return wordBytes((red >> 4) << 12 | (green >> 4) << 8 | (blue >> 4) << 4 | run);
    case PixelFormat::RGB333x7:
        return wordBytes((red >> 5) << 13 | (green >> 5) << 10 | (blue >> 5) << 7 | run);
    case PixelFormat::RGB332:
        return { static_cast<std::uint8_t>(byte332) };
    case PixelFormat::RGB332x8:
        return { static_cast<std::uint8_t>(byte332), static_cast<std::uint8_t>(run) };
    case PixelFormat::Y5x3:
        return { static_cast<std::uint8_t>(static_cast<unsigned>(value) * 8 + run) };
    case PixelFormat::RGB666:
        return { static_cast<std::uint8_t>(red & 0xFCu), static_cast<std::uint8_t>(green & 0xFCu),
            static_cast<std::uint8_t>(blue & 0xFCu) };
    case PixelFormat::RGB888:
        return { static_cast<std::uint8_t>(red), static_cast<std::uint8_t>(green), static_cast<std::uint8_t>(blue) };
    case PixelFormat::A8:
        return { static_cast<std::uint8_t>(value) };
    case PixelFormat::RGB565A8: // the colour word; the alpha bytes follow all the words
        return wordBytes(static_cast<std::uint32_t>(value) >> 24 == 0 ? 0 : word565);
    default:
        break;
    }
    throw std::logic_error("no records in this format");
}

namespace {

// The bit layouts as their description gives them: "mono" rows of
// ceil(W / 8) bytes, the leftmost pixel in bit 7; "mono-lsb" the same with
// the leftmost pixel in bit 0; "greyN" rows of ceil(W x N / 8) bytes, the
// leftmost pixel in the highest bits; "mono-pages" ceil(H / 8) pages of W
// bytes, byte x of page p holding pixel (x, 8p + k) in bit k.
std::vector<std::uint8_t> referenceBits(PixelFormat format, const PixelGrid& grid)
{
    const int width = grid.width();
    const int height = grid.height();
    if (format == PixelFormat::Mono1Pages) {
        std::vector<std::uint8_t> bytes(static_cast<std::size_t>(width * ((height + 7) / 8)), 0);
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                if (grid(x + 1, y + 1) & 1)
                    bytes[static_cast<std::size_t>((y / 8) * width + x)] |= static_cast<std::uint8_t>(1u << (y % 8));
            }
        }
        return bytes;
    }
    const int bits = format == PixelFormat::Grey2 ? 2 : format == PixelFormat::Grey4 ? 4 : format == PixelFormat::Grey8 ? 8 : 1;
    const int stride = (width * bits + 7) / 8;
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(stride * height), 0);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const unsigned value = static_cast<unsigned>(grid(x + 1, y + 1)) & ((1u << bits) - 1);
            // Bits of the row from its first byte's bit 7 downwards.
            for (int bit = 0; bit < bits; ++bit) {
                if (!(value & (1u << (bits - 1 - bit))))
                    continue;
                const int place = x * bits + bit; // 0: the row's first bit in the highest-first order
                const int byte = place / 8;
                const int shift = format == PixelFormat::Mono1Lsb ? place % 8 : 7 - place % 8;
                bytes[static_cast<std::size_t>(y * stride + byte)] |= static_cast<std::uint8_t>(1u << shift);
            }
        }
    }
    return bytes;
}

} // namespace

namespace {

unsigned word565Of(std::int32_t value)
{
    const auto [red, green, blue] = channelsOf(value);
    return (red >> 3) << 11 | (green >> 2) << 5 | (blue >> 3);
}

// "iN": the palette of the grid's colours by ascending word, 2^N words in
// all, then the index rows.
std::vector<std::uint8_t> referenceIndexed(int bits, const PixelGrid& grid)
{
    std::vector<unsigned> words;
    for (const std::int32_t value : grid.values())
        words.push_back(word565Of(value));
    std::sort(words.begin(), words.end());
    words.erase(std::unique(words.begin(), words.end()), words.end());
    std::vector<std::uint8_t> bytes;
    for (int entry = 0; entry < (1 << bits); ++entry) {
        const auto word = wordBytes(entry < int(words.size()) ? words[std::size_t(entry)] : 0);
        bytes.insert(bytes.end(), word.begin(), word.end());
    }
    const int stride = (grid.width() * bits + 7) / 8;
    for (int y = 1; y <= grid.height(); ++y) {
        std::vector<std::uint8_t> row(static_cast<std::size_t>(stride), 0);
        for (int x = 1; x <= grid.width(); ++x) {
            const auto index = static_cast<unsigned>(
                std::lower_bound(words.begin(), words.end(), word565Of(grid(x, y))) - words.begin());
            const int place = (x - 1) * bits;
            row[static_cast<std::size_t>(place / 8)] |= static_cast<std::uint8_t>(index << (8 - bits - place % 8));
        }
        bytes.insert(bytes.end(), row.begin(), row.end());
    }
    return bytes;
}

} // namespace

std::vector<std::uint8_t> referenceEncode(PixelFormat format, const PixelGrid& grid)
{
    std::vector<std::uint8_t> bytes;
    const auto& info = formatInfo(format);
    if (info.paletteEntries() > 0)
        return grid.isEmpty() ? bytes : referenceIndexed(info.bitsPerPixel, grid);
    if (info.layout == FormatLayout::PackedRows || info.layout == FormatLayout::Pages)
        return referenceBits(format, grid);
    if (info.layout == FormatLayout::ColourThenAlpha) {
        // Every pixel's colour word, then every pixel's alpha byte.
        for (const std::int32_t value : grid.values()) {
            const auto pixel = referenceRecord(format, value, 0);
            bytes.insert(bytes.end(), pixel.begin(), pixel.end());
        }
        for (const std::int32_t value : grid.values())
            bytes.push_back(static_cast<std::uint8_t>(static_cast<std::uint32_t>(value) >> 24));
        return bytes;
    }
    if (!info.runLength()) {
        for (const std::int32_t value : grid.values()) {
            const auto pixel = referenceRecord(format, value, 0);
            bytes.insert(bytes.end(), pixel.begin(), pixel.end());
        }
        return bytes;
    }
    for (const Run& run : maximalRuns(grid)) {
        for (std::int64_t left = run.length; left > 0; left -= info.runLimit) {
            const int length = static_cast<int>(std::min<std::int64_t>(left, info.runLimit));
            const auto record = referenceRecord(format, run.value, length);
            bytes.insert(bytes.end(), record.begin(), record.end());
        }
    }
    return bytes;
}

std::int64_t referenceEncodedSize(PixelFormat format, const PixelGrid& grid)
{
    const auto& info = formatInfo(format);
    const auto pixels = static_cast<std::int64_t>(grid.width()) * grid.height();
    if (info.paletteEntries() > 0)
        return 2 * info.paletteEntries() + (grid.width() * info.bitsPerPixel + 7) / 8 * std::int64_t(grid.height());
    if (info.layout == FormatLayout::PackedRows || info.layout == FormatLayout::Pages)
        return static_cast<std::int64_t>(referenceBits(format, grid).size());
    if (info.layout == FormatLayout::ColourThenAlpha)
        return pixels * (info.recordWidth + 1);
    if (!info.runLength())
        return pixels * info.recordWidth;
    std::int64_t records = 0;
    for (const Run& run : maximalRuns(grid))
        records += (run.length + info.runLimit - 1) / info.runLimit;
    return records * info.recordWidth;
}

std::string frameTestName(const FrameSettings& frame)
{
    // Numbers as words can hold them: "2_5" for 2.5, "Minus6" for -6.
    const auto number = [](double value) {
        char text[32];
        std::snprintf(text, sizeof text, "%g", value < 0 ? -value : value);
        std::string word = value < 0 ? "Minus" : "";
        for (const char* character = text; *character != '\0'; ++character)
            word += *character == '.' ? '_' : *character;
        return word;
    };
    std::string name = "W";
    name.append(number(frame.targetWidth)).append("H").append(number(frame.targetHeight));
    name.append("_Step").append(number(frame.sampleStep));
    name.append("_At").append(number(frame.frameLeft)).append("_").append(number(frame.frameTop));
    return name;
}

std::vector<PixelFormat> indexedFormats()
{
    std::vector<PixelFormat> formats;
    for (const PixelFormat format : AllPixelFormats) {
        if (formatInfo(format).paletteEntries() > 0)
            formats.push_back(format);
    }
    return formats;
}

std::vector<PixelFormat> formatsWithoutPalette()
{
    std::vector<PixelFormat> formats;
    for (const PixelFormat format : AllPixelFormats) {
        if (formatInfo(format).paletteEntries() == 0)
            formats.push_back(format);
    }
    return formats;
}

std::string formatTestName(PixelFormat format)
{
    // The listed name without spaces and colons: "RGB565x8", "Y5x3", "Mono1LSB".
    std::string name;
    for (const char character : formatInfo(format).name) {
        if ((character >= '0' && character <= '9') || (character >= 'a' && character <= 'z')
            || (character >= 'A' && character <= 'Z'))
            name += character;
    }
    return name;
}

} // namespace rasterkit::test

namespace rasterkit {

void PrintTo(PixelFormat format, std::ostream* out)
{
    *out << test::formatTestName(format);
}

void PrintTo(const PixelGrid& grid, std::ostream* out)
{
    *out << grid.width() << "x" << grid.height() << " grid";
    const auto values = grid.values();
    const std::size_t shown = std::min<std::size_t>(values.size(), 16);
    *out << " {";
    for (std::size_t index = 0; index < shown; ++index)
        *out << (index ? ", " : "") << std::hex << "0x" << values[index] << std::dec;
    if (shown < values.size())
        *out << ", ...";
    *out << "}";
}

} // namespace rasterkit
