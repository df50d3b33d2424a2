#!/usr/bin/env bash
# Builds the libFuzzer targets into build-fuzz (clang, address and
# undefined-behaviour sanitizers) and fuzzes each for a fixed time, from its
# seed corpus and its regressions. What a target learns is kept in
# build-fuzz/corpus/<target>/ for the next run. A finding fails the run: the
# input is left in build-fuzz/findings/<target>/; fix the fault and copy the
# input into tests/fuzz/regressions/<target>/, which the normal tests replay.
#
# usage: scripts/fuzz.sh [SECONDS_PER_TARGET [TARGET...]]
#        (default 15 seconds; targets decode, device_decode, device_animation, frames, picture, arguments)
set -euo pipefail

cd "$(dirname "$0")/.."
seconds=${1:-15}
shift $(($# > 0 ? 1 : 0))
targets=("$@")
((${#targets[@]})) || targets=(decode device_decode device_animation frames picture arguments)

source scripts/compiler-cache.sh
programs=()
for target in "${targets[@]}"; do programs+=("rasterkit_${target}_fuzzer"); done
# What the compiler says goes to a log, shown if the build fails.
echo "rasterkit: building the fuzz targets (build-fuzz/, clang)"
mkdir -p build-fuzz
if ! { cmake -S . -B build-fuzz -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DRASTERKIT_LIBFUZZER=ON \
        -DRASTERKIT_BUILD_WINDOW=OFF -DRASTERKIT_BUILD_BENCH=OFF &&
        cmake --build build-fuzz -j2 --target "${programs[@]}"; } >build-fuzz/build.log 2>&1; then
    echo "fuzz: building the fuzz targets failed; the last lines of build-fuzz/build.log:" >&2
    tail -n 40 build-fuzz/build.log >&2
    exit 1
fi

status=0
for target in "${targets[@]}"; do
    seeds=(tests/fuzz/regressions/"$target")
    options=()
    case $target in
    decode) seeds+=(tests/fuzz/corpus) ;;
    device_decode) seeds+=(tests/fuzz/corpus tests/fuzz/device-corpus) ;;
    device_animation) seeds+=(tests/fuzz/animation-corpus) ;;
    frames) seeds+=(tests/fuzz/frames-corpus) ;;
    picture) seeds+=(tests/fuzz/picture-corpus) ;;
    arguments) seeds+=(tests/fuzz/arguments-corpus) options+=(-dict=tests/fuzz/arguments.dict) ;;
    *) echo "fuzz: unknown target $target" >&2; exit 2 ;;
    esac
    mkdir -p build-fuzz/corpus/"$target" build-fuzz/findings/"$target"
    log=build-fuzz/findings/$target.log
    if build-fuzz/tests/rasterkit_"$target"_fuzzer -max_total_time="$seconds" -timeout=20 -print_final_stats=1 \
        -artifact_prefix=build-fuzz/findings/"$target"/ "${options[@]}" build-fuzz/corpus/"$target" "${seeds[@]}" \
        >"$log" 2>&1; then
        runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
        peak=$(sed -n 's/^stat::peak_rss_mb: *//p' "$log")
        echo "rasterkit: fuzzed $target for $seconds s: ${runs:-?} inputs, no fault, peak ${peak:-?} MB"
    else
        echo "fuzz: $target found a fault; its report (from $log):" >&2
        grep -v '^qt\.' "$log" | tail -n 60 >&2
        status=1
    fi
done
exit $status
