# Sourced by the end-to-end scripts: a private X session (Xvfb with a window
# manager), a scratch directory, helpers to wait for windows, and the end of
# everything they started on every way out (success, failure, signal).
#
# Before sourcing, a script may set e2e_name (used in messages and file
# names), e2e_outdir (where screenshots go) and e2e_failshot (the screenshot
# taken on a failure).

e2e_name=${e2e_name:-e2e}
e2e_outdir=${e2e_outdir:-.}
e2e_failshot=${e2e_failshot:-$e2e_outdir/$e2e_name-failure.png}
mkdir -p "$e2e_outdir"

# skip_without <tool...>: ctest counts exit status 77 as skipped. In CI a
# missing tool is a missing install step, so there it fails the test.
skip_without() {
  local tool
  for tool in "$@"; do
    if ! command -v "$tool" >/dev/null 2>&1; then
      if [ "${CI:-}" = "true" ]; then
        echo "FAIL: $tool is not installed"
        exit 1
      fi
      echo "SKIP: $tool is not installed"
      exit 77
    fi
  done
}

work=$(mktemp -d "/tmp/tikr-$e2e_name.XXXXXX")
e2e_pids=()

# track <pid>: the process is ended when the script ends.
track() { e2e_pids+=("$1"); }

# stop <pid>: TERM, a short grace, then KILL; reaps our own children.
stop() {
  local pid=$1
  [ -n "$pid" ] || return 0
  if kill -0 "$pid" 2>/dev/null; then
    kill "$pid" 2>/dev/null
    for _ in $(seq 30); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    kill -9 "$pid" 2>/dev/null
  fi
  wait "$pid" 2>/dev/null
  return 0
}

e2e_cleanup() {
  local i
  # Newest first: programs before the panel, the window manager and the server.
  for ((i = ${#e2e_pids[@]} - 1; i >= 0; i--)); do stop "${e2e_pids[i]}"; done
  rm -rf "$work"
}
trap e2e_cleanup EXIT
trap 'exit 130' INT TERM HUP

fail() {
  echo "FAIL ($e2e_name): $*"
  if [ -n "${DISPLAY:-}" ]; then
    import -window root "$e2e_failshot" 2>/dev/null
    echo "--- windows"
    xwininfo -root -tree 2>/dev/null | grep -v 'has no name' | head -40
  fi
  local log
  for log in "$work"/*.log; do
    [ -s "$log" ] || continue
    echo "--- $(basename "$log")"
    tail -n 30 "$log"
  done
  exit 1
}

# wait_for <seconds> <command...>: true once the command succeeds.
wait_for() {
  local deadline=$((SECONDS + $1))
  shift
  until "$@" >/dev/null 2>&1; do
    [ $SECONDS -ge $deadline ] && return 1
    sleep 0.1
  done
}

# windows_named <name> [xdotool search option...]: the ids of the windows
# whose name is exactly <name> (xdotool's own match ignores letter case, and
# Qt names helper windows after the program, "tikr").
windows_named() {
  local name=$1 w
  shift
  for w in $(xdotool search "$@" --name "^$name\$" 2>/dev/null); do
    [ "$(xdotool getwindowname "$w" 2>/dev/null)" = "$name" ] && echo "$w"
  done
}
window_id() { windows_named "$1" --onlyvisible | head -n 1; }
has_window() { [ -n "$(window_id "$1")" ]; }
no_window() { [ -z "$(window_id "$1")" ]; }
# Mapped or not.
count_windows() { windows_named "$1" | wc -l; }
active_is() { [ "$(xdotool getactivewindow 2>/dev/null)" = "$1" ]; }
focus_is() { [ "$(xdotool getwindowfocus 2>/dev/null)" = "$1" ]; }

# activate <window id>: makes it the active window and waits until it has
# the keyboard focus, so that the next keys reach it.
activate() {
  xdotool windowactivate --sync "$1" >/dev/null 2>&1
  wait_for 30 focus_is "$1" || fail "window $1 did not get the keyboard focus"
  sleep 0.2
}

wm_running() { xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep 'window id' >/dev/null; }

# start_x_session [extra Xvfb screen]: a fresh X server on a display number
# that the server itself picks as free, with openbox as window manager.
start_x_session() {
  skip_without Xvfb openbox xdotool xwininfo xprop import
  Xvfb -displayfd 3 -screen 0 "${1:-1024x768x24}" -nolisten tcp 3>"$work/display" >"$work/xvfb.log" 2>&1 &
  track $!
  # The server writes its display number once it accepts connections.
  wait_for 30 test -s "$work/display" || fail "no X server could be started"
  export DISPLAY=":$(head -n 1 "$work/display")"
  openbox --sm-disable >"$work/openbox.log" 2>&1 &
  track $!
  wait_for 30 wm_running || fail "the window manager did not start"
  # Qt reaches the notification area through the X protocol only, not
  # through a session bus that the test session does not have.
  unset DBUS_SESSION_BUS_ADDRESS
  export QT_QPA_PLATFORM=xcb
}
