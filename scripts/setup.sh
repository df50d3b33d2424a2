#!/usr/bin/env bash
# Installs whatever the build and the tests need and is missing (Debian 12,
# run as root or with sudo available), then configures and builds into
# ./build. Safe to run again: it installs nothing that is already there and
# rebuilds incrementally.
#
# It prints one line a step; what apt-get, CMake and the compiler say goes to
# build/setup.log, whose last lines are shown if a step fails.
set -euo pipefail

cd "$(dirname "$0")/.."

packages=(
    g++ make cmake pkg-config python3
    qt6-base-dev qt6-base-dev-tools qt6-qpa-plugins qt6-translations-l10n libgl-dev libjpeg62-turbo-dev libpng-dev libgif-dev
    googletest libgtest-dev libgmock-dev libbenchmark-dev
    fonts-dejavu-core xvfb xauth
    clang libclang-rt-14-dev gcc-arm-none-eabi libnewlib-arm-none-eabi
    dpkg-dev file  # CPack finds the .deb's dependencies with dpkg-shlibdeps and file
    ccache
)

mkdir -p build
log=$PWD/build/setup.log
: >"$log"

# Runs a step with its output in the log; on failure shows the log's end.
step() {
    local what=$1
    shift
    echo "rasterkit: $what"
    if ! "$@" >>"$log" 2>&1; then
        echo "rasterkit: failed while $what; the last lines of $log:" >&2
        tail -n 30 "$log" >&2
        exit 1
    fi
}

missing=()
for package in "${packages[@]}"; do
    status=$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)
    [[ "$status" == "install ok installed" ]] || missing+=("$package")
done

if ((${#missing[@]})); then
    sudo_cmd=()
    if [[ $(id -u) -ne 0 ]]; then
        command -v sudo >/dev/null || { echo "Please run as root: apt-get needs it to install ${missing[*]}." >&2; exit 1; }
        sudo_cmd=(sudo)
    fi
    export DEBIAN_FRONTEND=noninteractive
    step "updating the package lists" "${sudo_cmd[@]}" apt-get update
    # apt-get pulls in what the missing packages depend on; count those too.
    count=$(apt-get install -s --no-install-recommends "${missing[@]}" 2>/dev/null | grep -c '^Inst ' || true)
    step "installing $count packages (${#missing[@]} asked for; the first time takes a few minutes)" \
        "${sudo_cmd[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
fi

# The compilers run through ccache, keyed on paths relative to this folder,
# so that a fresh clone (CI's) or a build folder made again compiles only what
# changed.
source scripts/compiler-cache.sh

build_type=${RASTERKIT_BUILD_TYPE:-Release}
step "configuring" cmake -S . -B build -DCMAKE_BUILD_TYPE="$build_type"
step "building (build/)" cmake --build build -j2
echo "rasterkit: done"
