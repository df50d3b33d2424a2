#pragma once

#include "convert/pixelgrid.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <span>

// The decode fuzz targets' input: byte 0 chooses the format (its index modulo
// the number of formats), bytes 1 and 2 the width and height, the rest is the file to decode. Each
// target defines checkDecoding; decode_random.cpp drives either.
namespace rasterkit::fuzz {

inline constexpr std::size_t HeaderSize = 3;

// Size bytes 0..252 stand for themselves; the top three stand for the
// largest accepted size, a negative size and a size one too large.
inline constexpr std::uint8_t LargestSizeByte = 253;
inline constexpr std::uint8_t NegativeSizeByte = 254;
inline constexpr std::uint8_t TooLargeSizeByte = 255;

inline int sizeFromByte(std::uint8_t byte)
{
    switch (byte) {
    case LargestSizeByte:
        return MaximumTargetSize;
    case NegativeSizeByte:
        return -1;
    case TooLargeSizeByte:
        return MaximumTargetSize + 1;
    default:
        return byte;
    }
}

// Prints a broken guarantee and the input in hex, then aborts.
[[noreturn]] inline void fail(const char* what, std::span<const std::uint8_t> input)
{
    std::fprintf(stderr, "decode fuzzer: %s\ninput (%zu bytes):", what, input.size());
    for (const std::uint8_t byte : input)
        std::fprintf(stderr, " %02X", static_cast<unsigned>(byte));
    std::fprintf(stderr, "\n");
    std::abort();
}

// Decodes the input and checks everything a decode must guarantee; on a
// broken guarantee prints the reason and the input in hex, then aborts.
// Returns whether the file decoded.
bool checkDecoding(std::span<const std::uint8_t> input);

} // namespace rasterkit::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);
