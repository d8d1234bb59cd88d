#!/usr/bin/env bash
# One scheduler per user, with the real program in a real X session:
#  (a) a later start brings back the window that the running one hid at
#      start-up, brings it to the foreground and ends at once without a
#      window (it does not even need the display);
#  (b) two starts at the same moment leave exactly one scheduler running;
#  (c) after the running one is killed hard (its lock and socket files stay
#      behind), the next start runs normally.
# Each case has its own configuration and runtime directories.
#
# Usage: startup_test.sh <tikr executable> <output directory>
set -uo pipefail

tikr=${1:?tikr executable}
e2e_outdir=${2:?output directory}
e2e_name=startup
source "$(dirname "$0")/x_session.sh"

start_x_session
skip_without xev

# A case's private directories and a profile with the given settings lines.
make_case() {
  local dir="$work/$1"
  mkdir -p "$dir/cfg" "$dir/run"
  chmod 700 "$dir/run"
  shift
  if [ $# -gt 0 ]; then printf '%s\n' '[settings]' "$@" >"$dir/cfg/tikr.INI"; fi
}

# start_tikr <case> <log name>: in the background; the pid is in last_pid.
start_tikr() {
  XDG_CONFIG_HOME="$work/$1/cfg" XDG_STATE_HOME="$work/$1/state" XDG_RUNTIME_DIR="$work/$1/run" "$tikr" >>"$work/$2.log" 2>&1 &
  last_pid=$!
  track "$last_pid"
}

# run_later_start <case> [env assignments...]: runs a start to its end and
# sets later_status and later_ms (how long it took).
run_later_start() {
  local case=$1
  shift
  local t0 t1
  t0=$(date +%s%N)
  env "$@" XDG_CONFIG_HOME="$work/$case/cfg" XDG_STATE_HOME="$work/$case/state" XDG_RUNTIME_DIR="$work/$case/run" \
    timeout 20 "$tikr" >>"$work/later.log" 2>&1
  later_status=$?
  t1=$(date +%s%N)
  later_ms=$(((t1 - t0) / 1000000))
}

alive() { kill -0 "$1" 2>/dev/null; }
exists_window() { [ "$(count_windows Tikr)" -ge 1 ]; }

# --- (a) hidden at start-up, then started again ------------------------------
# The first tick (after a second) or the first drawing hides the window.
make_case a "interval=1" "HideOnStartup=1" "showicon=0"
start_tikr a first
first=$last_pid
wait_for 30 exists_window || fail "(a) the main window was not created"
wait_for 30 no_window Tikr || fail "(a) the window did not hide itself at start-up"
alive "$first" || fail "(a) the program ended"
main=$(windows_named Tikr | head -n 1)

# Another program has the focus when the later start comes.
other=""
if command -v xmessage >/dev/null 2>&1; then
  xmessage -title 'Other program' 'another program' >/dev/null 2>&1 &
  track $!
  wait_for 30 has_window 'Other program' || fail "(a) the other program's window did not appear"
  other=$(window_id 'Other program')
  xdotool windowactivate --sync "$other" >/dev/null 2>&1
  wait_for 30 active_is "$other" || fail "(a) the other program could not take the focus"
fi

# Started from a menu: the launcher's startup id goes to the window system
# with the window it brings forward, and the launch is declared complete
# (a startup-notification message to the root window).
launch_id=tikr-menu-launch-42_TIME4242
xev -root -event property >"$work/startup-info.log" 2>&1 &
track $!
# Listening once it hears a property change of the root window.
xev_listens() {
  xprop -root -f TIKR_TEST_PING 8s -set TIKR_TEST_PING ping
  grep -q TIKR_TEST_PING "$work/startup-info.log"
}
wait_for 30 xev_listens || fail "(a) xev does not listen on the root window"
run_later_start a DESKTOP_STARTUP_ID=$launch_id
[ "$later_status" -eq 0 ] || fail "(a) the later start ended with status $later_status"
[ "$later_ms" -lt 4000 ] || fail "(a) the later start took ${later_ms} ms"
wait_for 30 has_window Tikr || fail "(a) the later start did not bring the window back"
[ "$(window_id Tikr)" = "$main" ] || fail "(a) another window than the running one's is shown: $(window_id Tikr) not $main"
[ "$(count_windows Tikr)" -eq 1 ] || fail "(a) the later start created a window"
xprop -id "$main" _NET_STARTUP_ID | grep -qxF "_NET_STARTUP_ID(UTF8_STRING) = \"$launch_id\"" ||
  fail "(a) the window does not carry the launch's startup id: $(xprop -id "$main" _NET_STARTUP_ID)"
wait_for 30 grep -q '(_NET_STARTUP_INFO_BEGIN), format 8' "$work/startup-info.log" ||
  fail "(a) the launch was not declared complete"
wait_for 30 active_is "$main" || fail "(a) the window was not brought to the foreground"
alive "$first" || fail "(a) the running program ended"
sleep 1
has_window Tikr || fail "(a) the window hid itself again"
import -window root "$e2e_outdir/startup-a.png" 2>/dev/null

# A later start never opens the display: it works without one.
run_later_start a -u DISPLAY
[ "$later_status" -eq 0 ] || fail "(a) a later start without a display ended with status $later_status"
alive "$first" || fail "(a) the running program ended"
# That start brought no startup id: the earlier launch's is gone.
wait_for 30 eval 'xprop -id "$main" _NET_STARTUP_ID | grep -q "not found"' ||
  fail "(a) an earlier launch's startup id stayed: $(xprop -id "$main" _NET_STARTUP_ID)"

# Exit ends the running one.
activate "$main"
xdotool key --clearmodifiers alt+x
wait_for 30 eval '! alive '"$first" || fail "(a) Exit did not end the program"
wait "$first"
status=$?
[ "$status" -eq 0 ] || fail "(a) the program ended with status $status"
grep -qi '^HideOnStartup=1' "$work/a/cfg/tikr.INI" || fail "(a) Exit lost the hide-on-startup setting"
echo "ok (a) a later start shows the hidden window and ends"

# --- (b) two starts at the same moment ---------------------------------------
make_case b "interval=10"
start_tikr b two
one=$last_pid
start_tikr b two
two=$last_pid
wait_for 30 has_window Tikr || fail "(b) no main window appeared"
wait_for 30 eval '! alive '"$one"' || ! alive '"$two" || fail "(b) both starts are still running"
sleep 2
running=0
for pid in "$one" "$two"; do
  if alive "$pid"; then
    running=$((running + 1))
    survivor=$pid
  else
    wait "$pid"
    status=$?
    [ "$status" -eq 0 ] || fail "(b) the start that gave way ended with status $status"
  fi
done
[ "$running" -eq 1 ] || fail "(b) $running schedulers are running"
[ "$(count_windows Tikr)" -eq 1 ] || fail "(b) $(count_windows Tikr) main windows exist"
has_window Tikr || fail "(b) the main window is not shown"
stop "$survivor"
wait_for 30 no_window Tikr || fail "(b) the window outlived its program"
echo "ok (b) two starts at once leave one scheduler"

# --- (c) a killed scheduler does not block the next start --------------------
make_case c "interval=10"
start_tikr c killed
killed=$last_pid
wait_for 30 has_window Tikr || fail "(c) the main window did not appear"
kill -9 "$killed"
wait "$killed" 2>/dev/null
test -e "$work/c/cfg/tikr.INI.lock" || fail "(c) no lock file was left behind"
test -S "$(cat "$work/c/cfg/tikr.INI.lock")" || fail "(c) no socket was left behind"
wait_for 30 no_window Tikr || fail "(c) the killed program's window stayed"

start_tikr c next
next=$last_pid
wait_for 30 has_window Tikr || fail "(c) the next start did not run"
sleep 1
alive "$next" || fail "(c) the next start ended"
# It holds the guard now: a further start hands over to it.
xdotool windowminimize --sync "$(window_id Tikr)" >/dev/null 2>&1
wait_for 30 no_window Tikr || fail "(c) the window could not be minimised"
run_later_start c
[ "$later_status" -eq 0 ] || fail "(c) the further start ended with status $later_status"
wait_for 30 has_window Tikr || fail "(c) the further start did not bring back the minimised window"
alive "$next" || fail "(c) the scheduler ended"
[ "$(count_windows Tikr)" -eq 1 ] || fail "(c) more than one main window"
stop "$next"
echo "ok (c) the start after a hard kill runs normally"

echo "startup: 3 passed, 0 failed"
exit 0
