#!/usr/bin/env bash
# Rasterkit side by side with its peers on this machine. Never run by CTest.
#
#   1. A centre 320 x 240 frame of a 4096 x 4096 JPEG to "RGB 5:6:5":
#      rasterkit-cli against ffmpeg cropping the same pixels.
#      Goals: at least 8 times faster, at most a fifth of ffmpeg's peak memory.
#   2. 200 pictures (JPEG, BMP, GIF) in one rasterkit-cli call against one
#      ffmpeg process per picture. Goal: at least 20 times faster.
#   3. The window: from the choice of the 4096 x 4096 (16-megapixel) JPEG in
#      the open dialog to the picture on the screen, the window's decoder
#      against Qt's reader (build/bench/rasterkit_bench_window under
#      xvfb-run). Goal: at most a quarter of the time.
#   4. A 320 x 240 PNG against the same picture as a JPEG, both to
#      "RGB 5:6:5" by rasterkit-cli, whole process, and whether a PNG run
#      loads Qt Gui (LD_DEBUG=files). Goal: the PNG in at most 1.5 times the
#      JPEG's time, without Qt Gui.
#
# Each round runs ours and the peer one after the other, taking turns at
# going first, so that both meet the same load. Times are wall-clock medians;
# CPU time (user + system) is shown too, since it depends less on what else
# the machine is doing. Each run is timed from its spawn to its end, with
# nothing between (bench/timed-run.py). Peak memory is the largest resident
# size of any process of the run, the kernel's figure that /usr/bin/time -f %M
# prints; one more run of each side under /usr/bin/time checks it.
#
# The pictures are made here with ImageMagick in a temporary folder that is
# removed at the end (kept with --keep).

set -euo pipefail

usage() {
    cat <<'EOF'
Usage: bench/compare-peers.sh [--build DIR] [--rounds N] [--batch-rounds N]
                              [--only crop|batch|window|png]... [--keep]

  --build DIR       the build folder holding rasterkit-cli and
                    bench/rasterkit_bench_window (default: build)
  --rounds N        rounds for the frame, the window and the PNG (default 7)
  --batch-rounds N  rounds for the batch of 200 pictures (default 3)
  --only PART       run only this part; may be given more than once
  --keep            keep the temporary folder with the pictures and outputs
EOF
}

root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build"
rounds=7
batch_rounds=3
parts=()
keep=0
while [ $# -gt 0 ]; do
    case "$1" in
    --build) build=$(cd "$2" && pwd); shift 2 ;;
    --rounds) rounds=$2; shift 2 ;;
    --batch-rounds) batch_rounds=$2; shift 2 ;;
    --only)
        case "$2" in
        crop | batch | window | png) parts+=("$2") ;;
        *) echo "compare-peers.sh: unknown part \"$2\": the parts are crop, batch, window and png." >&2; exit 2 ;;
        esac
        shift 2 ;;
    --keep) keep=1; shift ;;
    -h | --help) usage; exit 0 ;;
    *) echo "compare-peers.sh: unknown argument \"$1\"." >&2; usage >&2; exit 2 ;;
    esac
