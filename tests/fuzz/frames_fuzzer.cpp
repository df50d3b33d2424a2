// Fuzz target for animated GIFs: the first bytes choose a format and a
// frame size, the rest is a GIF, read frame by frame and composed as
// convert --frames reads it. A refused GIF must say why, naming the file;
// one that is read must give as many frames as it says, each the screen's
// size. Its frames are reduced to the chosen format and stored twice, as
// whole frames and as the rectangles of what changed (--delta): both
// animation files must read back, every whole frame must decode to its
// grid, and drawing the changed rectangles in turn must rebuild every whole
// frame exactly. GIFs whose screen is larger than LargestScreen pixels are
// skipped: they would only measure memory.

#include "replay.h"

#include "convert/animation.h"
#include "convert/encoders.h"
#include "convert/reduceframe.h"
#include "platform/gifframes.h"
#include "platform/picturefile.h"

#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

using namespace rasterkit;

constexpr std::int64_t LargestScreen = 1 << 18;
constexpr std::size_t SettingsBytes = 3;

void check(bool holds, const char* what)
{
    if (!holds) {
        std::fprintf(stderr, "frames fuzzer: %s\n", what);
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < SettingsBytes + 10)
        return 0;
    const std::span<const std::uint8_t> gif(data + SettingsBytes, size - SettingsBytes);
    // The logical screen's size, as the GIF's header gives it.
    const std::int64_t screenWidth = gif[6] | (gif[7] << 8);
    const std::int64_t screenHeight = gif[8] | (gif[9] << 8);
    if (screenWidth * screenHeight > LargestScreen)
        return 0;

    ReductionRequest request;
    request.format = PixelFormats[data[0] % PixelFormats.size()].format;
    request.frame.targetWidth = 1 + data[1] % 48;
    request.frame.targetHeight = 1 + data[2] % 48;
    request.dither = data[1] & 0x80 ? Dither::Diffusion : Dither::None;
    const bool keepAlpha = request.keepsAlpha();

    std::vector<PixelGrid> grids;
    std::vector<int> delays;
    const AnimationLoadResult loaded = decodeGifFrames(gif, PictureBlending(0xFF336699u, keepAlpha),
        QStringLiteral("fuzz.gif"), [&](int index, const RgbxPicture& screen, int delay) {
            check(index == static_cast<int>(grids.size()), "the frames come in order");
            check(screen.width() == screenWidth && screen.height() == screenHeight, "each frame is the whole screen");
            check(delay >= 10 && delay <= MaximumAnimationNumber, "a delay within its field");
            grids.push_back(reduceFrame(sourceImageOf(screen, {}, keepAlpha), request));
            delays.push_back(delay);
        });
    if (!loaded.ok()) {
        check(!loaded.status.message().isEmpty() && loaded.status.message().contains(QStringLiteral("fuzz.gif")),
            "a refusal names the file");
        return 0;
    }
    check(loaded.frameCount == static_cast<int>(grids.size()) && loaded.frameCount > 0, "every frame was shown");
    check(loaded.still == (loaded.frameCount == 1), "one frame is a still picture");

    const RectangleEncoder encodeRectangle = [&](const PixelGrid& grid) { return encode(request.format, grid); };
    Animation whole { request.format, request.outputWidth(), request.outputHeight(), loaded.loops, {} };
    Animation delta = whole;
    for (std::size_t index = 0; index < grids.size(); ++index) {
        whole.frames.push_back(animationFrame(grids[index], nullptr, delays[index], encodeRectangle));
        delta.frames.push_back(
            animationFrame(grids[index], index > 0 ? &grids[index - 1] : nullptr, delays[index], encodeRectangle));
    }
    const OutputBytes wholeFile = animationFileBytes(whole);
    const OutputBytes deltaFile = animationFileBytes(delta);
    check(deltaFile.size() <= wholeFile.size(), "what changed takes no more than whole frames");

    std::vector<PixelGrid> wholeGrids;
    const AnimationReadResult readWhole = readAnimation(wholeFile,
        [&](int index, const AnimationFrame&, std::span<const std::uint8_t>, const PixelGrid& grid) {
            check(grid == grids[static_cast<std::size_t>(index)], "a whole frame decodes to its grid");
            wholeGrids.push_back(grid);
            return true;
        });
    check(readWhole.ok(), "whole frames read back");
    PixelGrid screen(delta.width, delta.height);
    std::size_t shown = 0;
    const AnimationReadResult readDelta = readAnimation(deltaFile,
        [&](int index, const AnimationFrame& record, std::span<const std::uint8_t>, const PixelGrid& grid) {
            if (!record.rectangle.isEmpty())
                drawRectangle(screen, grid, record.rectangle);
            check(screen == wholeGrids[static_cast<std::size_t>(index)], "what changed rebuilds the whole frame");
            ++shown;
            return true;
        });
    check(readDelta.ok() && shown == grids.size(), "every frame of what changed read back");
    return 0;
}
