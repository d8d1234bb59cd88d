#!/usr/bin/env bash
# Runs that overlap, hang or were missed, in the real program with a clock
# 20 times fast (a minute of its time in 3 s) on a private session bus with
# a notification service:
#  - a one-minute Skip task whose program takes three minutes runs one copy
#    at a time and leaves "skipped" lines;
#  - a one-minute Restart task leaves no copy behind;
#  - a StopAfter=00:01 task running sleep is ended within the limit plus
#    10 s, its outcome says so, and its failure is told once;
#  - a start after a missed daily run leaves the "missed" line, also in
#    tikr --list;
#  - the failures of a one-minute task whose copies overlap are told, and
#    its last outcome is kept.
#
# Usage: overlap_test.sh <tikr executable> <fast clock library> <output directory>
set -uo pipefail

tikr=${1:?tikr executable}
fast_clock=${2:?fast clock library}
e2e_outdir=${3:?output directory}
here=$(cd "$(dirname "$0")" && pwd)
python=/usr/bin/python3

if [ -z "${TIKR_OVERLAP_BUS:-}" ]; then
  if ! command -v dbus-run-session >/dev/null 2>&1 || ! "$python" -c 'from gi.repository import Gio' 2>/dev/null; then
    [ "${CI:-}" = "true" ] && { echo "FAIL: dbus-run-session or python3-gi is not installed"; exit 1; }
    echo "SKIP: dbus-run-session or python3-gi is not installed"
    exit 77
  fi
  env -u DBUS_SESSION_BUS_ADDRESS TIKR_OVERLAP_BUS=1 timeout -k 5 170 dbus-run-session -- bash "$0" "$@"
  exit $?
fi

e2e_name=overlap
source "$here/x_session.sh"
# The X session leaves out the desktop's bus; this run's private one is kept.
bus=$DBUS_SESSION_BUS_ADDRESS
start_x_session
export DBUS_SESSION_BUS_ADDRESS=$bus

"$python" "$here/desktop_bus.py" notifications "$work/notifications.txt" >>"$work/notifications.log" 2>&1 &
track $!
wait_for 30 grep -qx ready "$work/notifications.txt" || fail "the notification stand-in did not start"

factor=20
start=$(date +%s)
# The daily task with a limit falls due five to six minutes of the
# program's time in, well after the overlapping task's first failure: two
# failures ending within a second are told in one notification.
limited_at=$(date -d "@$((start + 300 + 60))" +%H:%M)
cat >"$work/skipper.sh" <<EOF
#!/bin/sh
mkdir "$work/skipper.lock" 2>/dev/null || echo overlap >>"$work/skipper.overlap"
echo run >>"$work/skipper.runs"
sleep 9
rmdir "$work/skipper.lock"
EOF
chmod 755 "$work/skipper.sh"
mkdir -p "$work/cfg"
cat >"$work/cfg/tikr.INI" <<EOF
[settings]
interval=1
showicon=0
HideOnStartup=0
NumApps=5
[App1]
title=Skipper
Task=Application
command=$work/skipper.sh
type=Interval
when=00:01
IfStillRunning=Skip
[App2]
title=Restarter
Task=Application
command=sleep 611
type=Interval
when=00:01
IfStillRunning=Restart
[App3]
title=Limited
Task=Application
command=sleep 600
type=Daily
when=$limited_at
RunMissedOnStartup=No
SkipDays=0000000
StopAfter=00:01
[App4]
title=Missed
Task=Application
command=true
type=Daily
when=08:00
RunMissedOnStartup=No
NextAt=$(LC_ALL=C date -d yesterday +%d-%b-%Y) 08:00:00
SkipDays=0000000
[App5]
title=Overlapper
Task=Application
command=sh -c 'sleep 5; exit 3'
type=Interval
when=00:01
EOF

start_tikr TIKR_FAST_CLOCK="$start $factor" LD_PRELOAD="$fast_clock" \
  ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}verify_asan_link_order=0"
