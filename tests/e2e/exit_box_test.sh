#!/usr/bin/env bash
# Ending the real program while a scheduled message box is open: the check
# pass waiting in the box goes no further. The task after the box neither
# starts its program nor uses up its run (its next run stays in the file for
# the next start), and the process ends promptly. Once with Exit, once with
# Escape.
#
# Usage: exit_box_test.sh <tikr executable> <output directory>
set -uo pipefail

tikr=${1:?tikr executable}
e2e_outdir=${2:?output directory}
e2e_name=exit-box
source "$(dirname "$0")/x_session.sh"

start_x_session
mkdir -p "$work/cfg" "$work/run"
chmod 700 "$work/run"
profile="$work/cfg/tikr.INI"

# The first check comes 12 s after the start and opens the box; the next
# would run the second task inside it, so the program is ended before then.
write_profile() {
  cat >"$profile" <<EOF
[settings]
interval=12
showicon=0
NumApps=2
[App1]
title=Box
Task=Message
Message=Waiting here
type=Daily
when=08:00
RunMissedOnStartup=Yes
NextAt=01-Jan-2020 08:00:00
SkipDays=0000000
[App2]
title=After the box
Task=Application
command=/usr/bin/touch $work/after
type=Daily
when=08:00
RunMissedOnStartup=Yes
NextAt=01-Jan-2020 08:00:00
SkipDays=0000000
EOF
}

for keys in alt+x Escape; do
  rm -f "$work/after"
  write_profile
  XDG_CONFIG_HOME="$work/cfg" XDG_STATE_HOME="$work/state" XDG_RUNTIME_DIR="$work/run" "$tikr" >"$work/tikr.log" 2>&1 &
  app_pid=$!
  track "$app_pid"
  wait_for 30 has_window Tikr || fail "($keys) the main window did not appear"
  main=$(window_id Tikr)
  wait_for 30 has_window 'Tikr Scheduled Message' || fail "($keys) the message box did not appear"
  grep -q 'NextAt=01-Jan-2020' "$profile" || fail "($keys) no task is left to run after the box"

  activate "$main"
  xdotool key --clearmodifiers "$keys"
  wait_for 10 eval '! kill -0 '"$app_pid"' 2>/dev/null' || fail "($keys) the program did not end promptly"
  wait "$app_pid"
  status=$?
  [ "$status" -eq 0 ] || fail "($keys) the program ended with status $status"
  sleep 0.5  # a program started on the way out would have touched the file by now
  [ -e "$work/after" ] && fail "($keys) the task after the box started its program after the end"
  after=$(sed -n '/^\[App2\]/,/^\[/p' "$profile")
  grep -q '^NextAt=01-Jan-2020 08:00:00' <<<"$after" || fail "($keys) the task after the box lost its run: $after"
  grep -q '^LastRun=.' <<<"$after" && fail "($keys) a run that did not happen was recorded: $after"
done

echo "exit-box: 2 passed, 0 failed"
exit 0
