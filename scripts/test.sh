#!/usr/bin/env bash
# Builds everything (installing what is missing) and runs every test: the
# whole suite in the release build (build/), the threads of a batch
# conversion under the thread sanitizer (build-tsan/), every test again in a
# build with the address and undefined-behaviour sanitizers (build-asan/),
# the command-line program and the window included, the window offscreen,
# the fuzz targets' replays too; last, each fuzz target under libFuzzer for
# 15 seconds.
set -euo pipefail

cd "$(dirname "$0")/.."
bash scripts/setup.sh
source scripts/compiler-cache.sh

export QT_QPA_PLATFORM=offscreen

echo "== The threads of a batch conversion under the thread sanitizer"
# Only the conversion libraries and the in-process batch test: no window, no
# benchmarks, so that this build stays small.
cmake -S . -B build-tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DRASTERKIT_TSAN=ON \
    -DRASTERKIT_BUILD_WINDOW=OFF -DRASTERKIT_BUILD_BENCH=OFF >/dev/null
cmake --build build-tsan -j2 --target rasterkit_batch_tests
TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" build-tsan/tests/rasterkit_batch_tests --gtest_brief=1

echo "== Every test"
ctest --test-dir build --output-on-failure -j2 --timeout 300

echo "== Every test under the address and undefined-behaviour sanitizers"
# A debug build (assertions on) at -O1, the level the sanitizers' authors
# advise for speed; every report is kept. The build's output goes to a log,
# shown if it fails.
mkdir -p build-asan
log=$PWD/build-asan/build.log
if ! { cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DRASTERKIT_SANITIZE=ON -DRASTERKIT_BUILD_BENCH=OFF \
        -DCMAKE_C_FLAGS_DEBUG="-g -O1" -DCMAKE_CXX_FLAGS_DEBUG="-g -O1" &&
        cmake --build build-asan -j2; } >"$log" 2>&1; then
    echo "rasterkit: building build-asan failed; the last lines of $log:" >&2
    tail -n 30 "$log" >&2
    exit 1
fi
# A report ends the program with exit code 86, which no test expects of
# rasterkit-cli: a fault in a child program cannot pass for an error the
# test was looking for (rasterkit-cli's own errors exit with 1 or 2).
export ASAN_OPTIONS=exitcode=86:detect_leaks=1:check_initialization_order=1:strict_string_checks=1
export UBSAN_OPTIONS=exitcode=86:print_stacktrace=1:halt_on_error=1
export LSAN_OPTIONS=exitcode=86
ctest --test-dir build-asan --output-on-failure -j2 --timeout 600

echo "== Fuzz targets under libFuzzer (build-fuzz, clang)"
bash scripts/fuzz.sh 15
