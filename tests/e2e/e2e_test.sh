#!/usr/bin/env bash
# One run of the real program in a real X session (Xvfb + openbox):
# a due command task starts its program, a due message task shows its box,
# the properties dialog opens from the keyboard, and Exit ends the process.
# Screenshots of each stage land in the output directory as e2e-*.png.
#
# Usage: e2e_test.sh <tikr executable> <output directory>
set -uo pipefail

tikr=${1:?tikr executable}
e2e_outdir=${2:?output directory}
e2e_name=e2e
source "$(dirname "$0")/x_session.sh"

start_x_session

# The profile: checks every second; a command task and a message task that
# both missed a run while the scheduler was not running, so both are due at
# the first check.
mkdir -p "$work/cfg"
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

start_tikr

wait_for 30 has_window Tikr || fail "the main window did not appear"
main=$(window_id Tikr)

wait_for 30 test -e "$work/ran" || fail "the command task did not run"
wait_for 30 has_window 'Tikr Scheduled Message' || fail "the message box did not appear"
box=$(window_id 'Tikr Scheduled Message')
sleep 0.5
import -window root "$e2e_outdir/e2e-message.png" || fail "no screenshot"

# Both tasks moved their next run on before running.
grep -q '01-Jan-2020' "$work/cfg/tikr.INI" && fail "a next run time was not moved on"

# The box waits without blocking the main window: the main window is still
# there and the program keeps running; dismiss the box with Enter.
kill -0 "$app" 2>/dev/null || fail "the program ended early"
activate "$box"
xdotool key --clearmodifiers Return
wait_for 30 no_window 'Tikr Scheduled Message' || fail "the message box did not close"

activate "$main"
sleep 0.5
import -window root "$e2e_outdir/e2e-main.png" || fail "no screenshot"

# Alt+P presses Properties on the selected first task.
xdotool key --clearmodifiers alt+p
wait_for 30 has_window 'Scheduled Task Properties' || fail "the properties dialog did not open"
sleep 0.5
import -window root "$e2e_outdir/e2e-properties.png" || fail "no screenshot"
xdotool key --clearmodifiers Escape
wait_for 30 no_window 'Scheduled Task Properties' || fail "Escape did not close the properties dialog"

# Exit ends the process.
activate "$main"
xdotool key --clearmodifiers alt+x
expect_end 30 Exit
grep -qi '^interval=1$' "$work/cfg/tikr.INI" || fail "Exit did not keep the settings"

echo "e2e: 1 passed, 0 failed"
exit 0
