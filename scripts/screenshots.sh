#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Takes the user guide's pictures of the faults as a user sees them: the
# demo program on Xvfb with openbox, driven by xdotool, the screen captured
# by ImageMagick and cut to the windows. Not part of CI; run it again after
# changing what these windows show, and look at the pictures.
#   bash scripts/screenshots.sh [folder]     (default docs/screenshots)
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh xvfb openbox x11-utils xdotool imagemagick
BUILD_DIR=${BUILD_DIR:-build}
[ -x "$BUILD_DIR/src/dataclave-demo" ] || bash scripts/build.sh
out=$(realpath "${1:-docs/screenshots}")
demo=$(realpath "$BUILD_DIR/src/dataclave-demo")

tmp=$(mktemp -d)
. scripts/xvfb-session.sh
dpid=""
cleanup() {
  [ -z "$dpid" ] || kill "$dpid" 2>/dev/null || true
  xvfb_session_stop
  rm -rf "$tmp"
}
trap cleanup EXIT
trap 'exit 130' INT TERM
xvfb_session_start
# The program's settings (window place, file names) stay in here.
export XDG_CONFIG_HOME="$tmp/config"

# Starts the demo program on a scenario and waits for its main window.
start() {
  printf '%s\n' "$@" >"$tmp/scenario"
  "$demo" "$tmp/scenario" >"$tmp/demo.log" 2>&1 &
  dpid=$!
  main=$(await '^ZT6200 Dataclave - ZT 6200 Connected$')
  sleep 0.5
}
stop() {
  kill "$dpid" 2>/dev/null || true
  wait "$dpid" 2>/dev/null || true
  dpid=""
}
# The Actions menu's item n (1 the first).
action() {
  xdotool key --window "$main" alt+a
  sleep 0.3
  for _ in $(seq 2 "$1"); do xdotool key Down; done
  xdotool key Return
}
# Waits for a window of this title (a regular expression) and returns its id.
# (A search that meets a window going away fails: it is tried again.)
await() {
  local w=""
  for _ in $(seq 150); do
    w=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n1) || true
    [ -n "$w" ] && break
    sleep 0.2
  done
  [ -n "$w" ] || { echo "no window \"$1\"" >&2; exit 1; }
  xdotool windowactivate --sync "$w" 2>/dev/null || true
  echo "$w"
}
# The screen cut to the windows on it (the background is black), to $out/$1.
shoot() {
  sleep 0.7 # painted, and the window manager done placing
  import -window root "$tmp/screen.png"
  convert "$tmp/screen.png" -trim +repage -bordercolor black -border 8 "$out/$1"
  echo "$out/$1"
}
# Types a file name into the file dialog of this title.
choose() {
  await "$1" >/dev/null
  sleep 0.3
  xdotool type --delay 5 "$2"
  xdotool key Return
}

# The meter falls silent part-way through "Download Saved Data to .csv File":
# after the link's time-out, its message.
start "generate-saved 200" "report-latency-us 20000" "stall-after-reports 40"
action 1
choose '^Save Downloaded Data As$' "$tmp/saved.csv"
await '^ZT 6200 Communication Problem$' >/dev/null
shoot stalled-during-download.png
stop

# Pulled out while "View/Delete Saved Data" reads the list: after the link's
# message, the download's own.
start "generate-saved 200" "report-latency-us 20000" "unplug-after-reports 40"
action 2
await '^ZT 6200 Communication Problem$' >/dev/null
xdotool key Return
await '^ZT6200 Dataclave$|Reading' >/dev/null
shoot unplugged-during-list-load.png
stop

# Pulled out while the Tx import sends its first entry: after the link's
# message, what the import did.
printf '%s\r\n' '"Dir ID","Station ID","Call Sign","Frequency (kHz)","Latitude","Longitude","Variation","Modulation"' \
  '1,1,"KNEW1",1010,45.500000,-118.25000,-14.50000,"AM"' '2,2,"KNEW2",1020,45.600000,-118.25000,-14.50000,"AM"' \
  >"$tmp/tx.csv"
start "generate-tx 4" "report-latency-us 20000" "unplug-after-reports 18"
action 4
list=$(await '^Tx Data$')
xdotool key --window "$list" Menu
sleep 0.3
xdotool key Up Return
choose '^Import Tx from .csv File$' "$tmp/tx.csv"
await '^Import Tx\?$' >/dev/null
xdotool key alt+y
await '^ZT 6200 Communication Problem$' >/dev/null
xdotool key Return
await '^Import Tx$' >/dev/null
shoot unplugged-during-tx-import.png
stop
