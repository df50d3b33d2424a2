#!/usr/bin/env bash
# Makes examples/pictures/oled-preview-and-panel.png: for each dither mode of
# the OLED example, rasterkit-cli's preview of the frame beside what the
# example's panel shows (the two are the same pixels; the test examples.oled
# checks them), each pixel drawn 3 x 3. Needs a build (build/) and
# ImageMagick; not run by the tests.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
magick=/usr/bin/convert
rows=()
for dither in diffusion ordered atkinson; do
    # The options the example's build converted with, one a line.
    mapfile -t frame <"$build/examples/oled/rasterkit_images/rasterkit_oled_$dither/options.txt"
    "$build/rasterkit-cli" convert examples/sample.jpg -o "$work/$dither.raw" --preview "$work/$dither-preview.png" \
        "${frame[@]}" -q
    "$build/examples/rasterkit_example_oled_$dither" "$work/$dither-panel.pgm"
    panel=$work/$dither-panel.pgm
    "$magick" "$work/$dither-preview.png" -scale 300% -bordercolor '#808080' -border 4 "$work/a.png"
    "$magick" "$panel" -scale 300% -bordercolor '#808080' -border 4 "$work/b.png"
    "$magick" "$work/a.png" "$work/b.png" +append -background white -gravity west \
        -splice 150x0 -font DejaVu-Sans -pointsize 20 -annotate +10+0 "$dither" "$work/row-$dither.png"
    rows+=("$work/row-$dither.png")
done
"$magick" "${rows[@]}" -background white -splice 0x8 -append -bordercolor white -border 8 \
    examples/pictures/oled-preview-and-panel.png
echo "examples/pictures/oled-preview-and-panel.png"
