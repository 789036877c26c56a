#!/usr/bin/env bash
# The real program on a real X server (Xvfb) under a window manager (openbox), driven by
# xdotool as a user's mouse and keyboard: quick and held clicks on side-bar buttons switch the
# page and leave the window where it is (also when the window manager held a click back), a
# drag on free client area moves it, a button dragged within its header moves there, and Alt or
# F10 then Enter opens the File menu.
#
# Usage: window_manager_test.sh PROGRAM
# The page shown at each close is read back from settings.ini, which every run keeps in a
# folder of its own. WINDOW_TEST_DISPLAY=N uses display :N instead of the first free one.
set -uo pipefail

program=$1

# shellcheck source=../support/x_session.sh
source "$(dirname "$0")/../support/x_session.sh"
x_session_start 1280x1024x24 xdotool xwininfo
work=$x_work

failures=0
case_name=
fail() {
  echo "FAIL: $case_name: $*"
  failures=$((failures + 1))
}

# Places in the window's client area (the menu bar included), for the fonts Debian installs:
# the side-bar buttons of the first header stand 30 pixels apart from "IP Domain Converter".
button_x=60
button_y() { echo $((90 + 30 * $1)); }
# The header strip of a page, right of its title: nothing there takes a press.
free_x=600
free_y=30

# Starts the program on page 0, its placement file empty; sets `win`.
start() {
  case_name=$1
  printf '[tab]\ntab=0\n' >"$XDG_CONFIG_HOME/orvelan/settings.ini"
  : >"$XDG_CONFIG_HOME/orvelan/orvelan.ini"
  "$program" >"$work/program.log" 2>&1 &
  app=$!
  x_track $app
  # The window shows, or the program ends first.
  timeout 30 xdotool search --sync --onlyvisible --name '^Orvelan$' >"$work/window" &
  local search=$!
  wait -n "$search" "$app"
  win=$(head -1 "$work/window")
  if [ -z "$win" ]; then
    fail "the window did not show"
    kill "$search" 2>/dev/null
    wait "$search"
    cat "$work/program.log"
    ended
    return 1
  fi
  timeout 10 xdotool windowactivate --sync "$win" || fail "the window did not become active"
  x_settle "$win" || fail "the window never stayed put"
}

