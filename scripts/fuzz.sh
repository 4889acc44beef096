#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the libFuzzer targets with clang (ASan + UBSan) and runs each for
# SECONDS (default 20) on a copy of its seed corpus, tests/fuzz/corpus/NAME/.
#   bash scripts/fuzz.sh                   every target, 20 s each (as CI does)
#   bash scripts/fuzz.sh 600               every target, 10 minutes each
#   bash scripts/fuzz.sh 600 fuzz_exchange one target
# A crashing input is written to tests/fuzz/crashes/NAME-crash-...; once the
# fault is fixed, move it into tests/fuzz/corpus/NAME/ so that every later
# run (CI included) replays it.
set -euo pipefail
cd "$(dirname "$0")/.."
SECONDS_EACH=${1:-20}
shift || true
bash scripts/setup.sh clang-14 libclang-rt-14-dev
B=${FUZZ_BUILD_DIR:-build-fuzz}
CC=clang-14 CXX=clang++-14 cmake -S . -B "$B" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DDATACLAVE_FUZZ=ON -DDATACLAVE_SANITIZE=ON -DDATACLAVE_BUILD_TESTS=OFF -DDATACLAVE_BUILD_BENCH=OFF >/dev/null
cmake --build "$B"
mkdir -p tests/fuzz/crashes
status=0
for t in "$B"/tests/fuzz/fuzz_*; do
  [ -f "$t" ] && [ -x "$t" ] || continue
  name=$(basename "$t")
  if [ $# -gt 0 ] && [[ " $* " != *" $name "* ]]; then continue; fi
  work=$(mktemp -d)
  cp -r tests/fuzz/corpus/"$name"/. "$work"/ 2>/dev/null || true
  echo "== $name ($SECONDS_EACH s)"
  if ! "$t" -max_total_time="$SECONDS_EACH" -max_len=4096 -rss_limit_mb=2048 -timeout=30 \
        -artifact_prefix=tests/fuzz/crashes/"$name"- "$work" >"$work.log" 2>&1; then
    tail -40 "$work.log"
    status=1
  else
    grep -E '^Done|stat::number_of_executed_units' "$work.log" | tail -1 || true
  fi
  rm -rf "$work" "$work.log"
done
exit $status