done
[ ${#parts[@]} -gt 0 ] || parts=(crop batch window png)
wants() { [[ " ${parts[*]} " == *" $1 "* ]]; }

# --- What the script needs ---------------------------------------------------

# The peers and tools are not needed to build or test, so scripts/setup.sh
# does not install them.
missing=()
packages=()
need_command() { # command, Debian package
    if ! command -v "$1" >/dev/null 2>&1; then
        missing+=("the command '$1' (Debian package $2)")
        packages+=("$2")
    fi
}
need_command convert imagemagick
need_command python3 python3
[ -x /usr/bin/time ] || { missing+=("/usr/bin/time (Debian package time)"); packages+=(time); }
if wants crop || wants batch; then
    need_command ffmpeg ffmpeg
fi
if wants crop || wants batch || wants png; then
    [ -x "$build/rasterkit-cli" ] || missing+=("$build/rasterkit-cli (build it: cmake --build $build --target rasterkit-cli)")
fi
if wants window; then
    need_command xvfb-run xvfb
    [ -x "$build/bench/rasterkit_bench_window" ] \
        || missing+=("$build/bench/rasterkit_bench_window (configure with -DRASTERKIT_BUILD_BENCH=ON and build the target rasterkit_bench_window)")
fi
if [ ${#missing[@]} -gt 0 ]; then
    echo "compare-peers.sh: cannot run; missing:" >&2
    printf '  - %s\n' "${missing[@]}" >&2
    [ ${#packages[@]} -eq 0 ] || echo "Install the packages with: apt-get install ${packages[*]}" >&2
    exit 1
fi

cli="$build/rasterkit-cli"
work=$(mktemp -d "${TMPDIR:-/tmp}/rasterkit-peers.XXXXXX")
if [ "$keep" = 1 ]; then
    echo "Pictures and outputs are kept in $work"
else
    trap 'rm -rf "$work"' EXIT
fi

echo "Machine: $(nproc) cores; load average $(cut -d' ' -f1-3 /proc/loadavg) at the start"

# --- Measuring ---------------------------------------------------------------

# Runs a command once, its output thrown away, and appends "wall_ms cpu_ms"
# to the file named first. The command is one string of shell
# words (quoted as for the shell), run directly by bench/timed-run.py: no
# shell and no wrapper program between the start and the end of the timing,
# which would add their own start-up (several milliseconds a process on this
# kind of machine) to both sides and weigh most on the faster one. The
# "harness" line shows what is left: /bin/true measured the same way. A
# command that fails stops the script.
measure() {
    local into=$1 command=$2
    local -a words
    eval "words=($command)"
    if ! python3 "$root/bench/timed-run.py" "$into" "$work/stderr" "${words[@]}"; then
        echo "compare-peers.sh: this command failed: $command" >&2
        cat "$work/stderr" >&2
        exit 1
    fi
}

# Peak memory in MB as /usr/bin/time -f %M reports it (the largest resident
# size of any process of the run), for one more run of the command, untimed.
peak_by_time() {
    local -a words
    eval "words=($1)"
    /usr/bin/time -f %M -o "$work/peak" "${words[@]}" >/dev/null 2>"$work/stderr" \
        || { echo "compare-peers.sh: this command failed: $1" >&2; cat "$work/stderr" >&2; exit 1; }
    awk '{ kb = $1 } END { printf "%.1f", kb / 1024 }' "$work/peak"
}

# The median of column N of a file of measurements.
source "$root/bench/common.sh" # median

# Runs ours and the peer for the given rounds, taking turns at going first,
# then prints their medians and the ratios. Arguments: a title, the rounds,
# the speed goal (times faster), the memory goal as a fraction of the peer's
# peak ("" for none), then the name of ours, its command as one string, the
# name of the peer and its command.
compare() {
    local title=$1 count=$2 speed_goal=$3 memory_goal=$4 our_name=$5 our_command=$6 peer_name=$7 peer_command=$8
    local ours="$work/ours.times" peer="$work/peer.times"
    rm -f "$ours" "$peer"
    echo
    echo "$title ($count rounds)"
    # One run of each, not counted, brings programs, libraries and pictures
    # into memory; then the pictures just made, and that run's outputs, are
    # written out to disk, so that no round waits on writing them (a program
    # that syncs its output, as ours does, would otherwise also wait for them).
    measure "$work/warm-up.times" "$our_command"
    measure "$work/warm-up.times" "$peer_command"
    sync
    for ((round = 1; round <= count; round++)); do
        if ((round % 2)); then
            measure "$ours" "$our_command"
            measure "$peer" "$peer_command"
        else
            measure "$peer" "$peer_command"
            measure "$ours" "$our_command"
        fi
        [ -t 2 ] && printf '  round %d of %d done\r' "$round" "$count" >&2
    done
    [ -t 2 ] && printf '%30s\r' '' >&2
    local our_peak peer_peak
    our_peak=$(peak_by_time "$our_command")
    peer_peak=$(peak_by_time "$peer_command")
    printf '%-22s %10s %10s %10s\n' "" "wall ms" "CPU ms" "peak MB"
    printf '  %-20s %10s %10s %10s\n' "$our_name" "$(median "$ours" 1)" "$(median "$ours" 2)" "$our_peak"
    printf '  %-20s %10s %10s %10s\n' "$peer_name" "$(median "$peer" 1)" "$(median "$peer" 2)" "$peer_peak"
    awk -v ow="$(median "$ours" 1)" -v pw="$(median "$peer" 1)" -v oc="$(median "$ours" 2)" -v pc="$(median "$peer" 2)" \
        -v om="$our_peak" -v pm="$peer_peak" -v speed="$speed_goal" -v memory="$memory_goal" \
        -v peer_name="$peer_name" 'BEGIN {
        ratio = pw / (ow > 0 ? ow : 1)
        printf "  Speed: %.1f x faster than %s, wall clock (goal at least %g x: %s); %.1f x in CPU time\n",
            ratio, peer_name, speed, (ratio >= speed ? "met" : "MISSED"), pc / (oc > 0 ? oc : 1)
        share = om / pm
        if (memory != "")
            printf "  Peak memory: %.2f of the peer'\''s (goal at most %.2f: %s)\n", share, memory, share <= memory ? "met" : "MISSED"
        else
            printf "  Peak memory: %.2f of the peer'\''s\n", share
    }'
}

# --- Pictures ----------------------------------------------------------------

photo="$work/photo-4096.jpg"
if wants crop || wants batch || wants window || wants png; then
    echo "Making a 4096 x 4096 photo-like JPEG (4:2:0, quality 90) with ImageMagick..."
    # A fractal landscape with film grain: about 3.7 MB, like a phone's photo.
    convert -size 1024x1024 -seed 7 plasma:fractal -resize 4096x4096 -seed 7 -attenuate 0.3 +noise Gaussian \
        -quality 90 -sampling-factor 2x2 "$photo"
fi

# --- 1. One frame from a big JPEG --------------------------------------------

if wants crop; then
    # The frame's column i (1-based) reads the picture's column left + i, so
    # the frame whose first sample is column X has its origin at X - 1.
    x=$(((4096 - 320) / 2))
    y=$(((4096 - 240) / 2))
    ours_out="$work/crop-ours.raw"
    peer_out="$work/crop-ffmpeg.raw"
    compare "1. Centre 320 x 240 frame of a 4096 x 4096 JPEG to \"RGB 5:6:5\"" "$rounds" 8 0.2 \
        rasterkit-cli "'$cli' convert '$photo' -o '$ours_out' -f rgb565 --origin $((x - 1)),$((y - 1)) -q" \
        ffmpeg "ffmpeg -nostdin -loglevel error -y -i '$photo' -vf crop=320:240:$x:$y,format=bgr24 -sws_flags neighbor -pix_fmt rgb565be -f rawvideo '$peer_out'"

    # What any run of rasterkit-cli costs before it reads a picture: loading
    # Qt and the libraries it links (the floor under the figures above).
    rm -f "$work/startup.times" "$work/harness.times"
    for ((round = 1; round <= rounds; round++)); do
        measure "$work/startup.times" "'$cli' --version"
        measure "$work/harness.times" /bin/true
    done
    printf '  %-20s %10s %10s %10s   (start-up alone: rasterkit-cli --version)\n' "start-up" \
        "$(median "$work/startup.times" 1)" "$(median "$work/startup.times" 2)" "$(peak_by_time "'$cli' --version")"
    printf '  %-20s %10s %10s %10s   (this script measuring /bin/true: in every figure above)\n' "harness" \
        "$(median "$work/harness.times" 1)" "$(median "$work/harness.times" 2)" "$(peak_by_time /bin/true)"

    if cmp -s "$ours_out" "$peer_out"; then
        echo "  Output: byte-identical to ffmpeg's."
    else
        # ffmpeg decodes JPEG with its own decoder and turns YCbCr into RGB
        # with its own scaler; both round differently from libjpeg-turbo.
        # The same conversion of the pixels libjpeg-turbo decodes (through
        # ImageMagick, which agrees with Qt's reader) must give our bytes.
        convert "$photo" -crop "320x240+$x+$y" +repage "$work/crop-libjpeg.ppm"
        ffmpeg -nostdin -loglevel error -y -i "$work/crop-libjpeg.ppm" -vf format=bgr24 -sws_flags neighbor \
            -pix_fmt rgb565be -f rawvideo "$work/crop-ffmpeg-from-libjpeg.raw"
        python3 - "$ours_out" "$peer_out" <<'EOF'
import sys
ours, peer = (open(path, "rb").read() for path in sys.argv[1:3])
differing, largest = 0, [0, 0, 0]
for index in range(0, min(len(ours), len(peer)), 2):
    a, b = (ours[index] << 8) | ours[index + 1], (peer[index] << 8) | peer[index + 1]
    if a != b:
        differing += 1
        for channel, (shift, mask) in enumerate(((11, 31), (5, 63), (0, 31))):
            largest[channel] = max(largest[channel], abs(((a >> shift) & mask) - ((b >> shift) & mask)))
print(f"  Output: {differing} of {len(ours) // 2} pixels differ from ffmpeg's (1 in {len(ours) // 2 // max(differing, 1)}), "
      f"by at most {largest[0]}, {largest[1]}, {largest[2]} steps of red, green, blue.")
EOF
        if cmp -s "$ours_out" "$work/crop-ffmpeg-from-libjpeg.raw"; then
            echo "  ffmpeg given the frame as libjpeg-turbo decodes it writes exactly our bytes: the difference is"
            echo "  ffmpeg's own JPEG decoder and YCbCr conversion, not the frame or the pixel format."
        else
            echo "  ffmpeg given the frame as libjpeg-turbo decodes it still differs from ours: CHECK THE OUTPUT."
        fi
    fi
fi

# --- 2. A batch of 200 pictures ----------------------------------------------

if wants batch; then
    echo
    echo "Making 200 pictures: 96 JPEG (512 x 341), 52 BMP and 52 GIF (512 x 315)..."
    pictures="$work/batch"
    mkdir -p "$pictures" "$work/batch-ours" "$work/batch-ffmpeg"
    convert "$photo" -crop 8x12@ +repage -quality 85 "$pictures/photo-%03d.jpg"
    convert "$photo" -crop 8x13@ +repage "$pictures/tile-%03d.bmp"
    gifs=()
    for ((index = 52; index < 104; index++)); do gifs+=("$pictures/$(printf 'tile-%03d' "$index").bmp"); done
    mogrify -format gif "${gifs[@]}"
    rm -f "${gifs[@]}"

    # The default frame reads the pictures' columns 1..320 and rows 1..240.
    peer_loop="for picture in '$pictures'/*; do name=\${picture##*/}; \
ffmpeg -nostdin -loglevel error -y -i \"\$picture\" -vf crop=320:240:1:1,format=bgr24 -sws_flags neighbor \
-pix_fmt rgb565be -f rawvideo '$work/batch-ffmpeg'/\"\${name%.*}.raw\"; done"
    peer_loop="sh -c $(printf '%q' "$peer_loop")"
    compare "2. 200 pictures in one call against one ffmpeg process per picture" "$batch_rounds" 20 "" \
        "rasterkit-cli" "'$cli' convert '$pictures'/* -o '$work/batch-ours/' -f rgb565 -q" \
        "ffmpeg per picture" "$peer_loop"

    same=0 jpeg_same=0 jpeg=0 other=0
    for picture in "$pictures"/*; do
        name=${picture##*/}
        stem=${name%.*}
        if cmp -s "$work/batch-ours/$stem.raw" "$work/batch-ffmpeg/$stem.raw"; then
            same=$((same + 1))
            [ "${name##*.}" = jpg ] && jpeg_same=$((jpeg_same + 1))
        fi
        if [ "${name##*.}" = jpg ]; then jpeg=$((jpeg + 1)); else other=$((other + 1)); fi
    done
    echo "  Output: $((same - jpeg_same)) of $other BMP and GIF outputs byte-identical to ffmpeg's;" \
        "$jpeg_same of $jpeg JPEG outputs (ffmpeg's own JPEG decoding differs, see 1)."
fi

# --- 3. The window opening a 16-megapixel photo ------------------------------

if wants window; then
    echo
    echo "3. The window: from the choice of a 4096 x 4096 JPEG in the open dialog to the picture shown ($rounds rounds)"
    RASTERKIT_BENCH_PHOTO="$photo" xvfb-run -a "$build/bench/rasterkit_bench_window" \
        --benchmark_filter='^OpenPhotoToShown' --benchmark_repetitions="$rounds" \
        --benchmark_enable_random_interleaving=true --benchmark_format=csv >"$work/window.csv" 2>"$work/window.log" \
        || { echo "compare-peers.sh: the window benchmark failed:" >&2; cat "$work/window.log" >&2; exit 1; }
    # Rows: name,iterations,real_time,cpu_time,time_unit,...; argument 0 is
    # the window's decoder, 1 Qt's reader.
    awk -F, '
        /^"OpenPhotoToShown\/0\/.*_median"/ { ours = $3; ourCpu = $4 }
        /^"OpenPhotoToShown\/1\/.*_median"/ { peer = $3; peerCpu = $4 }
        END {
            if (ours == "" || peer == "") { print "  No medians in the benchmark output."; exit 1 }
            printf "%-22s %10s %10s\n", "", "wall ms", "CPU ms"
            printf "  %-20s %10.1f %10.1f\n", "window'\''s decoder", ours, ourCpu
            printf "  %-20s %10.1f %10.1f\n", "Qt'\''s reader", peer, peerCpu
            share = ours / peer
            printf "  Time: %.2f of Qt'\''s reader'\''s, wall clock (goal at most 0.25: %s)\n", share, share <= 0.25 ? "met" : "MISSED"
        }' "$work/window.csv"
fi

# --- 4. A PNG against the same picture as a JPEG ----------------------------

if wants png; then
    echo
    echo "4. A 320 x 240 picture to \"RGB 5:6:5\" by rasterkit-cli: as PNG and as JPEG ($rounds rounds)"
    # The centre of the photo, as an RGB PNG, as an RGBA PNG (alpha falling
    # from opaque at the top to clear at the bottom, like a UI piece), and as
    # a JPEG (4:2:0, quality 90).
    small="$work/small"
    convert "$photo" -gravity center -crop 320x240+0+0 +repage "$small.ppm"
    convert "$small.ppm" -define png:color-type=2 "$small-rgb.png"
    convert "$small.ppm" \( -size 320x240 gradient:white-black \) -alpha off -compose CopyOpacity -composite \
        -define png:color-type=6 "$small-rgba.png"
    convert "$small.ppm" -quality 90 -sampling-factor 2x2 "$small.jpg"
    png_command() { echo "'$cli' convert '$1' -o '$work/small-out.raw' -f rgb565 -q"; }
    rm -f "$work"/small-*.times
    for kind in jpg rgb.png rgba.png; do
        picture="$small.$kind"
        [ "$kind" = jpg ] || picture="$small-$kind"
        measure "$work/warm-up.times" "$(png_command "$picture")"
    done
    sync
    for ((round = 1; round <= rounds; round++)); do
        # Each round in another order, so that none always goes first.
        order=(jpg rgb.png rgba.png)
        order=("${order[@]:round % 3}" "${order[@]:0:round % 3}")
        for kind in "${order[@]}"; do
            picture="$small.$kind"
            [ "$kind" = jpg ] || picture="$small-$kind"
            measure "$work/small-$kind.times" "$(png_command "$picture")"
        done
    done
    printf '%-22s %10s %10s %10s %12s\n' "" "wall ms" "CPU ms" "peak MB" "Qt Gui"
    for kind in jpg rgb.png rgba.png; do
        picture="$small.$kind"
        [ "$kind" = jpg ] || picture="$small-$kind"
        # Which shared libraries the run loaded, as the dynamic loader tells them.
        eval "words=($(png_command "$picture"))"
        LD_DEBUG=files LD_DEBUG_OUTPUT="$work/loaded" "${words[@]}" >/dev/null 2>&1
        if grep -qh 'libQt6Gui\|librasterkit-cli-gui' "$work"/loaded.*; then gui="loaded"; else gui="not loaded"; fi
        rm -f "$work"/loaded.*
        case $kind in jpg) name="JPEG" ;; rgb.png) name="PNG (RGB)" ;; *) name="PNG (RGBA)" ;; esac
        printf '  %-20s %10s %10s %10s %12s\n' "$name" "$(median "$work/small-$kind.times" 1)" \
            "$(median "$work/small-$kind.times" 2)" "$(peak_by_time "$(png_command "$picture")")" "$gui"
    done
    awk -v jpeg="$(median "$work/small-jpg.times" 1)" -v rgb="$(median "$work/small-rgb.png.times" 1)" \
        -v rgba="$(median "$work/small-rgba.png.times" 1)" 'BEGIN {
        printf "  Time: PNG (RGB) %.2f, PNG (RGBA) %.2f of the JPEG'\''s, wall clock (goal at most 1.5: %s)\n",
            rgb / jpeg, rgba / jpeg, (rgb / jpeg <= 1.5 && rgba / jpeg <= 1.5) ? "met" : "MISSED"
    }'
fi

echo
echo "Load average $(cut -d' ' -f1-3 /proc/loadavg) at the end"