origin() {
  local xy
  xy=$(x_origin "$win")
  echo "${xy/ /,}"
}
# Moves the pointer to a point of the client area.
at() {
  local o
  o=$(origin)
  xdotool mousemove --sync $((${o%,*} + $1)) $((${o#*,} + $2))
}
# Drags from where the pointer is by ($1, $2) in $3 steps, the left button held. The press
# stays a moment first, as a user's does: a busy window manager holds the pointer's events back
# from the press on, and a drag let go before they pass reaches the program as one burst.
drag() {
  local i
  xdotool mousedown 1 sleep 0.3
  for ((i = 0; i < $3; ++i)); do
    xdotool mousemove_relative --sync -- $(($1 / $3)) $(($2 / $3))
    sleep 0.05
  done
  xdotool mouseup 1
}

# Waits up to 10 s for the program to end by itself; false when it did not (it is ended then).
# An end with an error (a sanitizer's finding, say) fails the case.
ended() {
  local gone=0 status
  timeout 10 tail -s 0.1 --pid="$app" -f /dev/null || gone=1
  ((gone == 0)) || kill "$app" 2>/dev/null
  wait "$app" 2>/dev/null
  status=$?
  app=
  if ((gone == 0 && status != 0)); then
    fail "the program ended with status $status"
    tail -40 "$work/program.log"
  fi
  return $gone
}

# Closes the window as its close box does and sets `page` to the page settings.ini then holds.
# The pause lets a click just before reach the program first.
close_window() {
  sleep 0.3
  xdotool key --clearmodifiers alt+F4
  ended || fail "the window did not close"
  page=$(sed -n 's/^tab=//p' "$XDG_CONFIG_HOME/orvelan/settings.ini")
}

# The window is where `before` says it was.
expect_unmoved() {
  local after
  after=$(origin)
  [ "$after" = "$before" ] || fail "the window moved from $before to $after"
}

expect_page() {
  [ "$2" = "$1" ] || fail "page $2 shown, expected page $1${3:+ ($3)}"
}

# A quick click (press and release with nothing between), then the pointer goes on by ($1, $2).
# The pause lets the window manager pass the click on first (see held_back_click).
quick_click() {
  xdotool mousedown 1 mouseup 1 sleep 0.3 mousemove_relative --sync -- "$1" "$2"
}

# A quick click while the window manager is busy, then the pointer goes on by ($1, $2). The
# window manager holds the pointer's events from the press until it lets them through, and the
# X server then reports the release where the pointer went meanwhile.
held_back_click() {
  kill -STOP "$x_wm"
  xdotool mousedown 1 mouseup 1 mousemove_relative -- "$1" "$2"
  sleep 0.2
  kill -CONT "$x_wm"
  sleep 0.3
}

# 1. Quick clicks on two buttons: each switches the page, and the window neither moves nor
#    follows the pointer afterwards.
if start "quick clicks on side-bar buttons"; then
  before=$(origin)
  at $button_x "$(button_y 1)" # Batch Ping
  quick_click 40 40
  at $button_x "$(button_y 4)" # Whois
  quick_click 40 40
  expect_unmoved
  close_window
  expect_page 3 "$page" "the second click was lost"
fi

# 1b. A click the window manager held back may be lost (its release is reported elsewhere), but
#     it starts no drag of the button, which would wait for that release and take the next
#     click as its drop.
if start "a click on a button the window manager held back"; then
  at $button_x "$(button_y 1)" # Batch Ping
  held_back_click 40 40
  at $button_x "$(button_y 4)" # Whois
  quick_click 40 40
  close_window
  expect_page 3 "$page" "the click after the held-back one was taken"
fi

# 1c. Nor does such a click on free client area start a move of the window, which would follow
#     the pointer until the next click.
if start "a click on free client area the window manager held back"; then
  before=$(origin)
  at $free_x $free_y
  held_back_click 40 40
  expect_unmoved
  at $button_x "$(button_y 3)" # Traceroute
  quick_click 40 40
  close_window
  expect_page 2 "$page" "the click after the held-back one was taken"
fi

# 2. A held click: the press stays a while before the release.
if start "a held click on a side-bar button"; then
  before=$(origin)
  at $button_x "$(button_y 3)" # Traceroute
  xdotool mousedown 1 sleep 0.4 mouseup 1
  expect_unmoved
  close_window
  expect_page 2 "$page"
fi

# 3. A drag on free client area moves the window with the pointer (less the drag distance the
#    pointer goes before the move starts).
if start "a drag on free client area"; then
  before=$(origin)
  at $free_x $free_y
  drag 60 40 10
  after=$(origin)
  dx=$((${after%,*} - ${before%,*}))
  dy=$((${after#*,} - ${before#*,}))
  if ((dx < 30 || dx > 62 || dy < 20 || dy > 42)); then
    fail "a drag of 60,40 moved the window by $dx,$dy"
  fi
  close_window
  expect_page 0 "$page"
fi

# 4. "Batch Ping" dragged down over "IP Country Converter" takes its place: a click on the
#    second button then shows Country Lookup (page 4). The window stays.
if start "a button dragged within its header"; then
  before=$(origin)
  at $button_x "$(button_y 1)"
  drag 0 40 4
  expect_unmoved
  at $button_x "$(button_y 1)"
  xdotool mousedown 1 mouseup 1
  close_window
  expect_page 4 "$page" "the button did not move"
fi

# 5. Alt alone selects the File menu, Enter opens it, and Enter on its only item exits.
if start "Alt then Enter opens the File menu"; then
  xdotool key alt
  xdotool key Return
  xdotool key Return
  ended || fail "Alt, Enter, Enter did not leave the program through File > Exit"
fi

# 6. F10 does the same as Alt.
if start "F10 then Enter opens the File menu"; then
  xdotool key F10
  xdotool key Return
  xdotool key Return
  ended || fail "F10, Enter, Enter did not leave the program through File > Exit"
fi

if ((failures > 0)); then
  exit 1
fi
echo "all cases passed"
