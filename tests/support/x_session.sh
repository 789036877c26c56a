# Sourced by the tests that run the real program on a real X server under a window manager.
#   x_session_start SCREEN TOOL...
# checks that Xvfb, openbox and each TOOL are there (exit 77, skipped, when one is missing,
# except under CI=true, where that fails), starts Xvfb on a free display (WINDOW_TEST_DISPLAY=N
# picks :N) and openbox, and waits until each is ready. It exports DISPLAY, a HOME and config
# folder of the test's own (so neither openbox nor the program finds the user's), and
# QT_QPA_PLATFORM=xcb. `x_work` is that folder, `x_wm` the window manager's process; `x_track
# PID` has PID ended when the test ends.

x_pids=()
x_track() { x_pids+=("$1"); }

# Keeps the test's own exit status: a process that already ended is no failure here, even
# under `set -e`.
x_cleanup() {
  local status=$? pid
  for pid in "${x_pids[@]}"; do
    kill "$pid" 2>/dev/null || true
  done
  wait 2>/dev/null || true
  rm -rf "$x_work"
  exit "$status"
}

x_session_start() {
  local screen=$1 tool number
  shift
  for tool in Xvfb openbox "$@"; do
    if ! command -v "$tool" >/dev/null; then
      if [ "${CI:-}" = true ]; then
        echo "FAIL: $tool is missing (scripts/install-deps.sh installs it)"
        exit 1
      fi
      echo "SKIP: $tool is missing"
      exit 77
    fi
  done

  x_work=$(mktemp -d)
  trap x_cleanup EXIT
  # Xvfb names its display once it takes clients, openbox runs its start-up command once it
  # manages the screen.
  mkfifo "$x_work/display" "$x_work/managing"
  # shellcheck disable=SC2086  # no number: Xvfb picks a free display
  Xvfb ${WINDOW_TEST_DISPLAY:+:$WINDOW_TEST_DISPLAY} -displayfd 3 -screen 0 "$screen" \
    -nolisten tcp 3>"$x_work/display" >"$x_work/xvfb.log" 2>&1 &
  x_track $!
  if ! read -r -t 20 number <"$x_work/display"; then
    echo "FAIL: Xvfb did not start"
    cat "$x_work/xvfb.log"
    exit 1
  fi
  export DISPLAY=:$number
  export HOME=$x_work XDG_CONFIG_HOME=$x_work/config QT_QPA_PLATFORM=xcb
  mkdir -p "$XDG_CONFIG_HOME/orvelan"
  # libxkbcommon-x11 hands strndup a key name that ends where the server's reply ends: strict
  # string checks take that for a read past it, before the program's first line runs.
  if [ -n "${ASAN_OPTIONS:-}" ]; then
    export ASAN_OPTIONS=$ASAN_OPTIONS:strict_string_checks=0
  fi
  openbox --startup "sh -c 'echo > $x_work/managing'" >"$x_work/openbox.log" 2>&1 &
  x_wm=$!
  x_track $x_wm
  if ! read -r -t 20 <"$x_work/managing"; then
    echo "FAIL: openbox did not start"
    cat "$x_work/openbox.log"
    exit 1
  fi
}

# The client area's corner of window WIN on the screen, as "X Y".
x_origin() {
  xwininfo -id "$1" | awk '/Absolute upper-left X:/ {x = $4} /Absolute upper-left Y:/ {y = $4}
                           END {print x, y}'
}

# Waits (up to about ten seconds) until window WIN stays put: the window manager places a
# window after it shows, and a click aimed before that lands elsewhere.
x_settle() {
  local before after i
  after=$(x_origin "$1")
  for ((i = 0; i < 30; ++i)); do
    before=$after
    sleep 0.3
    after=$(x_origin "$1")
    [ "$before" = "$after" ] && return 0
  done
  return 1
}
