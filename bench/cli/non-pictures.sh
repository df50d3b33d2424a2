#!/usr/bin/env bash
# Peak memory of rasterkit-cli refusing what is no picture: devices that
# never end (/dev/zero, /dev/urandom, several runs of the latter, as no
# reader may claim random bytes), a stream of zeros on standard input, and
# sparse files of zeros of 900 MiB (within the 1 GiB limit) and 2 GiB. Each
# run must exit with status 1 and a message naming the input, with a peak
# resident memory under the allowed MiB (default 64); a real picture is read
# for comparison.
#
#   bash bench/cli/non-pictures.sh [build folder] [allowed MiB]
set -euo pipefail
cd "$(dirname "$0")/../.."
build=${1:-build}
allowed=${2:-64}
cli="$build/rasterkit-cli"
work=$(mktemp -d /tmp/rasterkit-non-pictures.XXXXXX)
trap 'rm -rf "$work"' EXIT
truncate -s 900M "$work/zeros-900M"
truncate -s 2G "$work/zeros-2G"

status=0
# measure NAME EXPECTED-EXIT COMMAND...: runs the command (through bash
# -c), prints its exit status, peak memory and first line of standard error.
measure() {
    local name=$1 expected=$2
    shift 2
    local code=0
    /usr/bin/time -o "$work/time" -f %M bash -c "$*" 2>"$work/error" >/dev/null || code=$?
    local peak=$(($(tail -n 1 "$work/time") / 1024))
    printf '%-22s exit %d  peak %4d MiB  %s\n' "$name" "$code" "$peak" "$(grep -v '^Command exited' "$work/error" | head -n 1)"
    if ((code != expected || peak >= allowed)); then
        echo "  expected exit $expected and a peak under $allowed MiB" >&2
        status=1
    fi
}

measure "a real picture" 0 "'$cli' convert tests/data/known.gif -o '$work/out.raw' -q"
measure "/dev/zero" 1 "'$cli' convert /dev/zero -o '$work/out.raw'"
for run in 1 2 3 4 5; do
    measure "/dev/urandom ($run)" 1 "'$cli' convert /dev/urandom -o '$work/out.raw'"
done
measure "zeros on a pipe" 1 "head -c 2G /dev/zero | '$cli' convert - -o '$work/out.raw'"
measure "900 MiB file of zeros" 1 "'$cli' convert '$work/zeros-900M' -o '$work/out.raw'"
measure "2 GiB file of zeros" 1 "'$cli' convert '$work/zeros-2G' -o '$work/out.raw'"
exit $status
