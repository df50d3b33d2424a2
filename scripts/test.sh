#!/usr/bin/env bash
# Builds everything (installing what is missing) and runs every test: first
# the conversion core's and the device decoder's tests, the picture decoders'
# tests and every fuzz target's replay under the address and undefined-
# behaviour sanitizers, then the whole suite through CTest, then each fuzz
# target under libFuzzer for 15 seconds.
set -euo pipefail

cd "$(dirname "$0")/.."
bash scripts/setup.sh

echo "== Conversion core, device decoder and picture decoders under the sanitizers"
cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DRASTERKIT_SANITIZE=ON \
    -DRASTERKIT_BUILD_WINDOW=OFF -DRASTERKIT_BUILD_BENCH=OFF >/dev/null
cmake --build build-asan -j2 --target rasterkit_convert_tests rasterkit_decode_fuzz_replay \
    rasterkit_device_tests rasterkit_device_decode_fuzz_replay rasterkit_picture_tests \
    rasterkit_picture_fuzz_replay rasterkit_arguments_fuzz_replay
build-asan/tests/rasterkit_convert_tests --gtest_brief=1
build-asan/tests/rasterkit_picture_tests --gtest_brief=1
build-asan/tests/rasterkit_decode_fuzz_replay tests/fuzz/corpus tests/fuzz/regressions/decode --random 4000
build-asan/tests/rasterkit_device_tests --gtest_brief=1
build-asan/tests/rasterkit_device_decode_fuzz_replay tests/fuzz/corpus tests/fuzz/device-corpus \
    tests/fuzz/regressions/device_decode --random 4000
build-asan/tests/rasterkit_picture_fuzz_replay tests/fuzz/picture-corpus tests/fuzz/regressions/picture
build-asan/tests/rasterkit_arguments_fuzz_replay tests/fuzz/arguments-corpus tests/fuzz/regressions/arguments

echo "== Every test"
export QT_QPA_PLATFORM=offscreen
ctest --test-dir build --output-on-failure -j2 --timeout 300

echo "== Fuzz targets under libFuzzer (build-fuzz, clang)"
bash scripts/fuzz.sh 15
