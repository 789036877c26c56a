#!/usr/bin/env bash
# Drags between the side bar and another program on a real X server with a window manager
# (Xvfb, openbox, xdotool): the other program's side of a drop is where the offscreen tests
# cannot look.
#   xdisplay_drag_test.sh ORVELAN DRAG_PEER
# Exit 77 (skipped) when the X tools are missing, except under CI=true, where that fails.
set -euo pipefail

orvelan=$1
peer=$2

# shellcheck source=../support/x_session.sh
source "$(dirname "$0")/../support/x_session.sh"
x_session_start 1280x900x24 xdotool xwininfo import
work=$x_work

fail() {
  echo "FAIL: $*"
  exit 1
}

# Waits up to about thirty seconds for a command to succeed.
wait_for() {
  for _ in $(seq 300); do
    if "$@" >/dev/null 2>&1; then
      return 0
    fi
    sleep 0.1
  done
  return 1
}

# The program from a folder of its own, so its settings files land there.
cp "$orvelan" "$work/orvelan"
"$work/orvelan" >"$work/orvelan.log" 2>&1 &
x_track $!

# The client area's corner of the first window named exactly NAME that is larger than a pixel.
origin() {
  local id
  for id in $(xdotool search --name "^$1\$"); do
    local info
    info=$(xwininfo -id "$id")
    if [ "$(awk '/Width:/ {print $2}' <<<"$info")" -gt 1 ]; then
      awk '/Absolute upper-left X:/ {x=$4} /Absolute upper-left Y:/ {y=$4} END {print x, y}' \
        <<<"$info"
      return 0
    fi
  done
  return 1
}
wait_for origin Orvelan || fail "the main window did not show"
# The window manager places the window after it shows: wait until it stays put.
settled() {
  local before
  before=$(origin Orvelan)
  sleep 0.3
  [ "$before" = "$(origin Orvelan)" ]
}
wait_for settled || fail "the main window never settled"
read -r ox oy < <(origin Orvelan)
# Where Batch Ping lies on the bar of the main window as it opens.
bx=$((ox + 73))
by=$((oy + 120))

# Presses at the first point, moves there in steps to the second, holding KEY once the drag is
# under way, and releases.
drag() {
  local x1=$1 y1=$2 x2=$3 y2=$4 key=${5:-}
  xdotool mousemove "$x1" "$y1"
  sleep 0.2
  xdotool mousedown 1
  sleep 0.2
  for i in 1 2 3 4 5 6 7 8 9 10; do
    xdotool mousemove $((x1 + (x2 - x1) * i / 10)) $((y1 + (y2 - y1) * i / 10))
    sleep 0.05
    if [ "$i" = 3 ] && [ -n "$key" ]; then
      xdotool keydown "$key"
    fi
  done
  xdotool mousemove $((x2 + 1)) "$y2"
  sleep 0.2
  xdotool mousemove "$x2" "$y2"
  sleep 0.2
  xdotool mouseup 1
  if [ -n "$key" ]; then
    xdotool keyup "$key"
  fi
}

# Starts the peer with ARGS in a window moved to X,Y; its output goes to LOG.
start_peer() {
  local log=$1 title=$2 x=$3 y=$4
  shift 4
  "$peer" "$@" >"$log" 2>&1 &
  x_track $!
  wait_for origin "$title" || fail "$title did not show"
  xdotool windowmove "$(xdotool search --name "^$title\$" | tail -n1)" "$x" "$y"
  wait_for sh -c "xwininfo -name '$title' | grep -q 'Absolute upper-left X:  *$x\$'"
}

# A text dragged over the bar with Shift held: the bar has no drop handler, so it must answer
# no drop while hovering; the other program would otherwise delete its text.
start_peer "$work/source.log" "drag_peer source" 20 20 source text
drag 140 100 "$bx" "$by" shift
wait_for grep -q '^result' "$work/source.log" || fail "the text drag never ended"
grep -q '^result none$' "$work/source.log" ||
  fail "a text dragged onto the bar ended as: $(grep '^result' "$work/source.log")"

# A button dragged onto a program that takes what is proposed: a copy, unless Shift is held.
start_peer "$work/target.log" "drag_peer target" 20 600 target
drag "$bx" "$by" 140 680
wait_for grep -q '^drop' "$work/target.log" || fail "the button's drop never reached the target"
grep -q '^drop copy ' "$work/target.log" ||
  fail "a button dragged out without a key was proposed as: $(grep '^drop' "$work/target.log")"

# A button Shift-dragged onto a program that accepts while hovering and refuses the drop stays
# on the bar. The bar is compared with itself before the drag, once a second drag (a copy onto
# the accepting target) has shown that the first one is over.
bar_image() {
  import -window root -crop "140x300+$((ox + 5))+$((oy + 40))" "$1"
}
start_peer "$work/refuse.log" "drag_peer refusing target" 300 720 target refuse
xdotool mousemove 140 680
bar_image "$work/before.png"
drag "$bx" "$by" 420 800 shift
wait_for grep -q '^refused move' "$work/refuse.log" || fail "the refusing target saw no drop"
drag "$bx" "$by" 140 680
wait_for sh -c "[ \$(grep -c '^drop' '$work/target.log') -ge 2 ]" ||
  fail "the second drag never reached the target"
bar_image "$work/after.png"
cmp -s "$work/before.png" "$work/after.png" ||
  fail "the bar changed after a drop that was refused"
echo "ok"
