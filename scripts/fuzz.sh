#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (ASan + UBSan) and runs each for
# SECONDS (default 20) on its seed corpus. Crashes are kept in
# tests/fuzz/crashes/. Longer runs: bash scripts/fuzz.sh 600
set -euo pipefail
cd "$(dirname "$0")/.."
SECONDS_EACH=${1:-20}
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
  work=$(mktemp -d)
  cp -r tests/fuzz/corpus/"$name"/. "$work"/ 2>/dev/null || true
  echo "== $name ($SECONDS_EACH s)"
  if ! "$t" -max_total_time="$SECONDS_EACH" -max_len=4096 -rss_limit_mb=2048 \
        -artifact_prefix=tests/fuzz/crashes/"$name"- "$work" >"$work.log" 2>&1; then
    tail -40 "$work.log"
    status=1
  else
    grep -E '^Done|stat::number_of_executed_units' "$work.log" | tail -1 || true
  fi
  rm -rf "$work" "$work.log"
done
exit $status
