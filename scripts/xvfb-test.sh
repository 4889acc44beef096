#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The window tests (every gui_ test, with and without real modal boxes) on a
# real X server with a window manager, Xvfb and openbox, where focus and
# activation are the window manager's and not the offscreen platform's.
# One test at a time: two programs would take the focus from each other.
# Arguments go to ctest (e.g. -R gui_test_modal_faults).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh xvfb openbox x11-utils
BUILD_DIR=${BUILD_DIR:-build}
[ -d "$BUILD_DIR" ] || bash scripts/build.sh

tmp=$(mktemp -d)
xpid="" wmpid=""
cleanup() {
  [ -z "$wmpid" ] || kill "$wmpid" 2>/dev/null || true
  [ -z "$xpid" ] || kill "$xpid" 2>/dev/null || true
  wait 2>/dev/null || true
  rm -rf "$tmp"
}
trap cleanup EXIT
trap 'exit 130' INT TERM

# Xvfb chooses a free display number itself and writes it out.
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$tmp/display" 2>"$tmp/xvfb.log" &
xpid=$!
for _ in $(seq 100); do
  [ -s "$tmp/display" ] && break
  kill -0 "$xpid" 2>/dev/null || { cat "$tmp/xvfb.log" >&2; echo "Xvfb did not start" >&2; exit 1; }
  sleep 0.1
done
[ -s "$tmp/display" ] || { echo "Xvfb gave no display" >&2; exit 1; }
export DISPLAY=":$(head -n1 "$tmp/display")"

# The window manager is up once it has claimed the root window.
openbox --sm-disable >"$tmp/openbox.log" 2>&1 &
wmpid=$!
for _ in $(seq 100); do
  xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && break
  kill -0 "$wmpid" 2>/dev/null || { cat "$tmp/openbox.log" >&2; echo "openbox did not start" >&2; exit 1; }
  sleep 0.1
done
xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' || { echo "no window manager on $DISPLAY" >&2; exit 1; }
echo "--- window tests on Xvfb $DISPLAY with openbox"

cd "$BUILD_DIR"
DATACLAVE_TEST_QPA=xcb ctest -R '^gui_' --output-on-failure --timeout 900 "$@"
