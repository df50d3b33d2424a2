#!/usr/bin/env bash
# rasterkit-cli convert --frames on a 100-frame 240 x 240 GIF, and the bytes
# --delta saves on animations where little moves. Never run by CTest.
#
# Goals: the 100 frames convert in at most 1 s wall clock on a 2-core
# machine; a spinner (a small moving part on a still background) with
# --delta takes at most 1/5 of the bytes of whole frames.
#
# The pictures are made here with ImageMagick in a temporary folder that is
# removed at the end: "pan" pans a 240 x 240 window across a 480 x 240
# fractal in 100 steps (every pixel of every frame changes, each frame with
# its own colour table); "spinner" is a white dot going round a still
# gradient in 12 frames, optimised by ImageMagick into frames of what
# changed; more GIFs may be named on the command line (real ones: a screen
# recording, an animated icon). Each round is timed from the program's spawn
# to its end (bench/timed-run.py); the figures are medians.

set -euo pipefail

usage() {
    cat <<'USAGE'
Usage: bench/animation-speed.sh [--build DIR] [--rounds N] [GIF...]

  --build DIR   the build folder holding rasterkit-cli (default: build)
  --rounds N    timed runs of each conversion (default 5), after one not counted
  GIF...        more animated GIFs to give the --delta figures of
USAGE
}

root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build"
rounds=5
extra=()
while [ $# -gt 0 ]; do
    case "$1" in
    --build) build=$(cd "$2" && pwd); shift 2 ;;
    --rounds) rounds=$2; shift 2 ;;
    -h | --help) usage; exit 0 ;;
    -*) echo "animation-speed.sh: unknown argument \"$1\"." >&2; usage >&2; exit 2 ;;
    *) extra+=("$(cd "$(dirname "$1")" && pwd)/$(basename "$1")"); shift ;;
    esac
done

cli="$build/rasterkit-cli"
source "$root/bench/common.sh"
require_tools animation-speed.sh "$cli" "$build"

work=$(mktemp -d "${TMPDIR:-/tmp}/rasterkit-animation.XXXXXX")
trap 'rm -rf "$work"' EXIT

convert -size 480x240 -seed 7 plasma:fractal "$work/wide.png"
frames=()
for ((step = 0; step < 100; step++)); do
    frames+=(\( "$work/wide.png" -crop "240x240+$((step * 2))+0" +repage \))
done
convert -delay 4 "${frames[@]}" -loop 0 "$work/pan.gif"

convert -size 240x240 gradient:navy-teal -fill orange -draw "rectangle 20,200 220,220" "$work/background.png"
frames=()
for ((step = 0; step < 12; step++)); do
    read -r x y < <(python3 -c "import math; print(int(120 + 40 * math.cos($step * math.pi / 6)), int(120 + 40 * math.sin($step * math.pi / 6)))")
    frames+=(\( "$work/background.png" -fill white -draw "circle $x,$y $((x + 8)),$y" \))
done
convert -delay 8 "${frames[@]}" +dither -remap "$work/background.png" -loop 0 -layers optimize "$work/spinner.gif"

echo "Machine: $(nproc) cores; load average $(cut -d' ' -f1-3 /proc/loadavg) at the start"
status=0
for dither in none diffusion; do
    command=("$cli" convert "$work/pan.gif" --frames -o "$work/pan.rkan" -f rgb565 -W 240 -H 240 --dither "$dither" -q)
    "${command[@]}"
    rm -f "$work/pan.times"
    for ((round = 1; round <= rounds; round++)); do
        python3 "$root/bench/timed-run.py" "$work/pan.times" "$work/stderr" "${command[@]}" \
            || { cat "$work/stderr" >&2; exit 1; }
    done
    wall=$(median "$work/pan.times" 1)
    cpu=$(median "$work/pan.times" 2)
    verdict=met
    awk -v wall="$wall" 'BEGIN { exit wall <= 1000 ? 0 : 1 }' || { verdict=MISSED; status=1; }
    printf '100 frames of 240 x 240, RGB 5:6:5, dither %s: %s ms wall clock (goal at most 1000 ms: %s), %s ms CPU\n' \
        "$dither" "$wall" "$verdict" "$cpu"
done

echo "--delta against whole frames, RGB 5:6:5 at 240 x 240 (the file's bytes):"
for gif in "$work/spinner.gif" "${extra[@]}"; do
    "$cli" convert "$gif" --frames -o "$work/whole.rkan" -f rgb565 -W 240 -H 240 -q
    "$cli" convert "$gif" --frames --delta -o "$work/delta.rkan" -f rgb565 -W 240 -H 240 -q
    whole=$(stat -c %s "$work/whole.rkan")
    delta=$(stat -c %s "$work/delta.rkan")
    goal=""
    if [ "$gif" = "$work/spinner.gif" ]; then
        goal=" (goal at most 0.200: met)"
        ((delta * 5 <= whole)) || { goal=" (goal at most 0.200: MISSED)"; status=1; }
    fi
    awk -v name="$(basename "$gif")" -v whole="$whole" -v delta="$delta" -v goal="$goal" 'BEGIN {
        printf "  %-28s whole %10d, delta %10d: %.3f of the bytes%s\n", name, whole, delta, delta / whole, goal }'
done
exit "$status"
