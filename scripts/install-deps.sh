#!/usr/bin/env bash
# Installs the Debian packages Sonquill needs to build, run and test. Quick when all are present.
set -euo pipefail

packages=(
    cmake g++ ninja-build
    qt6-base-dev qt6-base-dev-tools qt6-multimedia-dev libqt6svg6
    gstreamer1.0-plugins-base gstreamer1.0-plugins-good
    libbenchmark-dev
    pkg-config libsndfile1-dev libebur128-dev libsoxr-dev
    vorbis-tools sox libsox-fmt-mp3 ffmpeg
    fonts-dejavu-core fontconfig
    xvfb xauth imagemagick
    clang-format
    desktop-file-utils appstream man-db groff-base bash-completion
    dpkg-dev file lintian
)

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done

if [ ${#missing[@]} -eq 0 ]; then
    exit 0
fi

echo "Installing: ${missing[*]}"
sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then
    sudo_cmd=(sudo)
fi
"${sudo_cmd[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq "${missing[@]}"
