#pragma once

// Animation files: every frame of an animation in one pixel format, laid out
// so that firmware can walk them without any other table. All the file's
// numbers are big-endian, whatever byte order the pixel data has:
//
//   file header, 16 bytes: the 4 bytes "RKAN", the version (1), the format's
//     index, width and height (16-bit each), the frame count (16-bit), the
//     loop count (16-bit: how many times the animation is played, 0 for
//     ever), two zero bytes;
//   each frame, 16 bytes: x, y, width and height of the frame's rectangle,
//     its delay in milliseconds (16-bit each), two zero bytes, the byte count
//     of its data (32-bit);
//   then the data: the rectangle encoded in the format as a picture of its
//     own (an indexed format's rectangle with its own palette).
//
// A rectangle of 0 x 0 has no data: what was shown stays shown for the
// frame's delay. Frames are drawn in order onto a screen that starts with
// every pixel 0; each rectangle lies inside the screen.

#include "byteorder.h"
#include "pixelformat.h"
#include "pixelgrid.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

namespace rasterkit {

inline constexpr std::uint8_t AnimationVersion = 1;
inline constexpr std::size_t AnimationHeaderBytes = 16;
inline constexpr std::size_t AnimationRecordBytes = 16;
inline constexpr char AnimationSignature[4] = { 'R', 'K', 'A', 'N' };
// The 16-bit fields' largest values.
inline constexpr int MaximumAnimationFrames = 65535;
inline constexpr int MaximumAnimationNumber = 65535;

// A part of a screen, in pixels from its top-left corner.
struct ScreenRectangle {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    bool isEmpty() const { return width == 0 || height == 0; }
    bool operator==(const ScreenRectangle&) const = default;
};

struct AnimationFrame {
    ScreenRectangle rectangle;
    int delay = 0; // milliseconds
    OutputBytes data; // the rectangle as a picture of its own; empty for 0 x 0
};

struct Animation {
    PixelFormat format = DefaultPixelFormat;
    int width = 0;
    int height = 0;
    int loops = 0; // 0: for ever
    std::vector<AnimationFrame> frames;
};

// The smallest rectangle holding every value of after that differs from
// before (0 x 0 when none does). Both grids are one size.
ScreenRectangle changedRectangle(const PixelGrid& before, const PixelGrid& after);

// The values of grid inside the rectangle, as a grid of their own.
PixelGrid gridPart(const PixelGrid& grid, const ScreenRectangle& rectangle);

// Encodes a grid as a picture of its own, in the animation's format, its
// palette and byte order as the caller chooses.
using RectangleEncoder = std::function<OutputBytes(const PixelGrid& grid)>;

// One frame of an animation: the whole screen, or with previous (the frame
// shown before it) only the rectangle of what changed.
AnimationFrame animationFrame(const PixelGrid& screen, const PixelGrid* previous, int delay,
    const RectangleEncoder& encode);

// The animation file's bytes. The caller keeps every number within its
// field: sizes within 1..65535, at most MaximumAnimationFrames frames,
// rectangles inside the screen, data of at most 4 GiB - 1 a frame.
OutputBytes animationFileBytes(const Animation& animation);

// The size animationFileBytes gives.
std::int64_t animationFileSize(const Animation& animation);

enum class AnimationError {
    None,
    Short,           // fewer bytes than the file header
    NotAnimation,    // not "RKAN"
    Version,         // a version other than 1
    UnknownFormat,   // the format index names no format
    InvalidSize,     // width or height outside 1..the largest frame size
    NoFrames,        // a frame count of 0
    Reserved,        // a reserved byte not 0
    ShortRecord,     // the data ends inside a frame's record
    OutsideScreen,   // a rectangle not inside the screen, or with one side 0 and not the other
    DataWithoutRectangle, // a 0 x 0 rectangle with data
    ShortData,       // the data ends inside a frame's data
    FrameData,       // a frame's data is not a picture of its rectangle's size (detail: why)
    TrailingBytes,   // bytes after the last frame
};

struct AnimationReadResult {
    // The header's numbers and, as far as read, the frames' records (their
    // data left empty: the visitor sees it).
    Animation animation;
    AnimationError error = AnimationError::None;
    std::size_t offset = 0; // the byte where the fault lies
    int frame = -1;         // the frame it lies in, from 0; -1 for the file header
    std::string detail;     // for FrameData: the decoder's message
    bool ok() const { return error == AnimationError::None; }
    // "frame 3: the data ends inside the frame's record (at byte 120)".
    std::string message() const;
};

// Called with each frame read, its data, and the grid the data decodes to
// (empty for a 0 x 0 rectangle); false stops reading (the result then tells
// no fault).
using AnimationFrameVisitor = std::function<bool(int index, const AnimationFrame& record,
    std::span<const std::uint8_t> data, const PixelGrid& grid)>;

// Reads an animation file whole: its header, every frame's record, and every
// frame's data decoded with its format's decoder, its pixel data in the
// byte order given. The visitor, when given, sees each frame as soon as it
// is checked. Never reads outside the bytes it is given.
AnimationReadResult readAnimation(std::span<const std::uint8_t> bytes, const AnimationFrameVisitor& visitor = {},
    ByteOrder order = ByteOrder::BigEndian);

// Whether a file whose pixel data is in this byte order is checked the same
// whichever order a reader takes: not for the run-length formats whose run
// lengths lie inside their 16-bit words, in little-endian order, as the
// device decoder checks every frame's runs high byte first.
constexpr bool animationKeepsRuns(const PixelFormatInfo& info, ByteOrder order)
{
    return order == ByteOrder::BigEndian || !info.runLength() || info.wordOffset == NoWord
        || info.recordWidth > 2;
}

// Draws a decoded rectangle onto the screen at its place.
void drawRectangle(PixelGrid& screen, const PixelGrid& rectangle, const ScreenRectangle& place);

} // namespace rasterkit
