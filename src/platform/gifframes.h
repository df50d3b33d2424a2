#pragma once

// Every frame of an animated GIF, composed as a browser shows it. The frames
// are read through giflib (MIT), which hands out each frame's own pixels,
// rectangle, disposal and delay one frame at a time, so that the
// composition is the rule below and no more than two screens are held.
//
// Composition. The screen (the GIF's logical screen) starts transparent.
// Each frame draws its pixels but the transparent one into its rectangle;
// the screen is then shown for the frame's delay. Before the next frame is
// drawn the frame's disposal applies: none (0, 1) leaves the screen as it
// is; background (2) makes the frame's rectangle transparent; previous (3)
// brings back the screen as it was before the frame was drawn. An index
// past the colour table is its first colour.

#include "picturefile.h"

#include <functional>

namespace rasterkit {

// Called with each frame composed: the whole screen (straight alpha with
// keepAlpha, otherwise blended over the background) and the frame's delay
// in milliseconds: the GIF's hundredths times 10, 100 for 0 or 1
// hundredth as browsers show them, at most 65535.
using ComposedFrameVisitor = std::function<void(int index, const RgbxPicture& screen, int delay)>;

struct AnimationLoadResult {
    PictureLoadResult status; // ok(), or why the frames cannot be read; no picture in it
    int frameCount = 0;
    // How many times the animation is played, 0 for ever: one more than
    // the repeats its NETSCAPE2.0 block counts (0 there is for ever), as
    // browsers and ImageMagick's identify take it; 1 without the block.
    int loops = 1;
    bool still = false; // a picture with one frame
    bool ok() const { return status.ok(); }
};

// The frame delay in milliseconds for a GIF delay in hundredths of a second.
int gifDelay(int hundredths);

// The frames (image blocks) of a GIF, counted from its block structure
// alone, without decoding them: as many as are whole before the data ends
// or stops making sense.
int countGifFrames(std::span<const std::uint8_t> data);

// Whether the bytes start as a GIF does.
bool looksLikeGif(std::span<const std::uint8_t> bytes);

// Reads every frame of the GIF in data and hands each to the visitor as it
// is composed. A damaged frame, a frame outside the logical screen, or more
// frames than the limits allow (1 GiB decoded, MaximumAnimationFrames) stop
// the reading with a result naming the frame; the visitor has then seen the
// frames before it. Frames counted past the limits (countGifFrames) are
// refused before any is decoded.
AnimationLoadResult decodeGifFrames(std::span<const std::uint8_t> data, const PictureBlending& blending,
    const QString& shown, const ComposedFrameVisitor& visitor);

// Reads an animated picture from a file ("-": standard input) as loadPicture
// reads pictures: a GIF frame by frame, any other picture as one frame
// (still is then set), with the options' background, keepAlpha and reader.
AnimationLoadResult loadAnimatedPicture(const QString& path, const PictureLoadOptions& options,
    const ComposedFrameVisitor& visitor);

} // namespace rasterkit
