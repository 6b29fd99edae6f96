#!/usr/bin/env bash
# Builds the Debian package build/package/sonquill_<version>-<release>_<arch>.deb from an
# optimised build in build/package-build, and checks it with lintian. Install it with
#   apt install ./build/package/sonquill_*.deb
# With --try (as root, on a machine without sonquill installed) it also installs the package,
# starts the desktop entry's command under a virtual display, and purges it again.
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
deb=("$out"/sonquill_*.deb)

echo "=== lintian ${deb[0]} ==="
lintian --fail-on error "${deb[0]}"
echo "Package: ${deb[0]}"

if ! $try; then
    exit 0
fi
if dpkg-query -W -f='${Status}' sonquill 2>/dev/null | grep -q "install ok installed"; then
    echo "sonquill is installed already; --try installs and purges it, so it stops here" >&2
    exit 1
fi
echo "=== installing ${deb[0]} ==="
DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "./${deb[0]}" >/dev/null
files=$(dpkg -L sonquill)
echo "sonquill-cli on the path: $(command -v sonquill-cli) ($(sonquill-cli --version))"
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

echo "=== purging sonquill ==="
DEBIAN_FRONTEND=noninteractive apt-get remove -y -qq --purge sonquill >/dev/null
left=0
while read -r path; do
    if [ -f "$path" ] || [ -L "$path" ]; then
        echo "left behind: $path" >&2
        left=1
    fi
done <<<"$files"
[ ! -d /usr/share/doc/sonquill ] || { echo "left behind: /usr/share/doc/sonquill" >&2; left=1; }
[ "$left" -eq 0 ] && echo "purged: none of the package's $(wc -l <<<"$files") paths is left"
exit "$left"
