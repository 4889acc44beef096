#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the program and the whole test suite with clang, AddressSanitizer and
# UndefinedBehaviorSanitizer into ${SANITIZE_BUILD_DIR:-build-asan} and runs
# the suite there. Any sanitizer report (a leak included) fails the run. The
# ordinary build uses gcc, so both compilers see every source.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh clang-14 libclang-rt-14-dev
B=${SANITIZE_BUILD_DIR:-build-asan}
# A tree configured with another compiler starts afresh.
if [ -f "$B/CMakeCache.txt" ] && ! grep -q '^CMAKE_CXX_COMPILER:[A-Z]*=.*clang++' "$B/CMakeCache.txt"; then
  rm -rf "$B"
fi
# Debug: Qt's inline container checks (Q_ASSERT) are on as well.
BUILD_DIR="$B" BUILD_TYPE=Debug bash scripts/build.sh -DCMAKE_CXX_COMPILER=clang++-14 -DDATACLAVE_SANITIZE=ON \
  -DDATACLAVE_BUILD_BENCH=OFF
export ASAN_OPTIONS=halt_on_error=1:abort_on_error=1:detect_leaks=1:strict_string_checks=1:detect_stack_use_after_return=1
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
cd "$B"
LC_ALL=C.UTF-8 LANG=C.UTF-8 ctest --output-on-failure --timeout 900
