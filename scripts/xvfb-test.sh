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
. scripts/xvfb-session.sh
cleanup() {
  xvfb_session_stop
  rm -rf "$tmp"
}
trap cleanup EXIT
trap 'exit 130' INT TERM
xvfb_session_start
echo "--- window tests on Xvfb $DISPLAY with openbox"

cd "$BUILD_DIR"
DATACLAVE_TEST_QPA=xcb ctest -R '^gui_' --output-on-failure --timeout 900 "$@"
