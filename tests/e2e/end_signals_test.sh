#!/usr/bin/env bash
# Ends that do not come through the window, and a profile that cannot be
# read, in the real program in a real X session:
#  - a profile that is a folder at start is told in a notice; once a file
#    with tasks is there instead, Tikr takes it up (its due task runs) and
#    Exit leaves its tasks and settings in it;
#  - SIGTERM, SIGHUP and SIGINT each end Tikr with status 0 after storing
#    what Exit stores: a run that ended with its outcome, a program still
#    running as "still running when Tikr ended", and their history lines;
#  - the X server going away stores the same;
#  - --list of a folder says why on standard error with status 1, and so
#    does a listing to /dev/full; a reader that stops early stays quiet.
#
# Usage: end_signals_test.sh <tikr executable> <output directory>
set -uo pipefail

tikr=${1:?tikr executable}
e2e_outdir=${2:?output directory}
e2e_name=end-signals
source "$(dirname "$0")/x_session.sh"

start_x_session
profile="$work/cfg/tikr.INI"
history="$work/state/tikr/history.log"
env_run=(env XDG_CONFIG_HOME="$work/cfg" XDG_STATE_HOME="$work/state" XDG_RUNTIME_DIR="$work/run")
mkdir -p "$work/cfg" "$work/run"
chmod 700 "$work/run"

# A task of the profile, due at once (a past next run that is made up).
due_task() { # <section> <title> <command>
  printf '[%s]\ntitle=%s\nTask=Application\ncommand=%s\ntype=Daily\nwhen=08:00\n' "$1" "$2" "$3"
  printf 'RunMissedOnStartup=Yes\nNextAt=01-Jan-2020 08:00:00\nSkipDays=0000000\n'
}
value() { sed -n "/^\[$1\]/,/^\[/p" "$profile" | sed -n "s/^$2=//p"; }

# --- a profile that cannot be read ------------------------------------------
mkdir "$profile"
"${env_run[@]}" "$tikr" --list >"$work/list.out" 2>"$work/list.err"
[ $? -eq 1 ] || fail "--list of a folder did not end with status 1"
grep -q "cannot read the profile file $profile" "$work/list.err" || fail "--list said no reason: $(cat "$work/list.err")"
[ -s "$work/list.out" ] && fail "--list of a folder printed a table"

start_tikr
wait_for 30 has_window Tikr || fail "the main window did not appear"
wait_for 30 has_window tikr || fail "no notice said that the profile cannot be read"
rmdir "$profile"
{
  printf '[settings]\ninterval=2\nshowicon=0\nNumApps=2\n'
  due_task App1 'Keep one' "touch $work/ran"
  printf '[App2]\ntitle=Keep two\nTask=Message\ntype=Daily\nwhen=09:00\nSkipDays=1111111\n'
} >"$profile"
# Read again at the next check (every 10 s by default): its due task runs.
wait_for 40 test -e "$work/ran" || fail "the profile was not read again once it could be"
activate "$(window_of Tikr)"
xdotool key --clearmodifiers alt+x
expect_end 30 "Exit after the profile was taken up"
[ "$(value settings NumApps)" = 2 ] && [ "$(value App1 title)" = 'Keep one' ] && [ "$(value App2 title)" = 'Keep two' ] ||
  fail "the tasks of the profile were not kept: $(cat "$profile")"
[ "$(value settings interval)" = 2 ] || fail "the settings of the profile were not kept: $(cat "$profile")"

# --- ends by a signal, and by the display ------------------------------------
# end_by <how>: a run that ends in failure and one that keeps running, then
# the end; the file and the history must tell both.
end_by() {
  local how=$1 sleeper status
  rm -f "$history"
  {
    printf '[settings]\ninterval=1\nshowicon=0\nNumApps=2\n'
    due_task App1 Fails "sh -c 'exit 4'"
    due_task App2 Sleeper 'sleep 631'
  } >"$profile"
  # A job started by a script has SIGINT ignored, which Tikr keeps.
  start_tikr --default-signal=INT
  wait_for 30 grep -q $'\tFails\texited with status 4' "$history" || fail "$how: the failing run was not recorded"
  sleeper=$(ps -o pid=,args= --ppid "$app" | awk '/sleep 631/ { print $1 }')
  [ -n "$sleeper" ] || fail "$how: the sleeping program is not running"
  track "$sleeper"
  if [ "$how" = display ]; then
    local id
    for id in "${e2e_pids[@]}"; do
      same "$id" && [ "$(cat "/proc/${id%%:*}/comm" 2>/dev/null)" = Xvfb ] && stop "$id"
    done
  else
    kill -s "$how" "$app"
  fi
  wait_for 30 eval '! kill -0 '"$app"' 2>/dev/null' || fail "$how: the program did not end"
  wait "$app"
  status=$?
  [ "$how" = display ] || [ "$status" -eq 0 ] || fail "$how: the program ended with status $status"
  value App1 LastResult | grep -qE '^exited with status 4 after [0-9]+ s(; ran late: due [0-9:]+)?$' ||
    fail "$how: the ended run's outcome was not stored: $(cat "$profile")"
  [[ "$(value App2 LastResult)" =~ ^'still running when Tikr ended'(\; ran late: due [0-9:]+)?$ ]] && [ -z "$(value App2 RunningSince)" ] ||
    fail "$how: the running program was not stored as still running: $(cat "$profile")"
  grep -q $'\tSleeper\tstill running when Tikr ended' "$history" || fail "$how: no history line for the running program"
  kill -0 "$sleeper" 2>/dev/null || fail "$how: the running program was not left running"
  stop "$sleeper"
  echo "$how: stored"
}
for how in TERM HUP INT; do end_by "$how"; done
end_by display

# --- --list's output that cannot be written ---------------------------------
"${env_run[@]}" "$tikr" --list >/dev/full 2>"$work/full.err"
[ $? -eq 1 ] || fail "--list to /dev/full did not end with status 1"
grep -q 'cannot write the listing: No space left on device' "$work/full.err" || fail "--list to /dev/full said: $(cat "$work/full.err")"
"${env_run[@]}" "$tikr" --list 2>"$work/head.err" | head -c 1 >/dev/null
[ -s "$work/head.err" ] && fail "--list into a pipe closed early said: $(cat "$work/head.err")"

echo "end-signals: 1 passed, 0 failed"
exit 0
