#!/bin/bash
# Makes the animated GIFs in tests/data/animations with ImageMagick, and
# what ImageMagick itself shows of them: each frame composed (-coalesce) as
# NAME-NNN.png and the delays (in hundredths, one a line) as NAME.delays.
# The tests check every frame rasterkit-cli composes against these. Run it
# only to change the pictures: its outputs are committed.
set -euo pipefail
cd "$(dirname "$0")/../tests/data/animations"
magick=/usr/bin/convert
identify=/usr/bin/identify
rm -f ./*.gif ./*.png ./*.delays

# Every disposal, frames smaller than the screen, transparency, odd delays
# (0, 1, 7, 333 hundredths) and a loop count.
$magick -dispose none -delay 0 -size 40x30 xc:skyblue \
    -dispose background -delay 1 \( -size 10x10 xc:red -repage 40x30+5+5 \) \
    -dispose previous -delay 7 \( -size 12x8 xc:blue -repage 40x30+20+10 \) \
    -dispose none -delay 333 \( -size 6x6 xc:green -repage 40x30+2+20 \) \
    -dispose background -delay 25 \( -size 40x30 xc:none -fill yellow -draw "rectangle 30,0 39,5" -repage 40x30+0+0 \) \
    -dispose previous -delay 2 \( -size 8x8 xc:none -fill purple -draw "circle 4,4 4,1" -repage 40x30+30+20 \) \
    -dispose none -delay 5 \( -size 5x5 xc:white -repage 40x30+0+0 \) \
    -loop 3 disposals.gif

# A colour table for each frame, interlaced rows, a transparent frame over
# the one before.
$magick -delay 4 -size 32x24 gradient:red-blue \( -size 32x24 gradient:green-yellow -repage 32x24+0+0 \) \
    \( -size 20x20 xc:none -fill orange -draw "circle 10,10 10,2" -repage 32x24+6+2 \) \
    \( -size 32x24 -seed 3 plasma:fractal -repage 32x24+0+0 \) -interlace GIF -loop 0 palettes.gif

# A transparent first frame, cleared to transparency, and "previous" after it.
$magick -dispose background -delay 10 \( -size 24x24 xc:none -fill red -draw "rectangle 0,0 11,11" \) \
    \( -size 24x24 xc:none -fill blue -draw "rectangle 12,12 23,23" \) \
    -dispose previous \( -size 12x12 xc:lime -repage 24x24+6+6 \) \
    \( -size 12x12 xc:none -fill black -draw "point 3,3" -repage 24x24+0+12 \) transparent.gif

# A spinner: a small dot going round on a still background, optimised by
# ImageMagick into frames of what changed, with transparency.
$magick -size 48x48 gradient:navy-teal bg.png
frames=()
for step in $(seq 0 11); do
    read -r x y < <(python3 -c "import math; print(int(24 + 14 * math.cos($step * math.pi / 6)), int(24 + 14 * math.sin($step * math.pi / 6)))")
    frames+=(\( bg.png -fill white -draw "circle $x,$y $((x + 4)),$y" \))
done
$magick -delay 8 "${frames[@]}" +dither -remap bg.png -loop 0 -layers optimize spinner.gif
rm bg.png

for gif in disposals.gif palettes.gif spinner.gif transparent.gif; do
    name=${gif%.gif}
    $magick "$gif" -coalesce -define png:exclude-chunks=date,time "$name-%03d.png"
    $identify -format '%T\n' "$gif" >"$name.delays"
done

# More frames than 1 GiB decoded: 17 frames of one pixel on a screen of
# 4096 x 4096 (64 MiB each).
frames=()
for step in $(seq 0 16); do
    frames+=(\( -size 1x1 xc:red -repage 4096x4096+$step+0 \))
done
$magick "${frames[@]}" many-frames.gif

# Bad animations, from disposals.gif: frame 2 moved to pass the screen's
# right edge; the file cut inside frame 6; frame 3's codes all 1 bits.
python3 - <<'PYTHON'
data = open("disposals.gif", "rb").read()
frame2 = data.find(bytes([0x2C, 20, 0, 10, 0, 12, 0, 8, 0]))
outside = bytearray(data)
outside[frame2 + 1] = 35
open("outside.gif", "wb").write(outside)
frame6 = data.rfind(bytes([0x2C, 0, 0, 0, 0, 5, 0, 5, 0]))
open("cut-later.gif", "wb").write(data[:frame6 + 14])
frame3 = data.find(bytes([0x2C, 2, 0, 20, 0, 6, 0, 6, 0]))
start = frame3 + 10 + (3 * (2 << (data[frame3 + 9] & 7)) if data[frame3 + 9] & 0x80 else 0)
codes = bytearray(data)
for at in range(start + 2, start + 2 + data[start + 1]):
    codes[at] = 0xFF
open("bad-codes.gif", "wb").write(codes)
PYTHON
