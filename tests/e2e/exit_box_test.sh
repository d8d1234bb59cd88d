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
mkdir -p "$work/cfg"
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
  start_tikr
  wait_for 30 has_window Tikr || fail "($keys) the main window did not appear"
  main=$(window_id Tikr)
  wait_for 30 has_window 'Tikr Scheduled Message' || fail "($keys) the message box did not appear"
  grep -q 'NextAt=01-Jan-2020' "$profile" || fail "($keys) no task is left to run after the box"

  activate "$main"
  xdotool key --clearmodifiers "$keys"
  expect_end 10 "$keys"
  sleep 0.5  # a program started on the way out would have touched the file by now
  [ -e "$work/after" ] && fail "($keys) the task after the box started its program after the end"
  after=$(sed -n '/^\[App2\]/,/^\[/p' "$profile")
  grep -q '^NextAt=01-Jan-2020 08:00:00' <<<"$after" || fail "($keys) the task after the box lost its run: $after"
  grep -q '^LastRun=.' <<<"$after" && fail "($keys) a run that did not happen was recorded: $after"
done

echo "exit-box: 2 passed, 0 failed"
exit 0
