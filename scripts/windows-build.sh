#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Cross-builds the programs for 64-bit Windows with MinGW-w64 and packs them,
# with what they need to run, into dataclave-<version>-windows-x64.zip.
#
# Qt, hidapi and googletest for Windows are built from Debian's source
# packages (the same Qt version as the build machine's, whose moc, rcc and
# uic the cross-build uses) into a cache outside the checkout:
#   ${XDG_CACHE_HOME:-$HOME/.cache}/dataclave/mingw-<qt version>-<hash of the flags>
# which later runs reuse; the first build of Qt takes about 20 minutes of two
# cores. The project is built into ${BUILD_DIR:-build-windows}.
# Prints the zip's path on its last line.
set -euo pipefail
cd "$(dirname "$0")/.."
SRC=$PWD
bash scripts/setup.sh mingw-w64 g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix \
  qt6-base-dev-tools dpkg-dev zip >&2

QT_VERSION_DEB=$(dpkg-query -W -f '${Version}' qt6-base-dev-tools)
QT_VERSION=${QT_VERSION_DEB%%+*}
NICE=(nice -n "${DEPS_NICE:-19}")
TOOLCHAIN=$SRC/packaging/windows/mingw64.cmake
JOBS=$(nproc)

# Qt for Windows, as small as the programs allow. OpenGL is off as an input
# too (else dynamic GL stays on and the windows plugin wants its GL context);
# Debian's tarball leaves out wintab.h, so no tablet events.
QT_FLAGS=(
  -DCMAKE_BUILD_TYPE=Release -DBUILD_SHARED_LIBS=ON
  -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF -DQT_BUILD_BENCHMARKS=OFF
  -DFEATURE_network=OFF -DFEATURE_sql=OFF -DFEATURE_dbus=OFF -DFEATURE_printsupport=OFF
  -DFEATURE_opengl=OFF -DINPUT_opengl=no -DFEATURE_vulkan=OFF -DFEATURE_freetype=OFF
  -DFEATURE_fontconfig=OFF -DFEATURE_tabletevent=OFF -DFEATURE_concurrent=OFF -DFEATURE_xml=OFF
  -DFEATURE_system_zlib=OFF -DFEATURE_system_pcre2=OFF -DFEATURE_system_png=OFF
  -DFEATURE_system_harfbuzz=OFF -DFEATURE_system_doubleconversion=OFF -DFEATURE_system_jpeg=OFF
  -DFEATURE_sql_sqlite=OFF -DFEATURE_system_sqlite=OFF
)
# The Debian source packages of the libraries (versions as in bookworm);
# hidapi as hidapi.dll, the name its Windows users know.
HIDAPI_SRC=hidapi
HIDAPI_FLAGS=(-DCMAKE_BUILD_TYPE=Release -DBUILD_SHARED_LIBS=ON)
HIDAPI_DLL=hidapi.dll
GTEST_SRC=googletest
HASH=$( { printf '%s\n' "${QT_FLAGS[@]}" "$QT_VERSION_DEB" "$HIDAPI_SRC" "${HIDAPI_FLAGS[@]}" "$HIDAPI_DLL" "$GTEST_SRC"; cat "$TOOLCHAIN";
          x86_64-w64-mingw32-g++-posix -dumpfullversion; } | sha256sum | cut -c1-12)
CACHE_ROOT=${XDG_CACHE_HOME:-$HOME/.cache}/dataclave
PREFIX=$CACHE_ROOT/mingw-$QT_VERSION-$HASH

