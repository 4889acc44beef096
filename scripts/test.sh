#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs what is missing, builds, and runs the whole test suite twice: under
# plain C.UTF-8 and under German regional settings (decimal comma, "."
# grouping), so that nothing depends on the user's settings. Each run gets a
# temporary folder of its own, which must be empty again afterwards: a test
# that leaves something behind fails the run.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
bash scripts/build.sh
cd "${BUILD_DIR:-build}"
for loc in ${TEST_LOCALES:-C.UTF-8 de_DE.UTF-8}; do
  echo "--- test suite under LC_ALL=$loc"
  tmp=$(mktemp -d)
  chmod 755 "$tmp" # the tests that drop to another user reach their folders through it
  rc=0
  TMPDIR=$tmp LC_ALL=$loc LANG=$loc ctest --output-on-failure -j2 || rc=$?
  left=$(cd "$tmp" && find . -mindepth 1 -maxdepth 3 | sed 's|^\./||' | LC_ALL=C sort | head -n 40)
  rm -rf "$tmp"
  if [ -n "$left" ]; then
    echo "the test suite left this in its temporary folder (TMPDIR):" >&2
    while IFS= read -r f; do printf '  %q\n' "$f"; done <<<"$left" >&2
    rc=1
  fi
  [ "$rc" -eq 0 ] || exit "$rc"
done
