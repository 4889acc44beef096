#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# What the test suite catches: applies each patch of tests/mutants (one small
# fault each) to a copy of this tree, builds it, and runs the tests the patch
# names in its first line ("# tests: core_test_tx gui_test_txwindows"); a
# mutant those tests miss gets the whole suite. Prints one line per mutant and
# the kill ratio; exits 1 when a mutant survives.
#
#   scripts/mutants.sh [--kernel] [--list] [PATCH...]
#
# A patch with a "# kernel: SECTION..." line changes code no ctest program
# reaches (the hidapi device): with --kernel it runs through
# scripts/kernel-test.sh's sections instead (a VM, minutes each), otherwise
# it is reported as "skipped". A patch with an "# equivalent: WHY" line is a
# mutant no test can tell from the program; it is not run or counted. A patch
# that no longer applies to this tree is "stale", not counted either.
#
# The copy and its build folder stay in ${MUTANTS_DIR:-build-mutants} between
# runs, so each mutant costs only the files it changes (ccache does the rest).
# The caller's tree is only read.
set -uo pipefail
SRC=$(cd "$(dirname "$0")/.." && pwd)
MD=$(mkdir -p "${MUTANTS_DIR:-$SRC/build-mutants}" && cd "${MUTANTS_DIR:-$SRC/build-mutants}" && pwd)
TREE=$MD/tree
BUILD=$TREE/build
LOG=$MD/log
kernel=0 list=0
patches=()
for a in "$@"; do
  case $a in
    --kernel) kernel=1 ;;
    --list) list=1 ;;
    -h | --help) sed -n '3,20p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    -*) echo "mutants.sh: unknown option $a" >&2; exit 2 ;;
    *) patches+=("$(cd "$(dirname "$a")" && pwd)/$(basename "$a")") ;;
  esac
