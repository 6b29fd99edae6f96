#!/usr/bin/env bash
# Installs the Debian packages Sonquill needs, quickly when all are present.
#   scripts/install-deps.sh          what building and running the programs need
#   scripts/install-deps.sh --test   that, plus what the tests, benchmarks, screenshots, the
#                                    install check, formatting and packaging need
set -euo pipefail

with_test=false
case ${1:-} in
    --test) with_test=true ;;
    "") ;;
    *)
        echo "usage: scripts/install-deps.sh [--test]" >&2
        exit 2
        ;;
esac

packages=(
    cmake g++ ninja-build pkg-config
    qt6-base-dev qt6-base-dev-tools qt6-multimedia-dev libqt6svg6
    gstreamer1.0-plugins-base gstreamer1.0-plugins-good
    libsndfile1-dev libebur128-dev libsoxr-dev
    vorbis-tools xdg-utils
)
if $with_test; then
    packages+=(
        libbenchmark-dev
        sox libsox-fmt-mp3 ffmpeg
        # An independent validator of the JSON output against its schema.
        python3-jsonschema
        # A desktop's media stack, so that the sanitizer run sees the plugins users have.
        gstreamer1.0-libav gstreamer1.0-plugins-ugly pipewire
        fonts-dejavu-core fontconfig
        xvfb xauth imagemagick
        clang-format
        desktop-file-utils appstream man-db groff-base bash-completion
        dpkg-dev file lintian
    )
fi

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
