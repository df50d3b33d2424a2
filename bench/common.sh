# What the bench scripts share; sourced, never run.

# The median of one column (1-based) of a file of numbers, as the bench
# scripts report their rounds.
median() {
    awk -v column="$2" '{ print $column }' "$1" | sort -n | awk '
        { value[NR] = $1 }
        END { if (NR % 2) print value[(NR + 1) / 2]; else print (value[NR / 2] + value[NR / 2 + 1]) / 2 }'
}

# Ends the script (exit status 1), saying what is missing, unless ImageMagick's
# convert, python3 and the build's rasterkit-cli are at hand.
#   require_tools SCRIPT_NAME CLI BUILD_FOLDER
require_tools() {
    local missing=()
    command -v convert >/dev/null 2>&1 || missing+=("the command 'convert' (Debian package imagemagick)")
    command -v python3 >/dev/null 2>&1 || missing+=("the command 'python3' (Debian package python3)")
    [ -x "$2" ] || missing+=("$2 (build it: cmake --build $3 --target rasterkit-cli)")
    if [ ${#missing[@]} -gt 0 ]; then
        echo "$1: cannot run; missing:" >&2
        printf '  - %s\n' "${missing[@]}" >&2
        exit 1
    fi
}
