#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the Debian package (a Release build installed under /usr) and prints
# its path. Build folder: ${BUILD_DIR:-build-package}.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh dpkg-dev file   # dpkg-shlibdeps and file: the package's library dependencies
B=${BUILD_DIR:-build-package}
# Debian's hardening flags, as its own packages are built with (fortified
# string functions, stack protector, read-only relocations bound at start).
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
BUILD_DIR="$B" BUILD_TYPE=Release bash scripts/build.sh \
  -DDATACLAVE_BUILD_TESTS=OFF -DDATACLAVE_BUILD_BENCH=OFF -DCMAKE_INSTALL_PREFIX=/usr \
  -DCMAKE_CXX_FLAGS="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)" \
  -DCMAKE_EXE_LINKER_FLAGS="$(dpkg-buildflags --get LDFLAGS)"
rm -f "$B"/*.deb
(cd "$B" && cpack -G DEB >/dev/null)
deb=$(ls "$B"/*.deb)
echo "$(cd "$(dirname "$deb")" && pwd)/$(basename "$deb")"
