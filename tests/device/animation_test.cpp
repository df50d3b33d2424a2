// The device's animation player (rk_animation) against the core's reader
// (readAnimation): animation files of real frames from the core's encoder, in
// a run-length, a plain, an index and an alpha format, whole and changed
// rectangles (nothing changed too), are accepted by both and played alike,
// looping as their loop count says; one table of damaged files, each refused
// by both with the same fault.

#include "devicecheck.h"

#include "../convert/testsupport.h"
#include "convert/animation.h"
#include "convert/encoders.h"
#include "rasterkit_decode.h"

#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <string>

namespace rasterkit {
namespace {

struct AnimationCase {
    const char* name;
    PixelFormat format;
    int width, height, frames, loops;
    bool changesOnly; // every frame but the first as the rectangle that changed
};

void PrintTo(const AnimationCase& row, std::ostream* out) { *out << row.name; }

// Screens of random runs, each the last one with a block of new values at a
// random place, or the same screen again (a 0 x 0 change).
Animation makeAnimation(const AnimationCase& row)
{
    std::mt19937 random(static_cast<unsigned>(formatIndex(row.format) * 31 + row.frames));
    Animation animation { row.format, row.width, row.height, row.loops, {} };
    PixelGrid screen = test::randomGrid(row.format, row.width, row.height, random, 12, 5);
    PixelGrid previous = screen;
    const RectangleEncoder encoder = [&row](const PixelGrid& grid) { return encode(row.format, grid); };
    for (int index = 0; index < row.frames; ++index) {
        if (index > 0 && index % 3 != 2) {
            const int width = 1 + static_cast<int>(random() % static_cast<unsigned>(row.width));
            const int height = 1 + static_cast<int>(random() % static_cast<unsigned>(row.height));
            const PixelGrid block = test::randomGrid(row.format, width, height, random, 4, 3);
            drawRectangle(screen, block, { static_cast<int>(random() % static_cast<unsigned>(row.width - width + 1)),
                                             static_cast<int>(random() % static_cast<unsigned>(row.height - height + 1)), width, height });
        }
        animation.frames.push_back(animationFrame(screen, row.changesOnly && index > 0 ? &previous : nullptr, 10 * index, encoder));
        previous = screen;
    }
    return animation;
}

class DeviceAnimationTest : public ::testing::TestWithParam<AnimationCase> { };

TEST_P(DeviceAnimationTest, PlaysAsTheCoreReadsIt)
{
    const AnimationCase& row = GetParam();
    const Animation animation = makeAnimation(row);
    const OutputBytes file = animationFileBytes(animation);
    const AnimationReadResult core = readAnimation(file);
    ASSERT_TRUE(core.ok()) << core.message();
    EXPECT_EQ(devicecheck::animationDifferences(file), "");
    if (row.changesOnly) { // the table's changed rectangles do include an unchanged screen and a part of one
        int empty = 0, parts = 0;
        for (const AnimationFrame& frame : animation.frames) {
            empty += frame.rectangle.isEmpty();
            parts += !frame.rectangle.isEmpty() && frame.rectangle != ScreenRectangle { 0, 0, row.width, row.height };
        }
        EXPECT_GT(empty, 0);
        EXPECT_GT(parts, 0);
    }
}

INSTANTIATE_TEST_SUITE_P(Animations, DeviceAnimationTest,
    ::testing::Values(AnimationCase { "RGB565x8ChangesLoopingForEver", PixelFormat::RGB565x8, 40, 30, 7, 0, true },
        AnimationCase { "RGB544x3WholeFramesTwice", PixelFormat::RGB544x3, 17, 9, 4, 2, false },
        AnimationCase { "Y5x3ChangesOnce", PixelFormat::Y5x3, 33, 20, 6, 1, true },
        AnimationCase { "RGB565WholeSingleFrame", PixelFormat::RGB565, 8, 8, 1, 3, false },
        AnimationCase { "Index4ChangesThreeTimes", PixelFormat::Index4, 30, 24, 8, 3, true },
        AnimationCase { "Index1WholeFrames", PixelFormat::Index1, 13, 5, 3, 0, false },
        AnimationCase { "RGB565A8ChangesTwice", PixelFormat::RGB565A8, 24, 16, 6, 2, true },
        AnimationCase { "A8ChangesFiveHundredTimes", PixelFormat::A8, 9, 7, 5, 500, true }),
    [](const auto& info) { return std::string(info.param.name); });

// One valid file ("Index 2", 4 x 3 screen, frames: whole, 2 x 1 at 1, 1,
// 0 x 0), each row damaging it in one way; both readers must refuse it with
// the fault the row names.
TEST(DeviceAnimation, DamagedFilesAreRefusedByBoth)
{
    const PixelFormat format = PixelFormat::Index2;
    std::mt19937 random(7);
    const PixelGrid screen = test::randomGrid(format, 4, 3, random, 2, 3);
    Animation animation { format, 4, 3, 2, {} };
    animation.frames.push_back({ { 0, 0, 4, 3 }, 100, encode(format, screen) });
    animation.frames.push_back({ { 1, 1, 2, 1 }, 50, encode(format, test::randomGrid(format, 2, 1, random, 1, 2)) });
    animation.frames.push_back({ {}, 20, {} });
    const OutputBytes valid = animationFileBytes(animation);
    const std::size_t second = AnimationHeaderBytes + AnimationRecordBytes + animation.frames[0].data.size();
    const std::size_t third = second + AnimationRecordBytes + animation.frames[1].data.size();
    using Damage = std::function<void(OutputBytes&)>;
    const auto set = [](std::size_t at, std::uint8_t value) { return Damage([=](OutputBytes& file) { file[at] = value; }); };
    const auto cut = [](std::size_t size) { return Damage([=](OutputBytes& file) { file.resize(size); }); };
    const struct {
        const char* name;
        Damage damage;
        AnimationError core;
        int device;
    } rows[] = {
        { "empty", cut(0), AnimationError::Short, RK_ERR_CUT },
        { "cut in the header", cut(15), AnimationError::Short, RK_ERR_CUT },
        { "cut after the header", cut(16), AnimationError::ShortRecord, RK_ERR_CUT },
        { "cut in a record", cut(second + 15), AnimationError::ShortRecord, RK_ERR_CUT },
        { "cut in a frame's data", cut(third - 1), AnimationError::ShortData, RK_ERR_CUT },
        { "bad magic", set(3, 'M'), AnimationError::NotAnimation, RK_ERR_NOT_ANIMATION },
        { "version 2", set(4, 2), AnimationError::Version, RK_ERR_NOT_ANIMATION },
        { "format 8, not read by the device", set(5, 8), AnimationError::FrameData, RK_ERR_FORMAT },
        { "format 22", set(5, 22), AnimationError::UnknownFormat, RK_ERR_FORMAT },
        { "width 0", set(7, 0), AnimationError::InvalidSize, RK_ERR_SCREEN },
        { "height 8193", [](OutputBytes& file) { file[8] = 0x20; file[9] = 0x01; }, AnimationError::InvalidSize, RK_ERR_SCREEN },
        { "no frames", set(11, 0), AnimationError::NoFrames, RK_ERR_SCREEN },
        { "header's reserved byte", set(15, 1), AnimationError::Reserved, RK_ERR_RESERVED },
        { "record's reserved byte", set(second + 10, 1), AnimationError::Reserved, RK_ERR_RESERVED },
        { "rectangle past the right edge", set(second + 1, 3), AnimationError::OutsideScreen, RK_ERR_RECTANGLE },
        { "rectangle past the bottom", set(second + 3, 3), AnimationError::OutsideScreen, RK_ERR_RECTANGLE },
        { "0 x 0 rectangle not at 0, 0", set(third + 1, 1), AnimationError::OutsideScreen, RK_ERR_RECTANGLE },
        { "one side 0", set(second + 7, 0), AnimationError::OutsideScreen, RK_ERR_RECTANGLE },
        { "0 x 0 frame with data", [](OutputBytes& file) { file.back() = 1; file.push_back(0); }, AnimationError::DataWithoutRectangle,
            RK_ERR_EMPTY_DATA },
        { "data count past the end", set(second + 12, 0x80), AnimationError::ShortData, RK_ERR_CUT },
        { "a byte after the last frame", [](OutputBytes& file) { file.push_back(0); }, AnimationError::TrailingBytes, RK_ERR_TRAILING },
        { "a frame's data a row short of its height", set(second + 7, 2), AnimationError::FrameData, RK_ERR_LENGTH },
        { "a frame's index past its palette", [&](OutputBytes& file) { file[second + AnimationRecordBytes + 2] = 0;
            file[second + AnimationRecordBytes + 3] = 0; file[second + AnimationRecordBytes + 8] = 0xFF; },
            AnimationError::FrameData, RK_ERR_INDEX },
    };
    ASSERT_EQ(devicecheck::animationDifferences(valid), "");
    for (const auto& row : rows) {
        OutputBytes file = valid;
        row.damage(file);
        EXPECT_EQ(readAnimation(file).error, row.core) << row.name << ": " << readAnimation(file).message();
        rk_animation player;
        EXPECT_EQ(rk_animation_init(&player, file.data(), static_cast<std::uint32_t>(file.size())), row.device) << row.name;
        EXPECT_EQ(devicecheck::animationDifferences(file), "") << row.name;
    }
}

} // namespace
} // namespace rasterkit
