#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds with clang and ThreadSanitizer, into ${TSAN_BUILD_DIR:-build-tsan},
# only the test programs that run operations on the link thread, and runs
# them (the window tests once without and once with real modal boxes). Any
# report fails the run. Qt itself is not instrumented: the hand-over between
# the threads is made visible by the program's own mutex, and the few
# suppressions in scripts/tsan.supp name only Qt's queued-call machinery.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh clang-14 libclang-rt-14-dev
B=${TSAN_BUILD_DIR:-build-tsan}
PROGRAMS=(core_test_operation core_test_link core_test_session gui_test_download gui_test_listwindows)
if [ -f "$B/CMakeCache.txt" ] && ! grep -q '^CMAKE_CXX_COMPILER:[A-Z]*=.*clang++' "$B/CMakeCache.txt"; then
  rm -rf "$B"
fi
cmake -S . -B "$B" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++-14 -DDATACLAVE_TSAN=ON \
  -DDATACLAVE_BUILD_BENCH=OFF >/dev/null
cmake --build "$B" --target "${PROGRAMS[@]}"
export TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 suppressions=$PWD/scripts/tsan.supp"
export QT_QPA_PLATFORM=offscreen LC_ALL=C.UTF-8 LANG=C.UTF-8
for p in "${PROGRAMS[@]}"; do
  echo "== $p"
  "$B/tests/$p" --gtest_brief=1 2> >(grep -v 'does not support raise' >&2)
  case $p in gui_*) DATACLAVE_TEST_MODAL_MS=50 "$B/tests/$p" --gtest_brief=1 2> >(grep -v 'does not support raise' >&2) ;; esac
done
