#!/usr/bin/env bash
# One run of the real program in a real X session (Xvfb + openbox):
# a due command task starts its program, a due message task shows its box,
# the properties dialog opens from the keyboard, and Exit ends the process.
# Screenshots of each stage land in the output directory as e2e-*.png.
#
# Usage: e2e_test.sh <tikr executable> <output directory>
set -uo pipefail

tikr=${1:?tikr executable}
outdir=${2:?output directory}
mkdir -p "$outdir"

for tool in Xvfb openbox xdotool import; do
  if ! command -v "$tool" >/dev/null 2>&1; then
    echo "SKIP: $tool is not installed"
    exit 77
  fi
done

work=$(mktemp -d /tmp/tikr-e2e.XXXXXX)
xvfb_pid=""
wm_pid=""
app_pid=""

cleanup() {
  for pid in "$app_pid" "$wm_pid" "$xvfb_pid"; do
    if [ -n "$pid" ] && kill -0 "$pid" 2>/dev/null; then
      kill "$pid" 2>/dev/null
      for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
      kill -9 "$pid" 2>/dev/null
    fi
  done
  rm -rf "$work"
}
trap cleanup EXIT

fail() {
  echo "FAIL: $*"
  [ -n "${DISPLAY:-}" ] && import -window root "$outdir/e2e-failure.png" 2>/dev/null
  if [ -f "$work/tikr.log" ]; then echo "--- program output"; cat "$work/tikr.log"; fi
  if [ -f "$work/cfg/tikr.INI" ]; then echo "--- profile"; cat "$work/cfg/tikr.INI"; fi
  exit 1
}

# wait_for <seconds> <command...>: true once the command succeeds.
wait_for() {
  local deadline=$((SECONDS + $1))
  shift
  until "$@" >/dev/null 2>&1; do
    [ $SECONDS -ge $deadline ] && return 1
    sleep 0.2
  done
}

window_id() { xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n 1; }
has_window() { [ -n "$(window_id "$1")" ]; }
no_window() { [ -z "$(window_id "$1")" ]; }

# A display number nobody uses: Xvfb refuses one that is taken, so try on.
for n in $(seq $((100 + RANDOM % 300)) 499); do
  [ -e "/tmp/.X$n-lock" ] && continue
  Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
  xvfb_pid=$!
  export DISPLAY=":$n"
  if wait_for 5 xdotool getdisplaygeometry; then break; fi
  kill "$xvfb_pid" 2>/dev/null
  xvfb_pid=""
done
[ -n "$xvfb_pid" ] || fail "no X server could be started"

openbox >"$work/openbox.log" 2>&1 &
wm_pid=$!
sleep 1

# The profile: checks every second; a command task and a message task that
# both missed a run while the scheduler was not running, so both are due at
# the first check.
mkdir -p "$work/cfg" "$work/run"
chmod 700 "$work/run"
cat >"$work/cfg/tikr.INI" <<EOF
[settings]
interval=1
showicon=1
HideOnStartup=0
NumApps=2
[App1]
title=Touch a file
Disabled=0
Task=Application
command=/usr/bin/touch $work/ran
show=5
type=Daily
when=08:00
RunMissedOnStartup=Yes
NextAt=01-Jan-2020 08:00:00
SkipDays=0000000
[App2]
title=Say hello
Disabled=0
Task=Message
Message=Hello from the scheduler
type=Daily
when=08:00
RunMissedOnStartup=Yes
NextAt=01-Jan-2020 08:00:00
SkipDays=0000000
EOF

XDG_CONFIG_HOME="$work/cfg" XDG_RUNTIME_DIR="$work/run" "$tikr" >"$work/tikr.log" 2>&1 &
app_pid=$!

wait_for 30 has_window '^Tikr$' || fail "the main window did not appear"
main=$(window_id '^Tikr$')

wait_for 20 test -e "$work/ran" || fail "the command task did not run"
wait_for 20 has_window '^Tikr Scheduled Message$' || fail "the message box did not appear"
box=$(window_id '^Tikr Scheduled Message$')
sleep 0.5
import -window root "$outdir/e2e-message.png" || fail "no screenshot"

# Both tasks moved their next run on before running.
grep -q '01-Jan-2020' "$work/cfg/tikr.INI" && fail "a next run time was not moved on"

# The box waits without blocking the main window: the main window is still
# there and the program keeps running; dismiss the box with Enter.
kill -0 "$app_pid" 2>/dev/null || fail "the program ended early"
xdotool windowactivate --sync "$box" >/dev/null 2>&1
xdotool key --clearmodifiers Return
wait_for 10 no_window '^Tikr Scheduled Message$' || fail "the message box did not close"

xdotool windowactivate --sync "$main" >/dev/null 2>&1
sleep 0.5
import -window root "$outdir/e2e-main.png" || fail "no screenshot"

# Alt+P presses Properties on the selected first task.
xdotool key --clearmodifiers alt+p
wait_for 10 has_window '^Scheduled Task Properties$' || fail "the properties dialog did not open"
sleep 0.5
import -window root "$outdir/e2e-properties.png" || fail "no screenshot"
xdotool key --clearmodifiers Escape
wait_for 10 no_window '^Scheduled Task Properties$' || fail "Escape did not close the properties dialog"

# Exit ends the process.
xdotool windowactivate --sync "$main" >/dev/null 2>&1
xdotool key --clearmodifiers alt+x
for _ in $(seq 100); do kill -0 "$app_pid" 2>/dev/null || break; sleep 0.1; done
kill -0 "$app_pid" 2>/dev/null && fail "the program did not end after Exit"
wait "$app_pid"
status=$?
app_pid=""
[ "$status" -eq 0 ] || fail "the program ended with status $status"
grep -qi '^interval=1$' "$work/cfg/tikr.INI" || fail "Exit did not keep the settings"

echo "e2e: 1 passed, 0 failed"
exit 0
