#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs what is missing, builds, and runs the program on the demo meter.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
bash scripts/build.sh
B=${BUILD_DIR:-build}
if [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
  exec "$B/src/dataclave-demo" "$@"
elif [ -x "$B/src/dataclave-cli" ]; then
  out=${OUT:-demo-saved.csv}
  "$B/src/dataclave-cli" --demo${1:+=$1} download saved "$out"
  echo "Saved data of the demo meter written to $out"
else
  echo "No display: run this where a desktop session is available." >&2
  exit 1
fi
