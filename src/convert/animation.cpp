#include "animation.h"

#include "decoders.h"

#include <algorithm>
#include <array>
#include <cassert>

namespace rasterkit {

namespace {

void putNumber16(OutputBytes& out, int value)
{
    assert(value >= 0 && value <= 0xFFFF);
    out.push_back(static_cast<std::uint8_t>(value >> 8));
    out.push_back(static_cast<std::uint8_t>(value));
}

void putNumber32(OutputBytes& out, std::uint32_t value)
{
    out.push_back(static_cast<std::uint8_t>(value >> 24));
    out.push_back(static_cast<std::uint8_t>(value >> 16));
    out.push_back(static_cast<std::uint8_t>(value >> 8));
    out.push_back(static_cast<std::uint8_t>(value));
}

int number16(const std::uint8_t* at)
{
    return (at[0] << 8) | at[1];
}

std::uint32_t number32(const std::uint8_t* at)
{
    return (std::uint32_t(at[0]) << 24) | (std::uint32_t(at[1]) << 16) | (std::uint32_t(at[2]) << 8) | at[3];
}

bool liesInside(const ScreenRectangle& rectangle, int width, int height)
{
    if (rectangle.isEmpty())
        return rectangle.width == 0 && rectangle.height == 0 && rectangle.x == 0 && rectangle.y == 0;
    return rectangle.x + rectangle.width <= width && rectangle.y + rectangle.height <= height;
}

struct AnimationErrorText {
    AnimationError error;
    const char* text;
};

constexpr std::array<AnimationErrorText, 14> AnimationErrorTexts { {
    { AnimationError::None, "no fault" },
    { AnimationError::Short, "the file is shorter than an animation file's 16-byte header" },
    { AnimationError::NotAnimation, "the file does not start with \"RKAN\": it is not an animation file" },
    { AnimationError::Version, "the animation file's version is not 1" },
    { AnimationError::UnknownFormat, "the format index names no format" },
    { AnimationError::InvalidSize, "the width or height is 0 or larger than the largest frame" },
    { AnimationError::NoFrames, "the frame count is 0" },
    { AnimationError::Reserved, "a reserved byte is not 0" },
    { AnimationError::ShortRecord, "the file ends inside the frame's 16-byte record" },
    { AnimationError::OutsideScreen, "the frame's rectangle does not lie inside the screen" },
    { AnimationError::DataWithoutRectangle, "a 0 x 0 frame has data" },
    { AnimationError::ShortData, "the file ends inside the frame's data" },
    { AnimationError::FrameData, "the frame's data is not a picture of its rectangle" },
    { AnimationError::TrailingBytes, "bytes follow the last frame" },
} };

static_assert([] {
    for (std::size_t index = 0; index < AnimationErrorTexts.size(); ++index) {
        if (static_cast<std::size_t>(AnimationErrorTexts[index].error) != index)
            return false;
    }
    return true;
}(), "one text for each error, in the enumeration's order");

} // namespace

ScreenRectangle changedRectangle(const PixelGrid& before, const PixelGrid& after)
{
    assert(before.width() == after.width() && before.height() == after.height());
    int top = 0;
    int bottom = 0; // one past
    int left = after.width();
    int right = 0; // one past
    for (int row = 1; row <= after.height(); ++row) {
        const std::span<const std::int32_t> old = before.row(row);
        const std::span<const std::int32_t> now = after.row(row);
        const auto first = std::mismatch(now.begin(), now.end(), old.begin()).first;
        if (first == now.end())
            continue;
        const int firstColumn = static_cast<int>(first - now.begin());
        int lastColumn = after.width() - 1;
        while (now[static_cast<std::size_t>(lastColumn)] == old[static_cast<std::size_t>(lastColumn)])
            --lastColumn;
        if (bottom == 0)
            top = row - 1;
        bottom = row;
        left = std::min(left, firstColumn);
        right = std::max(right, lastColumn + 1);
    }
    if (bottom == 0)
        return {};
    return { left, top, right - left, bottom - top };
}

PixelGrid gridPart(const PixelGrid& grid, const ScreenRectangle& rectangle)
{
    PixelGrid part(rectangle.width, rectangle.height);
    for (int row = 1; row <= part.height(); ++row) {
        const std::span<const std::int32_t> source
            = grid.row(rectangle.y + row).subspan(static_cast<std::size_t>(rectangle.x), static_cast<std::size_t>(rectangle.width));
        std::copy(source.begin(), source.end(), part.row(row).begin());
    }
    return part;
}

void drawRectangle(PixelGrid& screen, const PixelGrid& rectangle, const ScreenRectangle& place)
{
    for (int row = 1; row <= rectangle.height(); ++row) {
        const std::span<const std::int32_t> source = rectangle.row(row);
        std::copy(source.begin(), source.end(), screen.row(place.y + row).begin() + place.x);
    }
}

AnimationFrame animationFrame(const PixelGrid& screen, const PixelGrid* previous, int delay, const RectangleEncoder& encode)
{
    AnimationFrame frame;
    frame.delay = delay;
    if (previous == nullptr) {
        frame.rectangle = { 0, 0, screen.width(), screen.height() };
        frame.data = encode(screen);
        return frame;
    }
    frame.rectangle = changedRectangle(*previous, screen);
    if (!frame.rectangle.isEmpty())
        frame.data = encode(gridPart(screen, frame.rectangle));
    return frame;
}

std::int64_t animationFileSize(const Animation& animation)
{
    std::int64_t size = AnimationHeaderBytes;
    for (const AnimationFrame& frame : animation.frames)
        size += static_cast<std::int64_t>(AnimationRecordBytes + frame.data.size());
    return size;
}

OutputBytes animationFileBytes(const Animation& animation)
{
    assert(animation.frames.size() <= std::size_t(MaximumAnimationFrames));
    OutputBytes out;
    out.reserve(static_cast<std::size_t>(animationFileSize(animation)));
    for (const char letter : AnimationSignature)
        out.push_back(static_cast<std::uint8_t>(letter));
    out.push_back(AnimationVersion);
    out.push_back(static_cast<std::uint8_t>(formatIndex(animation.format)));
    putNumber16(out, animation.width);
    putNumber16(out, animation.height);
    putNumber16(out, static_cast<int>(animation.frames.size()));
    putNumber16(out, animation.loops);
    putNumber16(out, 0);
    for (const AnimationFrame& frame : animation.frames) {
        assert(liesInside(frame.rectangle, animation.width, animation.height));
        putNumber16(out, frame.rectangle.x);
        putNumber16(out, frame.rectangle.y);
        putNumber16(out, frame.rectangle.width);
        putNumber16(out, frame.rectangle.height);
        putNumber16(out, frame.delay);
        putNumber16(out, 0);
        putNumber32(out, static_cast<std::uint32_t>(frame.data.size()));
        out.insert(out.end(), frame.data.begin(), frame.data.end());
    }
    return out;
}

std::string AnimationReadResult::message() const
{
    std::string text = AnimationErrorTexts[static_cast<std::size_t>(error)].text;
    if (error == AnimationError::None)
        return text;
    if (!detail.empty())
        text += ": " + detail;
    if (frame >= 0)
        text = "frame " + std::to_string(frame) + ": " + text;
    return text + " (at byte " + std::to_string(offset) + ")";
}

AnimationReadResult readAnimation(std::span<const std::uint8_t> bytes, const AnimationFrameVisitor& visitor, ByteOrder order)
{
    AnimationReadResult result;
    const auto fail = [&result](AnimationError error, std::size_t offset) {
        result.error = error;
        result.offset = offset;
        return result;
    };
    if (bytes.size() < AnimationHeaderBytes)
        return fail(AnimationError::Short, bytes.size());
    const std::uint8_t* header = bytes.data();
    if (!std::equal(std::begin(AnimationSignature), std::end(AnimationSignature), header))
        return fail(AnimationError::NotAnimation, 0);
    if (header[4] != AnimationVersion)
        return fail(AnimationError::Version, 4);
    const std::optional<PixelFormat> format = pixelFormatFromIndex(header[5]);
    if (!format)
        return fail(AnimationError::UnknownFormat, 5);
    Animation& animation = result.animation;
    animation.format = *format;
    animation.width = number16(header + 6);
    animation.height = number16(header + 8);
    const int frameCount = number16(header + 10);
    animation.loops = number16(header + 12);
    if (!isValidTargetSize(animation.width, animation.height))
        return fail(AnimationError::InvalidSize, animation.width < 1 || animation.width > MaximumTargetSize ? 6 : 8);
    if (frameCount == 0)
        return fail(AnimationError::NoFrames, 10);
    if (header[14] != 0 || header[15] != 0)
        return fail(AnimationError::Reserved, header[14] != 0 ? 14 : 15);

    std::size_t offset = AnimationHeaderBytes;
    for (int index = 0; index < frameCount; ++index) {
        result.frame = index;
        if (bytes.size() - offset < AnimationRecordBytes)
            return fail(AnimationError::ShortRecord, bytes.size());
        const std::uint8_t* record = bytes.data() + offset;
        AnimationFrame frame;
        frame.rectangle = { number16(record), number16(record + 2), number16(record + 4), number16(record + 6) };
        frame.delay = number16(record + 8);
        if (record[10] != 0 || record[11] != 0)
            return fail(AnimationError::Reserved, offset + (record[10] != 0 ? 10 : 11));
        const std::uint32_t size = number32(record + 12);
        if (!liesInside(frame.rectangle, animation.width, animation.height))
            return fail(AnimationError::OutsideScreen, offset);
        if (frame.rectangle.isEmpty() && size != 0)
            return fail(AnimationError::DataWithoutRectangle, offset + 12);
        offset += AnimationRecordBytes;
        if (bytes.size() - offset < size)
            return fail(AnimationError::ShortData, bytes.size());
        const std::span<const std::uint8_t> data = bytes.subspan(offset, size);
        DecodeResult decoded;
        if (!frame.rectangle.isEmpty()) {
            if (order == ByteOrder::BigEndian) {
                decoded = decode(animation.format, data, frame.rectangle.width, frame.rectangle.height);
            } else {
                OutputBytes ordered(data.begin(), data.end());
                applyByteOrder(animation.format, ordered, order); // back to the format's own order
                decoded = decode(animation.format, ordered, frame.rectangle.width, frame.rectangle.height);
            }
            if (!decoded.ok()) {
                result.detail = decodeErrorMessage(decoded.error);
                return fail(AnimationError::FrameData, offset + decoded.offset);
            }
        }
        offset += size;
        animation.frames.push_back(frame);
        if (visitor && !visitor(index, frame, data, decoded.grid)) {
            result.frame = -1;
            return result;
        }
    }
    result.frame = -1;
    if (offset != bytes.size())
        return fail(AnimationError::TrailingBytes, offset);
    return result;
}

} // namespace rasterkit
