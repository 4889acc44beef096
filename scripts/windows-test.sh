#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The Windows build (scripts/windows-build.sh) under Wine, on a virtual X
# display: dataclave-cli from the unpacked zip against the demo meter, its
# files and listings compared byte for byte with the Linux build's; then each
# test program, the window tests on Qt's `windows` platform.
# Folders: ${BUILD_DIR:-build-windows} for Windows, ${LINUX_BUILD_DIR:-build}.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh wine wine64 xvfb unzip >&2
zip=$(bash scripts/windows-build.sh | tail -1)
B=$(cd "${BUILD_DIR:-build-windows}" && pwd)
L=${LINUX_BUILD_DIR:-build}
[ -x "$L/src/dataclave-cli" ] || BUILD_DIR="$L" bash scripts/build.sh
L=$(cd "$L" && pwd)

work=$(mktemp -d)
xvfb=""
cleanup() {
  wineserver -k 2>/dev/null || true
  [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

# A Wine prefix of our own, made once; Mono and Gecko are not wanted.
export WINEPREFIX=${WINEPREFIX:-${XDG_CACHE_HOME:-$HOME/.cache}/dataclave/wine} WINEARCH=win64 \
  WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
# Windows programs with windows need an X display, console ones too.
exec 3>"$work/display"
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
export DISPLAY=:$(head -1 "$work/display")
[ -e "$WINEPREFIX/system.reg" ] || { echo "Making the Wine prefix" >&2; wineboot -i >/dev/null 2>&1; }
wineserver -w

fail=0
# --- dataclave-cli, from the package, against the Linux build's answers.
unzip -q "$zip" -d "$work/zip"
win_cli=$(ls "$work"/zip/*/dataclave-cli.exe)
commands=(
  "download saved saved.csv"
  "download tx tx.csv"
  "export kml saved.csv map.kml"
  "export gpx saved.csv map.gpx"
  "list saved >list-saved.txt"
  "list tx >list-tx.txt"
  "download saved - >stdout.csv"
  "version >version.txt"
  "plot saved.csv plot.svg"
  "plot saved.csv plot.pdf"
  # names outside every ANSI code page
  "download saved 'Ω東°.csv'"
  "export gpx 'Ω東°.csv' 'Ω東°.gpx'"
)
mkdir -p "$work/linux" "$work/windows"
for c in "${commands[@]}"; do
  (cd "$work/linux" && eval "'$L/src/dataclave-cli' --demo $c") 2>>"$work/linux.err" \
    || { echo "FAILED (Linux): dataclave-cli --demo $c" >&2; fail=1; }
  (cd "$work/windows" && eval "wine '$win_cli' --demo $c") 2>>"$work/windows.err" \
    || { echo "FAILED (Windows): dataclave-cli --demo $c" >&2; fail=1; }
done
for f in "$work"/linux/*; do
  n=$(basename "$f")
  if cmp -s "$f" "$work/windows/$n"; then
    echo "same bytes: $n ($(stat -c %s "$f") bytes)"
  else
    echo "FAILED: $n differs between Linux and Windows" >&2
    diff <(od -c "$f") <(od -c "$work/windows/$n" 2>/dev/null) | head -10 >&2 || true
    fail=1
  fi
done
# Standard error is in text mode on Windows: CR LF line ends there.
if ! diff <(cat "$work/linux.err") <(tr -d '\r' <"$work/windows.err") >"$work/err.diff"; then
  echo "FAILED: standard error differs" >&2; head "$work/err.diff" >&2; fail=1
fi

# On a terminal Wine gives the program a console: every "°" of the listing
# must show as itself (not as "Â°", UTF-8 read in the console's code page).
degrees() { grep -o '°' | wc -l; }
want=$(degrees <"$work/linux/list-saved.txt")
(cd "$work/windows" && script -qec "wine '$win_cli' --demo list saved" /dev/null </dev/null) \
  | sed 's/\x1b\[[?0-9;]*[a-zA-Z]//g' >"$work/console.txt" || true
if [ "$want" -eq 0 ]; then
  echo "FAILED: no \"°\" in the saved-data listing to look for" >&2; fail=1
elif [ "$(degrees <"$work/console.txt")" -ne "$want" ] || grep -q 'Â' "$work/console.txt"; then
  echo "FAILED: \"°\" not shown right on a console" >&2; grep -m3 'Â\|°' "$work/console.txt" >&2 || true; fail=1
else
  echo "console: all $want \"°\" shown right"
fi

# --- the test programs, DLLs from the cache and MinGW.
prefix=$(sed -n 's/^CMAKE_PREFIX_PATH:[A-Z]*=//p' "$B/CMakeCache.txt")
gcc_dir=/usr/lib/gcc/x86_64-w64-mingw32/$(x86_64-w64-mingw32-g++-posix -dumpversion)
winpath() { winepath -w "$1" 2>/dev/null; }
export WINEPATH="$(winpath "$prefix/bin");$(winpath "$gcc_dir");$(winpath /usr/x86_64-w64-mingw32/lib)"
# Settings the programs keep (the registry on Windows) start empty.
for key in 'HKCU\Software\ZT6200 Dataclave' 'HKCU\Software\dataclave-tests'; do
  wine reg delete "$key" /f >/dev/null 2>&1 || true
done
passed=0
for t in "$B"/tests/*.exe; do
  name=$(basename "$t" .exe)
  mkdir -p "$work/t/$name"
  # Wine passes no QT_* variable on: they are set on the Windows side.
  start=$(date +%s)
  if (cd "$work/t/$name" && timeout 900 wine cmd /c "set QT_QPA_PLATFORM=windows&& $(winpath "$t")" \
        >"$work/t/$name.log" 2>&1); then
    passed=$((passed + 1))
    echo "passed: $name ($(grep -o '\[  PASSED  \] [0-9]* test' "$work/t/$name.log" | grep -o '[0-9]*' || echo ?) tests, $(( $(date +%s) - start )) s)"
  else
    echo "FAILED: $name" >&2
    grep -E '^\[  FAILED  \]|Failure|error' "$work/t/$name.log" | head -40 >&2 || tail -30 "$work/t/$name.log" >&2
    fail=1
  fi
done
echo "Windows test programs passed: $passed of $(ls "$B"/tests/*.exe | wc -l)"
exit $fail
