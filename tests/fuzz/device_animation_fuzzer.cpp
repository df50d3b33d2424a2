// Fuzz target for the animation player of device/rasterkit_decode.h: the
// input is an animation file. rk_animation_init and the core's readAnimation
// must both accept it or both refuse it with the same fault in the same
// frame (the player refusing formats 8 .. 15, which it does not read), and
// an accepted file must be played with the core's header numbers, records
// and data, looping as its loop count says (devicecheck::animationDifferences).
// Under the sanitizers nothing may be read outside the input.
//
// Built with clang's -fsanitize=fuzzer this is a libFuzzer target; otherwise
// replay_main.cpp drives it over its seed corpus and regressions.

#include "decode_fuzzer.h"
#include "devicecheck.h"

#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::span<const std::uint8_t> input(data, size);
    if (const std::string differences = rasterkit::devicecheck::animationDifferences(input); !differences.empty())
        rasterkit::fuzz::fail(("the animation player differs from the core's reader:\n" + differences).c_str(), input);
    return 0;
}
