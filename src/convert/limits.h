#pragma once

// The limits of the whole program, each defined here once; messages and
// help texts that name a limit take its value from here.

#include <cstdint>

namespace rasterkit {

// Largest width or height of a frame, in pixels. At this size every output
// size, 3 bytes a pixel at most, still fits a 32-bit signed count.
inline constexpr int MaximumTargetSize = 8192;

// The most a picture file may hold, and the most a decoded picture may take
// (four bytes a pixel): the 50-megapixel photos of today's phones take
// 200 MB; beyond 1 GiB, headers claim absurd sizes.
inline constexpr std::int64_t MaximumPictureBytes = std::int64_t(1) << 30;

// How much of a file that is not a JPEG is read before it must show the
// signature of a picture: a device or a file of something else is refused
// after this many bytes, not after MaximumPictureBytes.
inline constexpr std::int64_t PictureSignatureBytes = std::int64_t(64) << 10;

// The device decoder takes widths and heights of 16 bits.
inline constexpr int MaximumDeviceSize = 65535;

// The window's controls hold 16-bit signed values: twips, scroll positions,
// percentages.
inline constexpr int LargestControlValue = 32767;
inline constexpr int SmallestControlValue = -32768;

} // namespace rasterkit
