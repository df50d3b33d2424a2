#!/usr/bin/env bash
# Memory of rasterkit-cli over ten thousand tiny pictures (16 x 16 BMP, GIF
# and JPEG, thirty different ones copied to as many names as asked): the
# resident-memory curve of the same conversions in one process, and, where
# rasterkit-cli converts several inputs in one run, its peak resident memory
# for the whole batch against one picture alone.
#
#   bash bench/cli/endurance-cli.sh [build folder] [pictures]
# (build folder configured with -DRASTERKIT_BUILD_BENCH=ON; the bench target
# rasterkit_endurance_cli and rasterkit-cli built)
set -euo pipefail
cd "$(dirname "$0")/../.."
build=${1:-build}
count=${2:-10000}
cli="$build/rasterkit-cli"
if ! command -v convert >/dev/null; then
    echo "the pictures are made with ImageMagick's convert: apt-get install imagemagick" >&2
    exit 2
fi
work=$(mktemp -d /tmp/rasterkit-endurance.XXXXXX)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/base" "$work/in" "$work/out" "$work/batch"

for seed in $(seq 1 10); do
    convert -size 16x16 -seed "$seed" plasma:fractal "BMP3:$work/base/$seed.bmp"
    convert "$work/base/$seed.bmp" "$work/base/$seed.gif"
    convert "$work/base/$seed.bmp" -quality 85 "$work/base/$seed.jpg"
done
python3 - "$work/base" "$work/in" "$count" <<'PY'
import os, shutil, sys
base, folder, count = sys.argv[1], sys.argv[2], int(sys.argv[3])
names = sorted(os.listdir(base))
for index in range(count):
    name = names[index % len(names)]
    shutil.copyfile(os.path.join(base, name), os.path.join(folder, "%05d-%s" % (index, name)))
PY
echo "$count pictures in $work/in"

echo "== In one process, through the command line's conversion"
"$build/bench/rasterkit_endurance_cli" "$work/in" "$work/out"

echo "== rasterkit-cli, one picture"
/usr/bin/time -f "peak resident %M KiB, %e s" "$cli" convert "$work/in/00000-1.bmp" -o "$work/one.raw" -q
if "$cli" convert "$work/in/00000-1.bmp" "$work/in/00001-1.gif" -o "$work/batch/" -q 2>/dev/null; then
    echo "== rasterkit-cli, all $count pictures in one batch"
    rm -f "$work"/batch/*
    /usr/bin/time -f "peak resident %M KiB, %e s" "$cli" convert "$work"/in/* -o "$work/batch/" -q
    echo "$(ls "$work/batch" | wc -l) files written"
else
    echo "(this rasterkit-cli converts one picture a run: no batch to measure)"
fi