wait_for 30 has_window Tikr || fail "the main window did not appear"
main=$(window_id Tikr)
history="$work/state/tikr/history.log"
lines() { grep -c "^[^	]*	$1	$2" "$history" 2>/dev/null; }

wait_for 10 eval '[ "$(lines Missed "missed: due 08:00:00, Tikr was not running")" -eq 1 ]' ||
  fail "no missed line: $(cat "$history" 2>/dev/null)"
# The scheduler's children running the Restart task's program.
copies() { ps -o args= --ppid "$app" | grep -cx 'sleep 611'; }
most_copies=0
# 24 s: eight minutes of the program's time.
for _ in $(seq 48); do
  n=$(copies)
  # A stopped copy may take a moment to go.
  [ "$n" -le 1 ] || { sleep 0.3; n=$(copies); }
  [ "$n" -gt "$most_copies" ] && most_copies=$n
  sleep 0.5
done
[ "$most_copies" -le 1 ] || fail "the Restart task left $most_copies copies running"
[ "$(lines Restarter "stopped to start again after")" -ge 3 ] || fail "the Restart task was not stopped to start again"

[ ! -e "$work/skipper.overlap" ] || fail "the Skip task ran two copies at once"
[ "$(wc -l <"$work/skipper.runs")" -ge 2 ] || fail "the Skip task did not run again after its copy ended"
[ "$(lines Skipper "skipped: still running since ")" -ge 2 ] || fail "no skipped lines: $(cat "$history")"

wait_for 20 grep -q "	Limited	" "$history" || fail "the time limit's stop has no line: $(cat "$history")"
limited=$(grep "	Limited	" "$history")
grep -q '	stopped after [0-9]* s (time limit)' <<<"$limited" || fail "the time limit's outcome: $limited"
seconds=$(cut -f4 <<<"$limited")
# The limit is 3 s here; the check comes within a second, the force at 10 s.
[ "$seconds" -le 14 ] || fail "the time limit's stop took $seconds s"
[ "$(ps -o args= --ppid "$app" | grep -cx 'sleep 600')" -eq 0 ] || fail "the program over its time limit still runs"
# Told after the second that gathers failures ending together.
wait_for 5 grep -q 'a task failed | Task "Limited"' "$work/notifications.txt"
[ "$(grep -c 'a task failed | Task "Limited"' "$work/notifications.txt")" -eq 1 ] ||
  fail "the time limit was not told once: $(cat "$work/notifications.txt")"

[ "$(lines Overlapper "exited with status 3")" -ge 2 ] || fail "the overlapping runs did not end"
# Failures that end together make one notification: the Overlapper's may
# be the "more" of another task's.
grep -qE 'a task failed \| Task "Overlapper"|a task failed \| .*\(and [0-9]+ more\)' "$work/notifications.txt" ||
  fail "the overlapping failures were not told: $(cat "$work/notifications.txt")"

# Beside the running scheduler: the last outcome of the overlapping task.
running_list=$(env XDG_CONFIG_HOME="$work/cfg" XDG_STATE_HOME="$work/state" XDG_RUNTIME_DIR="$work/run" "$tikr" --list 2>&1)
grep -q '^Overlapper .*exited with status 3' <<<"$running_list" ||
  fail "--list has no outcome of the overlapping task: $running_list"
# The programs left running at the end are ended with the script.
for pid in $(ps -o pid= --ppid "$app"); do track "$pid"; done
activate "$main"
xdotool key --clearmodifiers alt+x
expect_end 20 Exit
list=$(env XDG_CONFIG_HOME="$work/cfg" XDG_STATE_HOME="$work/state" XDG_RUNTIME_DIR="$work/run" "$tikr" --list 2>&1)
grep -q '^Missed .*missed: due 08:00:00, Tikr was not running' <<<"$list" || fail "--list: $list"

echo "overlap: 1 passed, 0 failed"
exit 0
