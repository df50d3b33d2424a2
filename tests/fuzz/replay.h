#pragma once

#include <cstddef>
#include <cstdint>

// What replay_main.cpp calls: the target itself and, if the target defines
// one, its pseudo-random batch (decode_random.cpp for the decode targets),
// which returns false when the batch proves too little.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace rasterkit::fuzz {

[[gnu::weak]] bool runRandomBatch(long count);

} // namespace rasterkit::fuzz