# Each step leaves a mark in the work folder, so an interrupted run goes on
# where it stopped (ninja resumes the Qt build).
build_deps() {
  local work=$PREFIX.work
  mkdir -p "$work/apt/lists/partial" "$work/apt/cache/archives/partial"
  if [ ! -e "$work/fetched" ]; then
    rm -rf "$work/src" && mkdir -p "$work/src"
    # A sources list of our own: nothing under /etc changes.
    echo "deb-src [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] ${DEBIAN_MIRROR:-http://deb.debian.org/debian} bookworm main" \
      >"$work/apt/sources.list"
    local apt=(apt-get -q -o Dir::Etc::SourceList="$work/apt/sources.list" -o Dir::Etc::SourceParts=/nonexistent
               -o Dir::State::Lists="$work/apt/lists" -o Dir::Cache="$work/apt/cache"
               -o APT::Sandbox::User=root)
    "${apt[@]}" update >&2
    (cd "$work/src" && "${apt[@]}" source "qt6-base=$QT_VERSION_DEB" "$HIDAPI_SRC" "$GTEST_SRC" >&2)
    touch "$work/fetched"
  fi
  local qtsrc hidsrc gtsrc
  qtsrc=$(ls -d "$work"/src/qt6-base-*/)
  hidsrc=$(ls -d "$work"/src/hidapi-*/)
  gtsrc=$(ls -d "$work"/src/googletest-*/)

  if [ ! -e "$work/hidapi-done" ]; then
    echo "Building hidapi for Windows" >&2
    echo 'set(CMAKE_SHARED_LIBRARY_PREFIX "")' >"$hidsrc/no-lib-prefix.cmake"
    "${NICE[@]}" cmake -S "$hidsrc" -B "$work/b-hidapi" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$TOOLCHAIN" \
      "${HIDAPI_FLAGS[@]}" -DCMAKE_PROJECT_hidapi_INCLUDE="$hidsrc/no-lib-prefix.cmake" -DCMAKE_INSTALL_PREFIX="$PREFIX" >/dev/null
    "${NICE[@]}" cmake --build "$work/b-hidapi" --target install >/dev/null
    touch "$work/hidapi-done"
  fi
  if [ ! -e "$work/gtest-done" ]; then
    echo "Building googletest for Windows" >&2
    "${NICE[@]}" cmake -S "$gtsrc" -B "$work/b-gtest" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$TOOLCHAIN" \
      -DCMAKE_BUILD_TYPE=Release -DBUILD_SHARED_LIBS=OFF -DBUILD_GMOCK=ON -DCMAKE_INSTALL_PREFIX="$PREFIX" >/dev/null
    "${NICE[@]}" cmake --build "$work/b-gtest" --target install >/dev/null
    touch "$work/gtest-done"
  fi

  echo "Building Qt $QT_VERSION for Windows (about 20 minutes of two idle cores)" >&2
  if [ ! -e "$work/b-qt/build.ninja" ]; then
    "${NICE[@]}" cmake -S "$qtsrc" -B "$work/b-qt" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$TOOLCHAIN" \
      -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
      -DCMAKE_INSTALL_PREFIX="$PREFIX" "${QT_FLAGS[@]}" >"$work/qt-configure.log" 2>&1 \
      || { tail -50 "$work/qt-configure.log" >&2; rm -f "$work/b-qt/build.ninja"; return 1; }
  fi
  local start=$SECONDS
  "${NICE[@]}" cmake --build "$work/b-qt" -j "$JOBS" >"$work/qt-build.log" 2>&1 \
    || { grep -A20 -m3 'FAILED' "$work/qt-build.log" >&2 || tail -50 "$work/qt-build.log" >&2; return 1; }
  cmake --install "$work/b-qt" >/dev/null
  # What the build took, kept for planning CI's time (the logs go below).
  echo "Qt build: $((SECONDS - start)) s on $JOBS cores ($(date -u +%F))" >"$PREFIX/build-time.txt"
  touch "$PREFIX/.complete"
  rm -rf "$work"
}

if [ ! -e "$PREFIX/.complete" ]; then
  build_deps
else
  echo "Using the Windows libraries in $PREFIX" >&2
fi
[ "${1:-}" = "--deps-only" ] && exit 0

B=${BUILD_DIR:-build-windows}
echo "Building the programs for Windows into $B" >&2
cmake -S . -B "$B" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$TOOLCHAIN" -DCMAKE_BUILD_TYPE=Release \
  -DCMAKE_PREFIX_PATH="$PREFIX" -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
  -DDATACLAVE_BUILD_TESTS="${WINDOWS_TESTS:-ON}" -DDATACLAVE_BUILD_BENCH=OFF >/dev/null
nice cmake --build "$B" >&2

# The package: the programs with every DLL they load, found by asking objdump
# for the imports of each file, in the cache or among MinGW's runtime.
VERSION=$(sed -n 's/^project(Dataclave VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
NAME=dataclave-$VERSION-windows-x64
STAGE=$B/$NAME
rm -rf "$STAGE" "$B/$NAME.zip"
mkdir -p "$STAGE/platforms" "$STAGE/styles"
cp "$B"/src/dataclave.exe "$B"/src/dataclave-demo.exe "$B"/src/dataclave-cli.exe "$STAGE/"
if [ -e "$B/src/dataclave-plot.dll" ]; then cp "$B/src/dataclave-plot.dll" "$STAGE/"; fi
cp "$PREFIX/plugins/platforms/qwindows.dll" "$STAGE/platforms/"
for style in "$PREFIX"/plugins/styles/*.dll; do if [ -e "$style" ]; then cp "$style" "$STAGE/styles/"; fi; done
DLL_DIRS=("$PREFIX/bin" "$PREFIX/lib" "/usr/lib/gcc/x86_64-w64-mingw32/$(x86_64-w64-mingw32-g++-posix -dumpversion)"
          /usr/x86_64-w64-mingw32/lib)
imports() { x86_64-w64-mingw32-objdump -p "$1" | sed -n 's/^\s*DLL Name: //p'; }
queue=("$STAGE"/*.exe "$STAGE"/*.dll "$STAGE"/platforms/*.dll "$STAGE"/styles/*.dll)
while [ ${#queue[@]} -gt 0 ]; do
  file=${queue[0]}; queue=("${queue[@]:1}")
  [ -e "$file" ] || continue
  for dll in $(imports "$file"); do
    [ -e "$STAGE/$dll" ] && continue
    for d in "${DLL_DIRS[@]}"; do
      if [ -e "$d/$dll" ]; then cp "$d/$dll" "$STAGE/"; queue+=("$STAGE/$dll"); break; fi
    done  # not found: a DLL of Windows itself
  done
done
x86_64-w64-mingw32-strip --strip-unneeded "$STAGE"/*.exe "$STAGE"/*.dll "$STAGE"/*/*.dll
cp README.md "$STAGE/README.md"
cp LICENSE "$STAGE/LICENSE.txt"
(cd "$B" && rm -f "$NAME.zip" && TZ=UTC find "$NAME" -exec touch -d @"$(git -C "$SRC" log -1 --format=%ct 2>/dev/null || echo 0)" {} + \
   && find "$NAME" -type f | LC_ALL=C sort | zip -X -q "$NAME.zip" -@)
echo "$(cd "$B" && pwd)/$NAME.zip"