done
[ ${#patches[@]} -gt 0 ] || patches=("$SRC"/tests/mutants/*.patch)

field() { sed -n "s/^# $1: *//p" "$2" | head -n 1; }

if [ "$list" -eq 1 ]; then
  for p in "${patches[@]}"; do printf '%-44s %s\n' "$(basename "$p" .patch)" "$(sed -n '2s/^# *//p' "$p")"; done
  exit 0
fi

# The copy: the files of the caller's tree that git would see (its build
# folders left out). Only files whose bytes differ are copied, and they get a
# new time, so the build redoes exactly those (a file put back with an older
# time would leave a mutant's object in place).
sync_tree() {
  local f
  mkdir -p "$TREE"
  # A repository of its own, so that git apply works on it and never on the
  # tree around it.
  [ -d "$TREE/.git" ] || git -C "$TREE" init -q
  (cd "$SRC" && git ls-files -co --exclude-standard) | sort >"$MD/files"
  while IFS= read -r f; do
    [ -f "$SRC/$f" ] || continue
    if ! cmp -s "$SRC/$f" "$TREE/$f"; then
      mkdir -p "$(dirname "$TREE/$f")"
      cp "$SRC/$f" "$TREE/$f"
    fi
  done <"$MD/files"
  (cd "$TREE" && git ls-files -o --exclude-standard) | sort | comm -23 - "$MD/files" | while IFS= read -r f; do
    rm -f "$TREE/$f"
  done
}

export CCACHE_BASEDIR=$TREE CCACHE_NOHASHDIR=1
build() { # targets...
  if [ ! -f "$BUILD/build.ninja" ]; then
    cmake -S "$TREE" -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DDATACLAVE_BUILD_BENCH=OFF >"$LOG/configure.log" 2>&1 || return 1
  fi
  nice cmake --build "$BUILD" -- "$@" >"$LOG/build.log" 2>&1
}

# ctest names -> the programs that run them (gui_test_x_modal50 -> gui_test_x).
targets_of() {
  local t
  for t in "$@"; do echo "${t%_modal*}"; done | sort -u
}

# A test that hangs fails at its own limit (the test watchdog and each
# program's TIMEOUT); --timeout covers only tests without one.
run_tests() { # ctest names...; 0 when all pass
  local re
  re="^($(IFS='|'; echo "$*"))\$"
  (cd "$BUILD" && LC_ALL=C.UTF-8 LANG=C.UTF-8 nice ctest -j2 --timeout "${MUTANT_TEST_TIMEOUT:-120}" -R "$re" >"$LOG/ctest.log" 2>&1)
}
# The whole suite but the reruns with boxes answered late (the programs run
# with real boxes once already): MUTANT_SUITE_EXCLUDE= runs them too.
run_suite() {
  (cd "$BUILD" && LC_ALL=C.UTF-8 LANG=C.UTF-8 nice ctest -j2 --timeout "${MUTANT_TEST_TIMEOUT:-120}" \
    -E "${MUTANT_SUITE_EXCLUDE-_modal(50|500)\$}" >"$LOG/ctest.log" 2>&1)
}
failed_tests() { sed -n 's/^[[:space:]]*[0-9]* - \([^ ]*\) .*/\1/p' "$LOG/ctest.log" | tr '\n' ' '; }
run_kernel() { # sections...
  (cd "$TREE" && BUILD_DIR=$BUILD KERNEL_TEST_ONLY="$*" bash scripts/kernel-test.sh >"$LOG/kernel.log" 2>&1)
}

mkdir -p "$LOG"
sync_tree
echo "building the unchanged copy in $BUILD"
if ! build; then
  echo "mutants.sh: the unchanged tree does not build; see $LOG/build.log" >&2
  exit 2
fi

total=0 killed=0 survived=0 stale=0 equivalent=0 skipped=0
survivors=()
for p in "${patches[@]}"; do
  name=$(basename "$p" .patch)
  start=$(date +%s)
  if [ -n "$(field equivalent "$p")" ]; then
    printf '%-10s %-44s %s\n' equivalent "$name" "($(field equivalent "$p"))"
    equivalent=$((equivalent + 1))
    continue
  fi
  ksections=$(field kernel "$p")
  if [ -n "$ksections" ] && [ "$kernel" -eq 0 ]; then
    printf '%-10s %-44s %s\n' skipped "$name" "(kernel stage: --kernel)"
    skipped=$((skipped + 1))
    continue
  fi
  if ! (cd "$TREE" && git apply --check "$p" 2>/dev/null); then
    printf '%-10s %-44s %s\n' stale "$name" "(no longer applies)"
    stale=$((stale + 1))
    continue
  fi
  (cd "$TREE" && git apply "$p")
  total=$((total + 1))
  result=survived how=""
  if [ -n "$ksections" ]; then
    if ! build src/dataclave-cli src/dataclave-uhid-meter; then
      result=killed how="build"
    elif ! run_kernel $ksections; then
      result=killed how="kernel: $(sed -n 's/^FAILED: //p' "$LOG/kernel.log" | tr '\n' ' ')"
    fi
  else
    read -r -a tests <<<"$(field tests "$p")"
    # shellcheck disable=SC2046
    if ! build src/dataclave-cli $(targets_of "${tests[@]}"); then
      result=killed how="build"
    elif [ ${#tests[@]} -gt 0 ] && ! run_tests "${tests[@]}"; then
      result=killed how="$(failed_tests)"
    elif ! build; then
      result=killed how="build"
    elif ! run_suite; then
      result=killed how="whole suite: $(failed_tests)"
    fi
  fi
  (cd "$TREE" && git apply -R "$p")
  case $result in
    killed) killed=$((killed + 1)) ;;
    *) survived=$((survived + 1)); survivors+=("$name"); cp "$LOG/ctest.log" "$LOG/$name.ctest.log" 2>/dev/null ;;
  esac
  printf '%-10s %-44s %4ss  %s\n' "$result" "$name" "$(( $(date +%s) - start ))" "$how"
done
# Leave the copy's build as the unchanged tree: the next run starts from it.
build >/dev/null 2>&1 || true

echo "mutants: $total run, $killed killed, $survived survived; $equivalent equivalent, $stale stale, $skipped skipped"
if [ "$total" -gt 0 ]; then
  echo "kill ratio: $killed/$total ($(( 100 * killed / total )) %)"
fi
if [ "$survived" -gt 0 ]; then
  echo "survivors: ${survivors[*]}"
  exit 1
fi
exit 0
