#!/usr/bin/env bash
# Builds everything (installing what is missing) and runs every test: first
# the conversion core's and the device decoder's tests and their fuzz replays,
# and the picture decoders' tests, under the address and undefined-behaviour
# sanitizers; the threads of a batch conversion under the thread sanitizer;
# then the whole suite through CTest.
set -euo pipefail

cd "$(dirname "$0")/.."
bash scripts/setup.sh

echo "== Conversion core, device decoder and picture decoders under the sanitizers"
cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DRASTERKIT_SANITIZE=ON \
    -DRASTERKIT_BUILD_WINDOW=OFF -DRASTERKIT_BUILD_BENCH=OFF >/dev/null
cmake --build build-asan -j2 --target rasterkit_convert_tests rasterkit_decode_fuzz_replay \
    rasterkit_device_tests rasterkit_device_decode_fuzz_replay rasterkit_picture_tests
build-asan/tests/rasterkit_convert_tests --gtest_brief=1
build-asan/tests/rasterkit_picture_tests --gtest_brief=1
build-asan/tests/rasterkit_decode_fuzz_replay tests/fuzz/corpus --random 4000
build-asan/tests/rasterkit_device_tests --gtest_brief=1
build-asan/tests/rasterkit_device_decode_fuzz_replay tests/fuzz/corpus tests/fuzz/device-corpus --random 4000

echo "== The threads of a batch conversion under the thread sanitizer"
# Only the conversion libraries and the in-process batch test: no window, no
# benchmarks, so that this build stays small.
cmake -S . -B build-tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DRASTERKIT_TSAN=ON \
    -DRASTERKIT_BUILD_WINDOW=OFF -DRASTERKIT_BUILD_BENCH=OFF >/dev/null
cmake --build build-tsan -j2 --target rasterkit_batch_tests
TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" build-tsan/tests/rasterkit_batch_tests --gtest_brief=1

echo "== Every test"
export QT_QPA_PLATFORM=offscreen
ctest --test-dir build --output-on-failure -j2 --timeout 300
