#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

// The decode fuzz target's input: byte 0 chooses the format (modulo 8),
// bytes 1 and 2 the width and height, the rest is the file to decode.
namespace rasterkit::fuzz {

inline constexpr std::size_t HeaderSize = 3;

// Size bytes 0..252 stand for themselves; the top three stand for the
// largest accepted size, a negative size and a size one too large.
inline constexpr std::uint8_t LargestSizeByte = 253;
inline constexpr std::uint8_t NegativeSizeByte = 254;
inline constexpr std::uint8_t TooLargeSizeByte = 255;

int sizeFromByte(std::uint8_t byte);

// Decodes the input and checks everything a decode must guarantee; on a
// broken guarantee prints the reason and the input in hex, then aborts.
// Returns whether the file decoded.
bool checkDecoding(std::span<const std::uint8_t> input);

} // namespace rasterkit::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);
