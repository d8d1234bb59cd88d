#!/usr/bin/env bash
# What became of a run, in the real program in a real X session:
#  - a due task running sh -c 'echo out; echo err >&2; exit 3' ends with
#    "exited with status 3", its output file holds both lines and the
#    history of runs has its line;
#  - tikr --list works while the scheduler runs and, once Exit has stored
#    the outcomes, shows "exited with status 3" and, for a program still
#    running then, "still running when Tikr ended" (left running);
#  - the History window opens from the task line's menu by keys (Shift+F10,
#    H), lists that run (screenshot history.png) and Escape closes it;
#  - no zombie is left; unknown options end with status 2.
#
# Usage: run_outcome_test.sh <tikr executable> <output directory>
set -uo pipefail

tikr=${1:?tikr executable}
e2e_outdir=${2:?output directory}
e2e_name=run-outcome
source "$(dirname "$0")/x_session.sh"

start_x_session

mkdir -p "$work/cfg" "$work/run"
chmod 700 "$work/run"
# Both tasks are due at once.
cat >"$work/cfg/tikr.INI" <<EOF
[settings]
interval=1
showicon=0
HideOnStartup=0
NumApps=2
[App1]
title=Fails with three
Task=Application
command=sh -c 'echo out; echo err >&2; exit 3'
type=Daily
when=08:00
RunMissedOnStartup=Yes
NextAt=01-Jan-2020 08:00:00
SkipDays=0000000
[App2]
title=Sleeper
Task=Application
command=sleep 613
type=Daily
when=08:00
RunMissedOnStartup=Yes
NextAt=01-Jan-2020 08:00:00
SkipDays=0000000
EOF
# env replaces itself with the program: $! is the scheduler's own pid.
env_run=(env XDG_CONFIG_HOME="$work/cfg" XDG_STATE_HOME="$work/state" XDG_RUNTIME_DIR="$work/run")

"${env_run[@]}" "$tikr" --no-such-option >"$work/usage.out" 2>"$work/usage.err"
[ $? -eq 2 ] || fail "an unknown option did not end with status 2"
[ -s "$work/usage.out" ] && fail "the usage went to standard output"
grep -q '^Usage: ' "$work/usage.err" || fail "no usage on standard error"

"${env_run[@]}" "$tikr" >"$work/tikr.log" 2>&1 &
app=$!
track "$app"
wait_for 30 has_window Tikr || fail "the main window did not appear"
main=$(window_id Tikr)

history="$work/state/tikr/history.log"
wait_for 30 grep -q 'Fails with three.exited with status 3 after' "$history" ||
  fail "the history has no line for the run"
grep -qP '^\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\tFails with three\texited with status 3 after \d+ s(; ran late: due \d\d:\d\d:\d\d)?\t\d+\t/' "$history" ||
  fail "the history line is not start, title, outcome, seconds, output file: $(cat "$history")"
output=$(grep 'Fails with three' "$history" | cut -f5)
[ "$(cat "$output")" = "$(printf 'out\nerr')" ] || fail "the output file does not hold both lines: $(cat "$output")"
sleeper=$(ps -o pid=,args= --ppid "$app" | awk '/sleep 613/ { print $1 }')
[ -n "$sleeper" ] || fail "the sleeping program is not a child of the scheduler"
track "$sleeper"
[ -z "$(ps -o stat= --ppid "$app" | grep Z)" ] || fail "a program that ended is left as a zombie"

# Beside the running scheduler.
"${env_run[@]}" timeout 20 "$tikr" --list >"$work/list-running.out" 2>&1 || fail "--list failed beside the running scheduler"
grep -q '^Sleeper ' "$work/list-running.out" || fail "--list did not list the tasks: $(cat "$work/list-running.out")"

# The first line is selected and the list has the focus: its menu by keys,
# then History. The window lists the run; Escape closes it.
# A menu is the program's one override-redirect window here.
menu_open() {
  local w
  for w in $(xdotool search --onlyvisible --class '^tikr$' 2>/dev/null); do
    xwininfo -id "$w" 2>/dev/null | grep -q 'Override Redirect State: yes' && return 0
  done
  return 1
}
activate "$main"
xdotool key --clearmodifiers shift+F10
wait_for 20 menu_open || fail "Shift+F10 on the task line opened no menu"
xdotool key --clearmodifiers h
wait_for 20 has_window 'Task History' || fail "History in the line's menu opened no window"
history_window=$(window_id 'Task History')
sleep 0.5
import -window root "$e2e_outdir/history.png" 2>/dev/null || fail "no screenshot of the History window"
activate "$history_window"
xdotool key --clearmodifiers Escape
wait_for 20 no_window 'Task History' || fail "Escape did not close the History window"

activate "$main"
xdotool key --clearmodifiers alt+x
wait_for 30 eval '! kill -0 '"$app"' 2>/dev/null' || fail "the program did not end after Exit"
wait "$app"
status=$?
[ "$status" -eq 0 ] || fail "the program ended with status $status"
kill -0 "$sleeper" 2>/dev/null || fail "the program still running was not left running"

"${env_run[@]}" timeout 20 "$tikr" --list >"$work/list.out" 2>&1 || fail "--list failed"
cat "$work/list.out"
grep -qP '^Fails with three .*exited with status 3 after \d+ s(; ran late: due [\d:]+)?$' "$work/list.out" ||
  fail "--list does not show the status"
grep -qP '^Sleeper .*still running when Tikr ended(; ran late: due [\d:]+)?$' "$work/list.out" || fail "--list does not show the running program"
grep -q 'Sleeper.still running when Tikr ended' "$history" || fail "the history has no line for the running program"

echo "run-outcome: 1 passed, 0 failed"
exit 0
