#include "devicecheck.h"

#include "convert/animation.h"
#include "convert/decoders.h"
#include "convert/greylevel.h"
#include "rasterkit_decode.h"

#include <algorithm>
#include <bit>
#include <limits>
#include <string>
#include <utility>

namespace rasterkit::devicecheck {

int indexBits(PixelFormat format)
{
    const int number = formatIndex(format);
    return number >= RK_I1 && number <= RK_I8 ? 1 << (number - RK_I1) : 0;
}

std::string shortName(PixelFormat format)
{
    static constexpr const char* LayoutNames[] = { "i1", "i2", "i4", "i8", "a8", "rgb565a8" };
    if (isLayoutFormat(format))
        return LayoutNames[formatIndex(format) - FirstLayoutFormat];
    return std::string(formatInfo(format).shortName);
}

std::vector<std::uint8_t> swapUnits(PixelFormat format, std::span<const std::uint8_t> bytes, int width, int height)
{
    std::vector<std::uint8_t> swapped(bytes.begin(), bytes.end());
    std::size_t wordsEnd = swapped.size(); // the words lie in [0, wordsEnd), recordWidth bytes apart
    std::size_t recordWidth = 2;
    if (isLayoutFormat(format)) {
        const std::size_t pixels = width > 0 && height > 0 ? static_cast<std::size_t>(width) * static_cast<std::size_t>(height) : 0;
        const int bits = indexBits(format);
        const std::size_t words = bits != 0 ? std::size_t(1) << bits : formatIndex(format) == RK_RGB565A8 ? pixels : 0;
        wordsEnd = std::min(wordsEnd, 2 * words);
    } else if (format == PixelFormat::RGB332 || format == PixelFormat::RGB332x8 || format == PixelFormat::Y5x3) {
        wordsEnd = 0;
    } else {
        recordWidth = static_cast<std::size_t>(formatInfo(format).recordWidth); // the word comes first in every record
    }
    for (std::size_t offset = 0; offset + 2 <= wordsEnd; offset += recordWidth)
        std::swap(swapped[offset], swapped[offset + 1]);
    return swapped;
}

std::uint16_t widened(PixelFormat format, std::int32_t value)
{
    const auto& info = formatInfo(format);
    const std::uint32_t colour = info.grey() ? greyPreviewColour(value) : static_cast<std::uint32_t>(value);
    const auto channel = [&](int shift, int wanted) {
        const int kept = info.grey() ? 8 : std::popcount((info.reductionMask() >> shift) & 0xFFu);
        const unsigned bits = ((colour >> shift) & 0xFFu) >> (8 - kept);
        std::string pattern; // the kept bits, most significant first, repeated to 8 digits
        while (pattern.size() < 8) {
            for (int bit = kept - 1; bit >= 0; --bit)
                pattern += ((bits >> bit) & 1u) ? '1' : '0';
        }
        return static_cast<unsigned>(std::stoul(pattern.substr(0, 8), nullptr, 2)) >> (8 - wanted);
    };
    return static_cast<std::uint16_t>(channel(0, 5) << 11 | channel(8, 6) << 5 | channel(16, 5));
}

Outcome coreOutcome(PixelFormat format, std::span<const std::uint8_t> bytes, int width, int height)
{
    static constexpr int Codes[] = { RK_DONE, RK_ERR_SIZE, RK_ERR_LENGTH, RK_ERR_TRUNCATED, RK_ERR_ZERO_RUN,
        RK_ERR_TOO_MANY, RK_ERR_TOO_FEW, RK_ERR_INDEX }; // by DecodeError
    static_assert(std::size(Codes) == static_cast<std::size_t>(DecodeError::PastPalette) + 1);
    const PixelFormatInfo& info = formatInfo(format);
    const DecodeResult result = decode(format, bytes, width, height);
    Outcome outcome { Codes[static_cast<int>(result.error)], result.offset, {}, {} };
    for (const std::int32_t value : result.grid.values()) {
        // "A 8" keeps no colour: the device hands out white. "RGB 5:6:5 A8"
        // keeps the alpha in a value's top byte.
        const auto alpha = static_cast<std::uint8_t>(static_cast<std::uint32_t>(value) >> 24);
        if (info.reduction == Reduction::Alpha) {
            outcome.pixels.push_back(0xFFFF);
            outcome.alphas.push_back(static_cast<std::uint8_t>(value));
        } else if (info.layout == FormatLayout::ColourThenAlpha) {
            outcome.pixels.push_back(widened(format, value & 0xFFFFFF));
            outcome.alphas.push_back(alpha);
        } else {
            outcome.pixels.push_back(widened(format, value));
            outcome.alphas.push_back(255);
        }
    }
    return outcome;
}

Outcome referenceOutcome(PixelFormat format, std::span<const std::uint8_t> bytes, int width, int height)
{
    return coreOutcome(format, bytes, width, height);
}

Outcome deviceOutcome(Way way, PixelFormat format, std::span<const std::uint8_t> bytes, int width, int height,
    int byteOrder)
{
    rk_decoder decoder;
    Outcome outcome;
    outcome.code = rk_decoder_init(&decoder, bytes.data(), bytes.size(), formatIndex(format),
        static_cast<std::uint16_t>(width), static_cast<std::uint16_t>(height), byteOrder);
    // Exactly as wide: the sanitizers see overruns.
    std::vector<std::uint16_t> row(static_cast<std::size_t>(width));
    std::vector<std::uint8_t> alphas(static_cast<std::size_t>(width));
    std::uint16_t colour = 0;
    std::uint32_t count = 0;
    bool runNext = way == Way::Runs || way == Way::Mixed;
    while (outcome.code == RK_OK) {
        if (runNext) {
            outcome.code = rk_decoder_run(&decoder, &colour, &count);
            if (outcome.code == RK_OK)
                outcome.pixels.insert(outcome.pixels.end(), count, colour);
        } else {
            const auto column = static_cast<std::ptrdiff_t>(outcome.pixels.size() % row.size());
            outcome.code = way == Way::AlphaRows ? rk_decoder_row_alpha(&decoder, row.data(), alphas.data())
                                                 : rk_decoder_row(&decoder, row.data());
            if (outcome.code == RK_OK) {
                outcome.pixels.insert(outcome.pixels.end(), row.begin() + column, row.end());
                if (way == Way::AlphaRows)
                    outcome.alphas.insert(outcome.alphas.end(), alphas.begin() + column, alphas.end());
            }
        }
        if (way == Way::Mixed)
            runNext = !runNext;
    }
    if (outcome.code != RK_DONE) {
        outcome.position = decoder.position;
        // A stopped decoder keeps saying why.
        std::uint16_t spare = 0;
        std::uint8_t spareAlpha = 0;
        if (rk_decoder_row(&decoder, row.empty() ? &spare : row.data()) != outcome.code
            || rk_decoder_row_alpha(&decoder, nullptr, alphas.empty() ? &spareAlpha : alphas.data()) != outcome.code
            || rk_decoder_run(&decoder, &colour, &count) != outcome.code)
            outcome.code = std::numeric_limits<int>::min();
    }
    return outcome;
}

std::string differences(PixelFormat format, std::span<const std::uint8_t> bigEndian, int width, int height)
{
    if (width < 0 || height < 0 || width > 0xFFFF || height > 0xFFFF)
        return {}; // the header cannot be given such a size
    Outcome expected = referenceOutcome(format, bigEndian, width, height);
    const bool coreRefusesSize = expected.code == RK_ERR_SIZE && width > 0 && height > 0;
    const std::vector<std::uint8_t> littleEndian = swapUnits(format, bigEndian, width, height);
    std::string report;
    for (const int byteOrder : { RK_BIG_ENDIAN, RK_LITTLE_ENDIAN }) {
        const auto bytes = byteOrder == RK_BIG_ENDIAN ? bigEndian : std::span<const std::uint8_t>(littleEndian);
        for (const Way way : { Way::AlphaRows, Way::Rows, Way::Runs, Way::Mixed }) {
            Outcome outcome = deviceOutcome(way, format, bytes, width, height, byteOrder);
            if (coreRefusesSize && way == Way::AlphaRows)
                expected = outcome; // the other ways must agree with the rows
            Outcome wanted = expected;
            if (way != Way::AlphaRows)
                wanted.alphas.clear(); // the colours alone
            if (formatInfo(format).layout == FormatLayout::ColourThenAlpha) {
                // A fully transparent pixel's colour never shows: the core
                // reads it as 0, the device as stored.
                Outcome& device = outcome;
                for (std::size_t pixel = 0; pixel < std::min(device.pixels.size(), expected.alphas.size()); ++pixel) {
                    if (expected.alphas[pixel] == 0)
                        device.pixels[pixel] = 0;
                }
            }
            if (outcome == wanted)
                continue;
            static constexpr const char* WayNames[] = { "rows", "runs", "runs and rows", "rows with alphas" };
            report += std::string(byteOrder == RK_BIG_ENDIAN ? "big-endian " : "little-endian ")
                + WayNames[static_cast<int>(way)] + ": " + rk_error_text(outcome.code) + " at byte "
                + std::to_string(outcome.position) + ", " + std::to_string(outcome.pixels.size()) + " pixels";
            if (outcome.pixels == wanted.pixels && outcome.alphas != wanted.alphas)
                report += " (other alphas)";
            report += "; expected: " + std::string(rk_error_text(wanted.code)) + " at byte "
                + std::to_string(wanted.position) + ", " + std::to_string(wanted.pixels.size()) + " pixels\n";
        }
    }
    return report;
}

std::vector<std::uint8_t> indexFile(PixelFormat format, const std::vector<std::uint16_t>& palette,
    const std::vector<std::uint8_t>& indices, int width, int height)
{
    const int bits = indexBits(format);
    const std::size_t entries = std::size_t(1) << bits;
    const std::size_t rowBytes = (static_cast<std::size_t>(width) * static_cast<std::size_t>(bits) + 7) / 8;
    std::vector<std::uint8_t> file(2 * entries + rowBytes * static_cast<std::size_t>(height), 0);
    for (std::size_t entry = 0; entry < palette.size() && entry < entries; ++entry) {
        file[2 * entry] = static_cast<std::uint8_t>(palette[entry] >> 8);
        file[2 * entry + 1] = static_cast<std::uint8_t>(palette[entry]);
    }
    for (std::size_t pixel = 0; pixel < indices.size(); ++pixel) {
        const std::size_t x = pixel % static_cast<std::size_t>(width), y = pixel / static_cast<std::size_t>(width);
        const std::size_t bit = x * static_cast<std::size_t>(bits);
        std::uint8_t& byte = file[2 * entries + y * rowBytes + bit / 8];
        byte = static_cast<std::uint8_t>(byte | indices[pixel] << (8 - bits - static_cast<int>(bit % 8)));
    }
    return file;
}

std::vector<std::uint8_t> alphaFile(PixelFormat format, const std::vector<std::uint16_t>& colours,
    const std::vector<std::uint8_t>& alphas)
{
    std::vector<std::uint8_t> file;
    if (formatIndex(format) == RK_RGB565A8) {
        for (const std::uint16_t colour : colours) {
            file.push_back(static_cast<std::uint8_t>(colour >> 8));
            file.push_back(static_cast<std::uint8_t>(colour));
        }
    }
    file.insert(file.end(), alphas.begin(), alphas.end());
    return file;
}

std::vector<std::uint8_t> randomLayoutFile(PixelFormat format, int width, int height, std::mt19937& random, int colours)
{
    const auto pixels = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
    if (const int bits = indexBits(format); bits != 0) {
        const auto used = static_cast<std::size_t>(std::clamp(colours, 1, 1 << bits));
        std::vector<std::uint16_t> palette;
        while (palette.size() < used) { // distinct colours, none black
            const auto colour = static_cast<std::uint16_t>(1 + random() % 0xFFFF);
            if (std::find(palette.begin(), palette.end(), colour) == palette.end())
                palette.push_back(colour);
        }
        switch (random() % 4) {
        case 0: // black last, where it looks like an unused entry
            palette.back() = 0;
            break;
        case 1: // black somewhere
            palette[random() % used] = 0;
            break;
        default:
            break;
        }
        std::vector<std::uint8_t> indices(pixels);
        for (std::uint8_t& index : indices)
            index = static_cast<std::uint8_t>(random() % used);
        return indexFile(format, palette, indices, width, height);
    }
    // Opaque and transparent stretches with a few soft pixels between.
    std::vector<std::uint16_t> pixelColours(pixels);
    std::vector<std::uint8_t> alphas(pixels);
    for (std::size_t pixel = 0; pixel < pixels; ++pixel) {
        const unsigned pick = random() % 8;
        alphas[pixel] = pick < 3 ? 0 : pick < 6 ? 255 : static_cast<std::uint8_t>(random());
        pixelColours[pixel] = alphas[pixel] == 0 ? 0 : static_cast<std::uint16_t>(random());
    }
    return alphaFile(format, pixelColours, alphas);
}

std::string animationDifferences(std::span<const std::uint8_t> file)
{
    static constexpr int Codes[] = { RK_OK, RK_ERR_CUT, RK_ERR_NOT_ANIMATION, RK_ERR_NOT_ANIMATION, RK_ERR_FORMAT,
        RK_ERR_SCREEN, RK_ERR_SCREEN, RK_ERR_RESERVED, RK_ERR_CUT, RK_ERR_RECTANGLE, RK_ERR_EMPTY_DATA, RK_ERR_CUT,
        0 /* the frame's decoder tells */, RK_ERR_TRAILING }; // by AnimationError
    static_assert(std::size(Codes) == static_cast<std::size_t>(AnimationError::TrailingBytes) + 1);
    std::vector<std::span<const std::uint8_t>> data;
    const AnimationReadResult core = readAnimation(file, [&data](int, const AnimationFrame&, std::span<const std::uint8_t> bytes, const PixelGrid&) {
        data.push_back(bytes);
        return true;
    });
    const Animation& animation = core.animation;
    // Where the frame at fault starts: after the header and every frame read.
    std::size_t record = AnimationHeaderBytes;
    for (const auto& bytes : data)
        record += AnimationRecordBytes + bytes.size();

    int expected = Codes[static_cast<int>(core.error)];
    if (core.error == AnimationError::FrameData) {
        const std::uint8_t* at = file.data() + record;
        const auto number16 = [at](int offset) { return at[offset] << 8 | at[offset + 1]; };
        const std::size_t size = std::size_t(at[12]) << 24 | std::size_t(at[13]) << 16 | std::size_t(number16(14));
        expected = coreOutcome(animation.format, file.subspan(record + AnimationRecordBytes, size), number16(4), number16(6)).code;
    }
    const int formatNumber = file.size() > 5 ? file[5] : -1;
    const bool unread = formatNumber >= 8 && formatNumber <= 15; // formats the header does not read
    if (unread && core.error != AnimationError::Short && core.error != AnimationError::NotAnimation
        && core.error != AnimationError::Version)
        expected = RK_ERR_FORMAT;

    rk_animation player;
    const int code = rk_animation_init(&player, file.data(), static_cast<std::uint32_t>(file.size()));
    std::string report;
    const auto differ = [&report](const std::string& what, long long actual, long long wanted) {
        if (actual != wanted)
            report += what + ": " + std::to_string(actual) + ", expected " + std::to_string(wanted) + "\n";
    };
    differ(std::string("the player's result (") + rk_error_text(code) + "; the core's: " + core.message() + ")", code, expected);
    if (code != RK_OK || expected != RK_OK) {
        if (code < 0 && core.frame >= 0 && expected != RK_ERR_FORMAT) {
            differ("the frame at fault", player.frame, core.frame);
            differ("its record's offset", player.position, static_cast<long long>(record));
        }
        if (code == RK_ERR_TRAILING)
            differ("where the bytes after the last frame start", player.position, static_cast<long long>(core.offset));
        rk_frame frame;
        differ("rk_animation_next after the error", rk_animation_next(&player, &frame), code);
        return report;
    }

    differ("the format", player.format, formatIndex(animation.format));
    differ("the width", player.width, animation.width);
    differ("the height", player.height, animation.height);
    differ("the frame count", player.frame_count, static_cast<long long>(animation.frames.size()));
    differ("the loop count", player.loops, animation.loops);
    // Every frame of two passes compared, then the rest counted (when that
    // takes less than about a million frames) up to RK_DONE.
    const std::size_t frames = animation.frames.size();
    const std::size_t passes = animation.loops == 0 ? 3 : static_cast<std::size_t>(animation.loops);
    const std::size_t compared = std::min<std::size_t>(passes, 2) * frames;
    const std::size_t played = passes * frames <= (std::size_t(1) << 20) ? passes * frames : compared;
    for (std::size_t index = 0; index < played && report.empty(); ++index) {
        rk_frame frame {};
        const std::string where = "pass " + std::to_string(index / frames) + ", frame " + std::to_string(index % frames);
        differ(where + ": rk_animation_next", rk_animation_next(&player, &frame), RK_OK);
        if (index >= compared)
            continue;
        const AnimationFrame& wanted = animation.frames[index % frames];
        const std::span<const std::uint8_t> bytes = data[index % frames];
        differ(where + ": x", frame.x, wanted.rectangle.x);
        differ(where + ": y", frame.y, wanted.rectangle.y);
        differ(where + ": width", frame.width, wanted.rectangle.width);
        differ(where + ": height", frame.height, wanted.rectangle.height);
        differ(where + ": delay", frame.delay, wanted.delay);
        differ(where + ": data's offset", frame.data - file.data(), bytes.data() - file.data());
        differ(where + ": data's size", frame.size, static_cast<long long>(bytes.size()));
    }
    if (report.empty() && played == passes * frames && animation.loops != 0) {
        rk_frame frame;
        differ("after the last pass", rk_animation_next(&player, &frame), RK_DONE);
        differ("and again", rk_animation_next(&player, &frame), RK_DONE);
    }
    return report;
}

} // namespace rasterkit::devicecheck
