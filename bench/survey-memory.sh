#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Peak memory and time of `export` (KML, GPX) and `plot` for a full meter's
# survey: 32 767 saved records (31 fields, 8 radials) downloaded from the demo
# meter, then each command under /usr/bin/time -v; and a file over the size
# limit and an endless pipe, refused.
# Usage: bench/survey-memory.sh [BUILD-DIR] (default build-bench).
set -euo pipefail
cd "$(dirname "$0")/.."
build=$(realpath "${1:-${BENCH_BUILD_DIR:-build-bench}}")
cli="$build/src/dataclave-cli"
export QT_QPA_PLATFORM=offscreen
T=$(mktemp -d)
trap 'rm -rf "$T"' EXIT
printf 'firmware 2.3.1\ngenerate-saved 32767\n' > "$T/meter.txt"
"$cli" --demo="$T/meter.txt" download saved "$T/survey.csv" >/dev/null
echo "survey: $(($(wc -l < "$T/survey.csv") - 1)) records, $(stat -c %s "$T/survey.csv") bytes"
truncate -s 300M "$T/big.csv"
run() { # label, command...
  local label=$1; shift
  /usr/bin/time -v "$@" >/dev/null 2>"$T/time.txt" || true
  local rss wall
  rss=$(sed -n 's/.*Maximum resident set size (kbytes): //p' "$T/time.txt")
  wall=$(sed -n 's/.*Elapsed (wall clock) time (h:mm:ss or m:ss): //p' "$T/time.txt")
  awk -v l="$label" -v k="$rss" -v w="$wall" 'BEGIN { printf "%-22s %6.1f MB  %s\n", l, k / 1024, w }'
}
echo "command                peak RSS  time"
run "export kml" "$cli" export kml "$T/survey.csv" "$T/s.kml"
run "export gpx" "$cli" export gpx "$T/survey.csv" "$T/s.gpx"
run "plot png" "$cli" plot "$T/survey.csv" "$T/s.png"
run "plot svg" "$cli" plot "$T/survey.csv" "$T/s.svg"
run "export kml, pipe" sh -c 'cat "$2" | "$0" export kml /dev/stdin "$1"' "$cli" "$T/p.kml" "$T/survey.csv"
run "export kml, 300 MB" "$cli" export kml "$T/big.csv" "$T/b.kml"
run "export, endless pipe" sh -c 'yes 1,2,3 | "$0" export kml /dev/stdin "$1"' "$cli" "$T/e.kml"
run "export (baseline)" "$cli" export kml "$T/none.csv" "$T/n.kml"
