#!/usr/bin/env bash
# Builds the Debian packages build/package/sonquill-cli_<version>-<release>_<arch>.deb (the
# command-line tool) and build/package/sonquill_<version>-<release>_<arch>.deb (the window, which
# depends on the first) from an optimised build in build/package-build, checks them with lintian
# and checks that the tool's package needs no graphical library. Install them with
#   apt install ./build/package/sonquill*.deb
# With --try (as root, on a machine without either installed) it also installs the tool's package
# alone and runs it, then the window's and starts the desktop entry's command under a virtual
# display, and purges both again.
set -euo pipefail
cd "$(dirname "$0")/.."

try=false
case ${1:-} in
    --try) try=true ;;
    "") ;;
    *)
        echo "usage: scripts/package.sh [--try]" >&2
        exit 2
        ;;
esac

scripts/install-deps.sh --test

build=build/package-build
out=build/package
jobs=$(nproc 2>/dev/null || echo 2)

# Debian's hardening flags, all of them, as a package built by dpkg-buildpackage can get them.
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
CXXFLAGS="$(dpkg-buildflags --get CXXFLAGS) $(dpkg-buildflags --get CPPFLAGS)"
LDFLAGS="$(dpkg-buildflags --get LDFLAGS)"
export CXXFLAGS LDFLAGS

cmake -S . -B "$build" -G Ninja \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
    -DSONQUILL_BUILD_TESTS=OFF -DSONQUILL_BUILD_BENCH=OFF -DSONQUILL_DEBIAN_LAYOUT=ON >/dev/null
cmake --build "$build" -j "$jobs"

# The Debian changelog names the version the package gets.
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
release=$(sed -n 's/^set(CPACK_DEBIAN_PACKAGE_RELEASE \([0-9]*\))$/\1/p' dist/debian/Packaging.cmake)
logged=$(dpkg-parsechangelog -l dist/debian/changelog -S Version)
if [ "$logged" != "$version-$release" ]; then
    echo "dist/debian/changelog starts at $logged, the package is $version-$release" >&2
    exit 1
fi

rm -rf "$out"
cpack --config "$build/CPackConfig.cmake" -B "$out"
rm -rf "$out/_CPack_Packages"
cli_deb=$(echo "$out"/sonquill-cli_*.deb)
window_deb=$(echo "$out"/sonquill_*.deb)

echo "=== lintian $cli_deb $window_deb ==="
lintian --fail-on error "$cli_deb" "$window_deb"

# The tool is for build servers: nothing it depends on, directly or not, may be graphical.
depends=$(dpkg-deb -f "$cli_deb" Depends | sed 's/([^)]*)//g; s/[,|]/ /g')
echo "sonquill-cli depends on: $depends"
closure=$(apt-cache depends --recurse --no-recommends --no-suggests --no-conflicts --no-breaks \
    --no-replaces --no-enhances $depends | sed -n 's/^\([a-z0-9][^ ]*\)$/\1/p' | sort -u)
graphical=$(grep -E '^(libqt6(gui|widgets|multimedia|svg)|libx11-|libwayland|libgl1|libegl|gstreamer|libgstreamer)' \
    <<<"$closure" || true)
if [ -n "$graphical" ]; then
    echo "sonquill-cli would bring in graphical packages:" $graphical >&2
    exit 1
fi
echo "sonquill-cli needs $(wc -l <<<"$closure") packages, none of them graphical"
echo "Packages: $cli_deb $window_deb"

if ! $try; then
    exit 0
fi
for package in sonquill sonquill-cli; do
    if dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
        echo "$package is installed already; --try installs and purges it, so it stops here" >&2
        exit 1
    fi
done
echo "=== installing $cli_deb alone ==="
DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "./$cli_deb" >/dev/null
cli_version=$(sonquill-cli --version)
echo "sonquill-cli on the path: $(command -v sonquill-cli) ($cli_version)"
if command -v sonquill >/dev/null; then
    echo "the tool's package brought the window program along" >&2
    exit 1
fi
echo "=== installing $window_deb ==="
DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "./$window_deb" >/dev/null
files=$(dpkg -L sonquill sonquill-cli)
window_version=$(QT_QPA_PLATFORM=offscreen sonquill --version 2>/dev/null)
echo "sonquill on the path: $(command -v sonquill) ($window_version)"
entry=/usr/share/applications/org.sonquill.Sonquill.desktop
test -f "$entry"
command=$(sed -n 's/^Exec=//p' "$entry")
command=${command// %F/}
echo "starting '$command' from $entry for 5 seconds"
home=$(mktemp -d)
status=0
HOME=$home XDG_CONFIG_HOME=$home/.config QT_QPA_PLATFORM=xcb \
    timeout 5 xvfb-run -a -s "-screen 0 1024x768x24" $command >/dev/null 2>&1 || status=$?
rm -rf "$home"
# timeout answers 124 when the window was still open after the 5 seconds.
if [ "$status" -ne 124 ]; then
    echo "the window did not stay open (exit status $status)" >&2
    exit 1
fi

echo "=== purging sonquill and sonquill-cli ==="
DEBIAN_FRONTEND=noninteractive apt-get remove -y -qq --purge sonquill sonquill-cli >/dev/null
left=0
while read -r path; do
    if [ -f "$path" ] || [ -L "$path" ]; then
        echo "left behind: $path" >&2
        left=1
    fi
done <<<"$files"
for folder in /usr/share/doc/sonquill /usr/share/doc/sonquill-cli; do
    [ ! -d "$folder" ] || { echo "left behind: $folder" >&2; left=1; }
done
[ "$left" -eq 0 ] && echo "purged: none of the packages' $(wc -l <<<"$files") paths is left"
exit "$left"
