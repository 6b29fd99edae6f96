#!/usr/bin/env bash
# Builds the Debian package build/package/sonquill_<version>-<release>_<arch>.deb from an
# optimised build in build/package-build, and checks it with lintian. Install it with
#   apt install ./build/package/sonquill_*.deb
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh

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
