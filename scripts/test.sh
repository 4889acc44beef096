#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Installs what is missing, builds, and runs the whole test suite twice: under
# plain C.UTF-8 and under German regional settings (decimal comma, "."
# grouping), so that nothing depends on the user's settings.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
bash scripts/build.sh
cd "${BUILD_DIR:-build}"
for loc in ${TEST_LOCALES:-C.UTF-8 de_DE.UTF-8}; do
  echo "--- test suite under LC_ALL=$loc"
  LC_ALL=$loc LANG=$loc ctest --output-on-failure --timeout 900 -j2
done
