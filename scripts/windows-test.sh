#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The Windows build (scripts/windows-build.sh) under Wine, on a virtual X
# display with a window manager: dataclave-cli from the unpacked zip against
# the demo meter, its files and listings compared byte for byte with the
# Linux build's; then each test program, the window tests on Qt's `windows`
# platform. Folders: ${BUILD_DIR:-build-windows} for Windows (the test
# programs' output lands in its wine-test-logs), ${LINUX_BUILD_DIR:-build}.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh wine wine64 xvfb openbox x11-utils unzip >&2
zip=$(bash scripts/windows-build.sh | tail -1)
B=$(cd "${BUILD_DIR:-build-windows}" && pwd)
L=${LINUX_BUILD_DIR:-build}
[ -x "$L/src/dataclave-cli" ] || BUILD_DIR="$L" bash scripts/build.sh
L=$(cd "$L" && pwd)

work=$(mktemp -d)
xvfb="" wm=""
cleanup() {
  wineserver -k 2>/dev/null || true
  [ -n "$wm" ] && kill "$wm" 2>/dev/null
  [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

# A Wine prefix of our own, made once; Mono and Gecko are not wanted.
export WINEPREFIX=${WINEPREFIX:-${XDG_CACHE_HOME:-$HOME/.cache}/dataclave/wine} WINEARCH=win64 \
  WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
# Windows programs with windows need an X display, console ones too; and a
# window manager, without which Wine activates no window when asked.
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" >/dev/null 2>&1 &
xvfb=$!
for _ in $(seq 100); do [ -s "$work/display" ] && break; sleep 0.1; done
[ -s "$work/display" ] || { echo "Xvfb gave no display" >&2; exit 1; }
export DISPLAY=:$(head -1 "$work/display")
openbox --sm-disable >/dev/null 2>&1 &
wm=$!
for _ in $(seq 100); do
  xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep 'window id' >/dev/null && break
  sleep 0.1
done
[ -e "$WINEPREFIX/system.reg" ] || { echo "Making the Wine prefix" >&2; wineboot -i >/dev/null 2>&1; }
wineserver -w
# One Wine session for every program run here: started once, ended at the end.
wineserver -p

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
  "plot saved.csv plot.png"
  # names outside every ANSI code page
  "download saved 'Ω東°.csv'"
  "export gpx 'Ω東°.csv' 'Ω東°.gpx'"
  "export kml 'Ω東°.csv' 'Жук.kml'"
  "plot 'Ω東°.csv' 'Жук.svg'"
)
mkdir -p "$work/linux" "$work/windows"
for c in "${commands[@]}"; do
  (cd "$work/linux" && eval "'$L/src/dataclave-cli' --demo $c") 2>>"$work/linux.err" \
    || { echo "FAILED (Linux): dataclave-cli --demo $c" >&2; fail=1; }
  (cd "$work/windows" && eval "wine '$win_cli' --demo $c") 2>>"$work/windows.err" \
    || { echo "FAILED (Windows): dataclave-cli --demo $c" >&2; fail=1; }
done
# The plots are laid out with the system's font, whose widths differ: the
# same elements, texts and colours in the same order, numbers aside; the PDF
# the same number of pages; the PNG a picture of the same size.
svg_shape() { sed -e 's/font-family="[^"]*"//' -e 's/-\?[0-9][0-9.]*/#/g' "$1"; }
pdf_pages() { grep -ac '/Type */Page\b' "$1" || true; }
png_size() { od -An -tx1 -j16 -N8 "$1" | tr -d ' \n'; }
for f in "$work"/linux/*; do
  n=$(basename "$f")
  w=$work/windows/$n
  case $n in
    *.svg) if [ -s "$w" ] && cmp -s <(svg_shape "$f") <(svg_shape "$w"); then
             echo "same drawing: $n (numbers aside: the font's widths)"; continue; fi ;;
    *.pdf) if [ -s "$w" ] && head -c5 "$w" | grep -q '%PDF-' && [ "$(pdf_pages "$f")" = "$(pdf_pages "$w")" ]; then
             echo "same page count: $n ($(pdf_pages "$w") page)"; continue; fi ;;
    *.png) if [ -s "$w" ] && [ "$(png_size "$f")" = "$(png_size "$w")" ]; then
             echo "same picture size: $n"; continue; fi ;;
  esac
  if cmp -s "$f" "$w"; then
    echo "same bytes: $n ($(stat -c %s "$f") bytes)"
  else
    echo "FAILED: $n differs between Linux and Windows" >&2
    diff <(od -c "$f") <(od -c "$work/windows/$n" 2>/dev/null) | head -10 >&2 || true
    fail=1
  fi
done
if ! diff "$work/linux.err" "$work/windows.err" >"$work/err.diff"; then
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

# The window programs start from the zip alone too (a missing DLL or plugin
# would stop them with a box): each shows its main window.
for p in "dataclave-demo:ZT 6200 Connected" "dataclave:ZT 6200 Not Connected"; do
  exe=${p%%:*} title="ZT6200 Dataclave - ${p#*:}"
  (cd "$(dirname "$win_cli")" && exec wine "$exe.exe" >/dev/null 2>&1) &
  pid=$! shown=""
  # grep reads to the end (no -q): quitting early would kill xwininfo with
  # SIGPIPE, which pipefail counts as a miss.
  for _ in $(seq 150); do
    xwininfo -root -tree 2>/dev/null | grep -F "\"$title\"" >/dev/null && { shown=1; break; }
    sleep 0.2
  done
  kill "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
  if [ -n "$shown" ]; then echo "started: $exe.exe (\"$title\")"
  else
    echo "FAILED: $exe.exe showed no \"$title\" window; the named ones:" >&2
    xwininfo -root -tree 2>/dev/null | grep -o '"[^"]*"' | sort -u | head -n 20 >&2 || true
    fail=1
  fi
done

# --- the test programs, DLLs from the cache and MinGW.
prefix=$(sed -n 's/^CMAKE_PREFIX_PATH:[A-Z]*=//p' "$B/CMakeCache.txt")
gcc_dir=/usr/lib/gcc/x86_64-w64-mingw32/$(x86_64-w64-mingw32-g++-posix -dumpversion)
winpath() { winepath -w "$1" 2>/dev/null; }
export WINEPATH="$(winpath "$prefix/bin");$(winpath "$gcc_dir");$(winpath /usr/x86_64-w64-mingw32/lib)"
# Settings the programs keep (the registry on Windows) start empty.
for key in 'HKCU\Software\ZT6200 Dataclave' 'HKCU\Software\dataclave-tests'; do
  wine reg delete "$key" /f >/dev/null 2>&1 || true
done
logs=$B/wine-test-logs
rm -rf "$logs" && mkdir -p "$logs"
# Programs run under Wine several times slower than natively: each test's
# own limit is widened to match (the run of a program stays bounded below).
export DATACLAVE_TEST_LIMIT_S=300
programs=0 passed=0 cases=0 skipped=0
for t in "$B"/tests/*.exe; do
  name=$(basename "$t" .exe)
  programs=$((programs + 1))
  mkdir -p "$work/t/$name"
  # Wine passes no QT_* variable on: they are set on the Windows side.
  start=$(date +%s)
  rc=0
  (cd "$work/t/$name" && timeout 600 nice wine cmd /c "set QT_QPA_PLATFORM=windows&& set DATACLAVE_TEST_LIMIT_S=$DATACLAVE_TEST_LIMIT_S&& $(winpath "$t")" \
    >"$logs/$name.log" 2>&1) || rc=$?
  if [ "$rc" = 0 ]; then
    passed=$((passed + 1))
    n=$(sed -n 's/^\[  PASSED  \] \([0-9]*\) tests\?\..*/\1/p' "$logs/$name.log" | tail -1)
    k=$(sed -n 's/^\[  SKIPPED \] \([0-9]*\) tests\?,.*/\1/p' "$logs/$name.log" | tail -1)
    cases=$((cases + ${n:-0})) skipped=$((skipped + ${k:-0}))
    echo "passed: $name (${n:-?} cases${k:+, $k skipped}, $(( $(date +%s) - start )) s)"
  else
    why="exit status $rc"
    [ "$rc" = 124 ] && why="still running after 600 s"
    echo "FAILED: $name ($why; output in $logs/$name.log)" >&2
    grep -E '^\[  FAILED  \]|Failure' "$logs/$name.log" | head -40 >&2 || tail -30 "$logs/$name.log" >&2
    fail=1
  fi
done
echo "Windows test programs passed: $passed of $programs ($cases cases passed, $skipped skipped)"
exit $fail
