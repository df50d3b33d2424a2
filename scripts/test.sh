#!/usr/bin/env bash
# Builds everything (installing what is missing) and runs every test: the
# whole suite in the release build (build/), the threads of a batch
# conversion under the thread sanitizer (build-tsan/), every test again in a
# build with the address and undefined-behaviour sanitizers (build-asan/),
# the command-line program and the window included, the window offscreen,
# the fuzz targets' replays too; last, each fuzz target under libFuzzer for
# 15 seconds.
#
# It prints one line a step. What the compilers and the tests say goes to a
# log in the build folder; when a step fails, its failures are shown in full
# (every failing test's output) and the run stops.
set -euo pipefail

cd "$(dirname "$0")/.."
bash scripts/setup.sh
source scripts/compiler-cache.sh

export QT_QPA_PLATFORM=offscreen

# Runs a command with its output in a log; on failure shows the log's end.
quietly() {
    local what=$1 log=$2
    shift 2
    echo "rasterkit: $what"
    mkdir -p "$(dirname "$log")"
    if ! "$@" >"$log" 2>&1; then
        echo "rasterkit: failed while $what; the last lines of $log:" >&2
        tail -n 40 "$log" >&2
        exit 1
    fi
}

# Runs CTest in a build folder with its output in a log; prints the count,
# or on failure every failing test's output and the list of failures.
tests_in() {
    local folder=$1 what=$2
    shift 2
    local log=$folder/ctest.log
    echo "rasterkit: $what"
    if ctest --test-dir "$folder" --output-on-failure "$@" >"$log" 2>&1; then
        grep -E '^[0-9]+% tests passed' "$log" | sed 's/^/rasterkit:   /'
    else
        echo "rasterkit: tests failed in $folder/; their output (the whole run is in $log):" >&2
        grep -vE '^ +Start +[0-9]+: |^ *[0-9]+/[0-9]+ Test +#[0-9]+: .* Passed +[0-9.]+ sec$' "$log" >&2
        exit 1
    fi
}

# Only the conversion libraries and the in-process batch test: no window, no
# benchmarks, so that this build stays small.
quietly "building the batch tests under the thread sanitizer (build-tsan/)" build-tsan/build.log \
    bash -c 'cmake -S . -B build-tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DRASTERKIT_TSAN=ON \
        -DRASTERKIT_BUILD_WINDOW=OFF -DRASTERKIT_BUILD_BENCH=OFF && cmake --build build-tsan -j2 --target rasterkit_batch_tests'
quietly "running the threads of a batch conversion under the thread sanitizer" build-tsan/tests.log \
    env TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" build-tsan/tests/rasterkit_batch_tests --gtest_brief=1

tests_in build "running every test (build/)" -j2 --timeout 300

# A debug build (assertions on) at -O1, the level the sanitizers' authors
# advise for speed; every report is kept.
quietly "building every test under the address and undefined-behaviour sanitizers (build-asan/)" build-asan/build.log \
    bash -c 'cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DRASTERKIT_SANITIZE=ON -DRASTERKIT_BUILD_BENCH=OFF \
        -DCMAKE_C_FLAGS_DEBUG="-g -O1" -DCMAKE_CXX_FLAGS_DEBUG="-g -O1" && cmake --build build-asan -j2'
# A report ends the program with exit code 86, which no test expects of
# rasterkit-cli: a fault in a child program cannot pass for an error the
# test was looking for (rasterkit-cli's own errors exit with 1 or 2).
export ASAN_OPTIONS=exitcode=86:detect_leaks=1:check_initialization_order=1:strict_string_checks=1
export UBSAN_OPTIONS=exitcode=86:print_stacktrace=1:halt_on_error=1
export LSAN_OPTIONS=exitcode=86
tests_in build-asan "running every test under the sanitizers (build-asan/)" -j2 --timeout 600

bash scripts/fuzz.sh 15
