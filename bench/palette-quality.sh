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
# is GPL and only run here, never linked. Cutting the low bits leaves the
# other tools' colours a little dark, which our palette avoids (it rounds
# its colours to the nearest 5:6:5 ones): the two columns "rounded" give
# their figures with each channel rounded to the nearest 5:6:5 level
# instead. Those tools see the 8-bit samples, while ours chooses for the
# samples reduced to 5:6:5 (so that a frame of few 5:6:5 colours is kept
# exactly), so their rounded figure can pass even that of the "RGB 5:6:5"
# format itself, which cuts every sample's low bits.
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

psnr() { # reference.raw quantised.raw [rounded]: PSNR after 5:6:5
    python3 - "$1" "$2" "${3:-cut}" <<'EOF'
import math, sys
reference = open(sys.argv[1], 'rb').read()
quantised = open(sys.argv[2], 'rb').read()
steps = (8, 4, 8)
def reduced(value, step):
    if sys.argv[3] == 'rounded':
        return min((value + step // 2) // step * step, 256 - step)
    return value // step * step
total = sum((reference[i] - reduced(quantised[i], steps[i % 3])) ** 2 for i in range(len(reference)))
print('inf' if total == 0 else '%.2f' % (10 * math.log10(255 * 255 / (total / len(reference)))))
EOF
}

ours() { # picture width height format: compare's PSNR
    "$cli" compare "$1" -W "$2" -H "$3" --formats "$4" --json \
        | python3 -c 'import json, sys; value = json.load(sys.stdin)[0]["psnr"]; print("inf" if value is None else "%.2f" % value)'
}

printf '%-28s %7s  %-6s %7s %12s %9s %10s %10s\n' picture size format ours imagemagick pngquant \
    "im rounded" "pq rounded"
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
        magickRounded=$(psnr "$work/reference.raw" "$work/magick.raw" rounded)
        quantFigure=-
        quantRounded=-
        if [ -n "$pngquant" ]; then
            "$pngquant" --nofs --speed 1 --force --output "$work/quant.png" "$colours" "$work/reference.png"
            "$magick" "$work/quant.png" -depth 8 "rgb:$work/quant.raw"
            quantFigure=$(psnr "$work/reference.raw" "$work/quant.raw")
            quantRounded=$(psnr "$work/reference.raw" "$work/quant.raw" rounded)
        fi
        printf '%-28s %7s  %-6s %7s %12s %9s %10s %10s\n' "$(basename "$picture")" "${width}x$height" "$format" \
            "$(ours "$picture" "$width" "$height" "$format")" "$magickFigure" "$quantFigure" "$magickRounded" \
            "$quantRounded"
    done
done
