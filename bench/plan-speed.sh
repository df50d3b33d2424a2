#!/usr/bin/env bash
# rasterkit-cli plan over 50 photos at 320 x 240, each measured in every
# colour format (the formats whose levels are colours, plan's default) with
# every dither mode, then the choice for a budget. Never run by CTest.
#
# Goal: at most 20 s wall clock on a 2-core machine.
#
# The photos are made here with ImageMagick from examples/sample.jpg (a
# landscape: sky, hills, a lake): 50 different 320 x 240 crops, every other
# one mirrored, with their saturation and brightness varied, saved as JPEG at
# quality 90, in a temporary folder that is removed at the end (kept with
# --keep). Each round is timed from the program's spawn to its end
# (bench/timed-run.py); the figures are medians, wall clock and CPU time
# (user + system, which depends less on what else the machine is doing).

set -euo pipefail

usage() {
    cat <<'EOF'
Usage: bench/plan-speed.sh [--build DIR] [--rounds N] [--budget SIZE] [--keep]

  --build DIR     the build folder holding rasterkit-cli (default: build)
  --rounds N      timed runs (default 3), after one run that is not counted
  --budget SIZE   plan's --budget (default 3MiB: about half the photos get
                  a format and mode better than the smallest)
  --keep          keep the temporary folder with the photos
EOF
}

root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build"
rounds=3
budget=3MiB
keep=0
while [ $# -gt 0 ]; do
    case "$1" in
    --build) build=$(cd "$2" && pwd); shift 2 ;;
    --rounds) rounds=$2; shift 2 ;;
    --budget) budget=$2; shift 2 ;;
    --keep) keep=1; shift ;;
    -h | --help) usage; exit 0 ;;
    *) echo "plan-speed.sh: unknown argument \"$1\"." >&2; usage >&2; exit 2 ;;
    esac
done

cli="$build/rasterkit-cli"
source "$root/bench/common.sh"
require_tools plan-speed.sh "$cli" "$build"

work=$(mktemp -d "${TMPDIR:-/tmp}/rasterkit-plan.XXXXXX")
if [ "$keep" = 1 ]; then
    echo "The photos are kept in $work"
else
    trap 'rm -rf "$work"' EXIT
fi

mkdir "$work/photos"
for ((index = 0; index < 50; index++)); do
    mirror=()
    ((index % 2)) && mirror=(-flop)
    convert "$root/examples/sample.jpg" "${mirror[@]}" \
        -modulate $((70 + index * 7 % 60)),$((80 + index)) \
        -crop "320x240+$((index * 13 % 81))+$((index * 7 % 61))" +repage -quality 90 \
        "$work/photos/$(printf 'photo-%02d.jpg' "$index")"
done

# The colour formats, as plan chooses them by default: those formats --json
# does not call grey.
colour_formats=$("$cli" formats --json | python3 -c 'import json, sys; print(sum(not f["grey"] for f in json.load(sys.stdin)))')
# The dither modes, as the refusal of an unknown one lists them: "expected
# none, ordered, diffusion or atkinson, separated by commas".
dither_modes=$("$cli" plan photo.jpg --budget 1 --dither-modes '?' 2>&1 | python3 -c 'import re, sys
modes = re.search(r"expected (.*), separated by commas", sys.stdin.read()).group(1)
print(len(re.split(r", | or ", modes)))' || true)

echo "Machine: $(nproc) cores; load average $(cut -d' ' -f1-3 /proc/loadavg) at the start"
echo "plan over 50 photos at 320 x 240: $colour_formats colour formats x $dither_modes dither modes," \
    "$((50 * colour_formats * dither_modes)) conversions measured, budget $budget ($rounds rounds)"

command=("$cli" plan "$work/photos" --budget "$budget" -W 320 -H 240)
"${command[@]}" >"$work/plan.txt"
for ((round = 1; round <= rounds; round++)); do
    python3 "$root/bench/timed-run.py" "$work/plan.times" "$work/stderr" "${command[@]}" \
        || { cat "$work/stderr" >&2; exit 1; }
done

tail -n 4 "$work/plan.txt" | sed 's/^/  /'
awk -v wall="$(median "$work/plan.times" 1)" -v cpu="$(median "$work/plan.times" 2)" 'BEGIN {
    printf "  Time: %.1f s wall clock (goal at most 20 s: %s), %.1f s CPU\n", wall / 1000,
        wall <= 20000 ? "met" : "MISSED", cpu / 1000
    exit wall <= 20000 ? 0 : 1
}'
