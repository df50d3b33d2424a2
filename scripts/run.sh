#!/usr/bin/env bash
# Builds the programs (installing what is missing) and starts the window.
# Without a display it says so and shows how to use rasterkit-cli instead.
set -euo pipefail

cd "$(dirname "$0")/.."
bash scripts/setup.sh

if [[ -z "${DISPLAY:-}" && -z "${WAYLAND_DISPLAY:-}" && -z "${QT_QPA_PLATFORM:-}" ]]; then
    cat >&2 <<'TEXT'
There is no display here (neither DISPLAY nor WAYLAND_DISPLAY is set), so the
window cannot open. The command-line tool does the same conversion headless:

    build/rasterkit-cli convert examples/sample.jpg -o build/sample.raw -f rgb565x8

Example run on the sample picture:
TEXT
    out=$(mktemp --suffix=.raw)
    build/rasterkit-cli convert examples/sample.jpg -o "$out" -f "RGB 5:6:5x8"
    rm -f "$out"
    echo >&2
    echo "For all options: build/rasterkit-cli convert --help" >&2
    exit 0
fi

exec build/rasterkit "$@"
