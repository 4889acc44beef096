# SPDX-License-Identifier: GPL-3.0-or-later
# Sourced: starts Xvfb and openbox for this shell and stops them when it exits.
# Needs $tmp (a folder of the caller's); sets DISPLAY. The caller's EXIT trap,
# if any, must call xvfb_session_stop.
xpid="" wmpid=""
xvfb_session_stop() {
  [ -z "$wmpid" ] || kill "$wmpid" 2>/dev/null || true
  [ -z "$xpid" ] || kill "$xpid" 2>/dev/null || true
  wait 2>/dev/null || true
}

xvfb_session_start() {
  # Xvfb chooses a free display number itself and writes it out. 24-bit
  # colour, as a desktop has.
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$tmp/display" 2>"$tmp/xvfb.log" &
  xpid=$!
  for _ in $(seq 100); do
    [ -s "$tmp/display" ] && break
    kill -0 "$xpid" 2>/dev/null || { cat "$tmp/xvfb.log" >&2; echo "Xvfb did not start" >&2; return 1; }
    sleep 0.1
  done
  [ -s "$tmp/display" ] || { echo "Xvfb gave no display" >&2; return 1; }
  export DISPLAY=":$(head -n1 "$tmp/display")"

  # The window manager is up once it has claimed the root window.
  openbox --sm-disable >"$tmp/openbox.log" 2>&1 &
  wmpid=$!
  for _ in $(seq 100); do
    xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep 'window id' >/dev/null && break
    kill -0 "$wmpid" 2>/dev/null || { cat "$tmp/openbox.log" >&2; echo "openbox did not start" >&2; return 1; }
    sleep 0.1
  done
  xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep 'window id' >/dev/null || { echo "no window manager on $DISPLAY" >&2; return 1; }
}
