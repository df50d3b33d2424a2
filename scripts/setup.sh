#!/usr/bin/env bash
# Installs whatever the build and the tests need and is missing (Debian 12,
# run as root or with sudo available), then configures and builds into
# ./build. Safe to run again: it installs nothing that is already there and
# rebuilds incrementally.
set -euo pipefail

cd "$(dirname "$0")/.."

packages=(
    g++ make cmake pkg-config
    qt6-base-dev qt6-base-dev-tools qt6-qpa-plugins libgl-dev
    googletest libgtest-dev libgmock-dev libbenchmark-dev
    fonts-dejavu-core xvfb xauth
)

missing=()
for package in "${packages[@]}"; do
    status=$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)
    [[ "$status" == "install ok installed" ]] || missing+=("$package")
done

if ((${#missing[@]})); then
    echo "Installing: ${missing[*]}"
    sudo_cmd=()
    if [[ $(id -u) -ne 0 ]]; then
        command -v sudo >/dev/null || { echo "Please run as root: apt-get needs it to install ${missing[*]}." >&2; exit 1; }
        sudo_cmd=(sudo)
    fi
    export DEBIAN_FRONTEND=noninteractive
    "${sudo_cmd[@]}" apt-get update -qq
    "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

build_type=${RASTERKIT_BUILD_TYPE:-Release}
cmake -S . -B build -DCMAKE_BUILD_TYPE="$build_type" >/dev/null
cmake --build build -j2
