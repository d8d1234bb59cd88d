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

# started <pid>: when the process started (clock ticks since boot), empty
# when there is no such process.
started() {
  local stat
  stat=$(cat "/proc/$1/stat" 2>/dev/null) || return 0
  stat=${stat##*) }
  set -- $stat
  echo "${20}"
}

# track <pid>: the process is ended when the script ends. Its start time is
# kept with it: a process that ended long ago may have had its number given
# to another one (numbers wrap quickly while tests run side by side), which
# must never be signalled.
track() { e2e_pids+=("$1:$(started "$1")"); }

# same <pid:start>: still the process that was tracked.
same() { [ -n "${1#*:}" ] && [ "$(started "${1%%:*}")" = "${1#*:}" ]; }

# stop <pid>: TERM, a short grace, then KILL; reaps our own children.
stop() {
  local pid=${1%%:*} id=$1
  [ -n "$pid" ] || return 0
  case $id in *:*) ;; *) id="$pid:$(started "$pid")" ;; esac
  if same "$id"; then
    kill "$pid" 2>/dev/null
    for _ in $(seq 30); do same "$id" || break; sleep 0.1; done
    same "$id" && kill -9 "$pid" 2>/dev/null
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
  local name=$1 w try found=
  shift
  # A search over the window tree can come back empty while the window is
  # there (a window destroyed in the middle of the walk makes it give up),
  # so an empty answer is asked again before it counts.
  for try in 1 2 3; do
    for w in $(xdotool search "$@" --name "^$name\$" 2>/dev/null); do
      [ "$(xdotool getwindowname "$w" 2>/dev/null)" = "$name" ] && echo "$w" && found=1
    done
    [ -n "$found" ] && return 0
    [ $try -lt 3 ] && sleep 0.05
  done
  return 0
}
window_id() { windows_named "$1" --onlyvisible | head -n 1; }
# window_of <name>: window_id, waiting up to 30 s for the window to be
# visible (a window system may map a window anew while it is being set up).
window_of() {
  local id deadline=$((SECONDS + 30))
  until id=$(window_id "$1") && [ -n "$id" ]; do
    [ $SECONDS -ge $deadline ] && return 1
    sleep 0.1
  done
  echo "$id"
}
has_window() { [ -n "$(window_id "$1")" ]; }
no_window() { [ -z "$(window_id "$1")" ]; }
# Mapped or not.
count_windows() { windows_named "$1" | wc -l; }
active_is() { [ "$(xdotool getactivewindow 2>/dev/null)" = "$1" ]; }
focus_is() { [ "$(xdotool getwindowfocus 2>/dev/null)" = "$1" ]; }

# activate <window id>: makes it the active window and waits until it has
# the keyboard focus, so that the next keys reach it.
activate() {
  [ -n "$1" ] || fail "no window to activate"
  xdotool windowactivate --sync "$1" >/dev/null 2>&1
  wait_for 30 focus_is "$1" || fail "window $1 did not get the keyboard focus"
  sleep 0.2
}

wm_running() { xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep 'window id' >/dev/null; }

# try_x_session <screen>: one X server and its window manager, both ready;
# false (with both stopped) when either does not come up.
try_x_session() {
  local server wm
  rm -f "$work/display"
  Xvfb -displayfd 3 -screen 0 "$1" -nolisten tcp 3>"$work/display" >"$work/xvfb.log" 2>&1 &
  server=$!
  track $server
  # The server writes its display number once it accepts connections.
  if ! wait_for 20 grep -qx '[0-9][0-9]*' "$work/display"; then
    stop $server
    return 1
  fi
  export DISPLAY=":$(head -n 1 "$work/display")"
  if ! wait_for 10 xprop -root _NET_SUPPORTED; then
    stop $server
    return 1
  fi
  openbox --sm-disable >"$work/openbox.log" 2>&1 &
  wm=$!
  track $wm
  if ! wait_for 20 wm_running; then
    stop $wm
    stop $server
    return 1
  fi
}

# start_x_session [extra Xvfb screen]: a fresh X server on a display number
# that the server itself picks as free, with openbox as window manager.
start_x_session() {
  skip_without Xvfb openbox xdotool xwininfo xprop import
  local attempt
  for attempt in 1 2 3; do
    try_x_session "${1:-1024x768x24}" && break
    [ $attempt -lt 3 ] || fail "no X session could be started"
    echo "NOTE ($e2e_name): X session attempt $attempt failed, trying again"
  done
  # Qt reaches the notification area through the X protocol only, not
  # through a session bus that the test session does not have.
  unset DBUS_SESSION_BUS_ADDRESS
  export QT_QPA_PLATFORM=xcb
}

# start_tikr [VAR=value...]: the program under test ($tikr) with its folders
# in the scratch directory: the profile's in $work/cfg (or $cfg when set),
# run records in $work/state, the instance socket in $work/run. Its pid is
# in app, tracked; its output goes to $work/tikr.log. The system-wide
# configuration folders are an empty private one unless VAR=value says
# otherwise, so that the machine's autostart entries play no part.
start_tikr() {
  local config=${cfg:-$work/cfg}
  mkdir -p "$config" "$work/state" "$work/run"
  chmod 700 "$work/run"
  # env's options must come before its first assignment, after which
  # "--default-signal=INT" would be taken for one.
  local arg options=() settings=()
  for arg in "$@"; do
    case $arg in
      -*) options+=("$arg") ;;
      *) settings+=("$arg") ;;
    esac
  done
  env "${options[@]}" XDG_CONFIG_DIRS="$work/xdg" "${settings[@]}" XDG_CONFIG_HOME="$config" XDG_STATE_HOME="$work/state" XDG_RUNTIME_DIR="$work/run" \
    "$tikr" >"$work/tikr.log" 2>&1 &
  app=$!
  track "$app"
}

# expect_end <seconds> <what>: the program ends within the time, with
# status 0; what names the step in a failure.
expect_end() {
  local status
  wait_for "$1" eval '! kill -0 '"$app"' 2>/dev/null' || fail "$2: the program did not end"
  wait "$app"
  status=$?
  app=""
  [ "$status" -eq 0 ] || fail "$2: the program ended with status $status"
}
