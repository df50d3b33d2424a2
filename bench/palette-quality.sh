#!/bin/sh
# The palettes rasterkit-cli chooses for the indexed formats "Index 8" and
# "Index 4" against ImageMagick's (-colors N +dither) and pngquant's
# (--nofs: no dithering), on the repository's photos, side by side. Each
# picture's whole frame is sampled as rasterkit-cli samples it (written out
# as RGB 8:8:8 and made a PNG, so that every tool starts from the same
# pixels); each tool's palette picture is reduced to 5:6:5 (each channel's
# low bits cut, as the "RGB 5:6:5" format cuts them) and measured against
# those pixels as compare measures: PSNR = 10 log10(255^2 / MSE) over red,
# green and blue. Ours is compare's own figure. Higher is closer; pngquant
# is GPL and only run here, never linked.
#
#   bench/palette-quality.sh [BUILD_FOLDER]   (default: build)
#
# Needs ImageMagick (/usr/bin/convert, /usr/bin/identify) and python3;
# pngquant's column is left empty when it is not installed.
set -eu

here=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$here/build}
cli=$build/rasterkit-cli
magick=/usr/bin/convert
identify=/usr/bin/identify
pngquant=$(command -v pngquant || true)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

psnr() { # reference.raw quantised.raw: PSNR after 5:6:5
    python3 - "$1" "$2" <<'EOF'
import math, sys
reference = open(sys.argv[1], 'rb').read()
quantised = open(sys.argv[2], 'rb').read()
masks = (0xF8, 0xFC, 0xF8)
total = sum((reference[i] - (quantised[i] & masks[i % 3])) ** 2 for i in range(len(reference)))
print('inf' if total == 0 else '%.2f' % (10 * math.log10(255 * 255 / (total / len(reference)))))
EOF
}

ours() { # picture width height format: compare's PSNR
    "$cli" compare "$1" -W "$2" -H "$3" --formats "$4" --json \
        | python3 -c 'import json, sys; value = json.load(sys.stdin)[0]["psnr"]; print("inf" if value is None else "%.2f" % value)'
}

printf '%-28s %7s  %-6s %8s %12s %9s\n' picture size format ours imagemagick pngquant
for picture in "$here/tests/data/photo.jpg" "$here/examples/sample.jpg" "$here"/tests/data/jpeg/*.jpg; do
    size=$("$identify" -format '%w %h' "$picture")
    width=${size% *}
    height=${size#* }
    "$cli" convert "$picture" -o "$work/reference.raw" -f rgb888 -W "$width" -H "$height" -q
    "$magick" -size "${width}x${height}" -depth 8 "rgb:$work/reference.raw" "$work/reference.png"
    for colours in 256 16; do
        format=i8
        [ "$colours" = 16 ] && format=i4
        "$magick" "$work/reference.png" +dither -colors "$colours" -depth 8 "rgb:$work/magick.raw"
        magickFigure=$(psnr "$work/reference.raw" "$work/magick.raw")
        quantFigure=-
        if [ -n "$pngquant" ]; then
            "$pngquant" --nofs --speed 1 --force --output "$work/quant.png" "$colours" "$work/reference.png"
            "$magick" "$work/quant.png" -depth 8 "rgb:$work/quant.raw"
            quantFigure=$(psnr "$work/reference.raw" "$work/quant.raw")
        fi
        printf '%-28s %7s  %-6s %8s %12s %9s\n' "$(basename "$picture")" "${width}x$height" "$format" \
            "$(ours "$picture" "$width" "$height" "$format")" "$magickFigure" "$quantFigure"
    done
done
