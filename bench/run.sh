#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds a Release tree in ${BENCH_BUILD_DIR:-build-bench} and runs every
# benchmark, after a line about the machine. Arguments are not passed on;
# run a program from the tree by hand for other sizes (see its header).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
B=${BENCH_BUILD_DIR:-build-bench}
BUILD_DIR="$B" BUILD_TYPE=Release bash scripts/build.sh -DDATACLAVE_BUILD_TESTS=OFF
export QT_QPA_PLATFORM=offscreen
echo "Machine: $(lscpu | sed -n 's/^Model name: *//p'), $(nproc) cores, Linux $(uname -r), Qt $(pkg-config --modversion Qt6Core 2>/dev/null || echo 6)"
echo "Load average before: $(cut -d' ' -f1-3 /proc/loadavg)"
echo
for b in bench_download bench_list bench_delete bench_plot bench_cpu bench_groundwave; do
  "$B/bench/$b" 2> >(grep -v -e 'does not support raise' -e XDG_RUNTIME_DIR >&2)
  echo
done
bash bench/survey-memory.sh "$B"
