#!/usr/bin/env bash
# A task line of the real program in a real X session (Xvfb + openbox):
#  - a due task whose program does not exist is reported on standard error;
#  - resting the pointer on a line brings up its tooltip, a tooltip window
#    of the program that changes the screen (screenshot task-tooltip.png);
#  - a right-click on a line opens its menu, and Run Now runs the task; its
#    failure is told in a notice, as there is no tray here;
#  - the Menu key and Shift+F10 open the menu once each.
#
# Usage: task_line_test.sh <tikr executable> <output directory>
set -uo pipefail

tikr=${1:?tikr executable}
e2e_outdir=${2:?output directory}
e2e_name=task-line
source "$(dirname "$0")/x_session.sh"

skip_without compare
start_x_session

mkdir -p "$work/cfg"
# The first task is not due; the second one, due at once, names a program
# that does not exist.
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
RunMissedOnStartup=No
NextAt=01-Jan-2099 08:00:00
SkipDays=0000011
LastRun=07-Dec-2026 08:00:00
LastResult=<b>started</b>
[App2]
title=Start nothing
Disabled=0
Task=Application
command=no-such-program-xyz
show=5
type=Daily
when=08:00
RunMissedOnStartup=Yes
NextAt=01-Jan-2020 08:00:00
SkipDays=0000000
EOF

start_tikr

wait_for 30 has_window Tikr || fail "the main window did not appear"
main=$(window_id Tikr)

failures() { grep -c 'could not start "no-such-program-xyz": no program named no-such-program-xyz' "$work/tikr.log"; }
wait_for 30 eval '[ "$(failures)" -ge 1 ]' || fail "the failed start was not reported on standard error"

# The program's visible pop-up windows (override-redirect) of a kind: a
# TOOLTIP by its _NET_WM_WINDOW_TYPE, or a POPUP_MENU (Qt gives a menu no
# type of its own: any other pop-up).
windows_of_type() {
  local w tooltip
  for w in $(xdotool search --onlyvisible --class '^tikr$' 2>/dev/null); do
    xwininfo -id "$w" 2>/dev/null | grep -q 'Override Redirect State: yes' || continue
    tooltip=no
    xprop -id "$w" _NET_WM_WINDOW_TYPE 2>/dev/null | grep -q _NET_WM_WINDOW_TYPE_TOOLTIP && tooltip=yes
    case "$1:$tooltip" in TOOLTIP:yes | POPUP_MENU:no) echo "$w" ;; esac
  done
}
shown() { [ -n "$(windows_of_type "$1")" ]; }
gone() { [ -z "$(windows_of_type "$1")" ]; }

# The middles of the first two lines in the window, as the default font of
# the session draws them (a line is 14 pixels high).
line_x=60
line1_y=42
line2_y=56

activate "$main"
xdotool mousemove --window "$main" 300 300
sleep 0.5
gone TOOLTIP || fail "a tooltip is shown before hovering"
import -window root "$work/before.png" || fail "no screenshot"

# Hover the first line; a small move makes the hover count as one.
xdotool mousemove --window "$main" "$line_x" "$line1_y"
sleep 0.2
xdotool mousemove --window "$main" $((line_x + 1)) $((line1_y + 1))
wait_for 20 shown TOOLTIP || fail "hovering the first line showed no tooltip"
tip=$(windows_of_type TOOLTIP | head -n 1)
eval "$(xdotool getwindowgeometry --shell "$tip")"
# Three lines of text: rule, next run, last run.
[ "$HEIGHT" -ge 40 ] || fail "the tooltip is $HEIGHT pixels high, too low for three lines"
sleep 0.3
import -window root "$e2e_outdir/task-tooltip.png" || fail "no screenshot"
differ=$(compare -metric AE "$work/before.png" "$e2e_outdir/task-tooltip.png" null: 2>&1)
[ "${differ%% *}" -gt 0 ] 2>/dev/null || fail "the screen did not change with the tooltip ($differ)"
xdotool mousemove --window "$main" 300 300
wait_for 20 gone TOOLTIP || fail "the tooltip did not go"

# next_at <section>: the stored next run of a task.
next_at() { awk -v s="[$1]" '$0 == s { inside = 1; next } /^\[/ { inside = 0 } inside && /^NextAt=/ { sub(/^NextAt=/, ""); print }' "$work/cfg/tikr.INI"; }
due_next=$(next_at App2)
[ -n "$due_next" ] && [ "$due_next" != "01-Jan-2020 08:00:00" ] || fail "the due run did not move the next run on ($due_next)"

# A right-click below the lines opens nothing; one on the second line opens
# its menu, where R chooses Run Now.
xdotool mousemove --window "$main" "$line_x" 120 click 3
sleep 1
gone POPUP_MENU || fail "a right-click below the lines opened a menu"
xdotool mousemove --window "$main" "$line_x" "$line2_y" click 3
wait_for 20 shown POPUP_MENU || fail "a right-click on the second line opened no menu"
import -window root "$e2e_outdir/task-menu.png" 2>/dev/null
xdotool key --clearmodifiers r
wait_for 20 gone POPUP_MENU || fail "the menu did not close"
wait_for 30 eval '[ "$(failures)" -ge 2 ]' || fail "Run Now on the second line did not run its task"
[ -e "$work/ran" ] && fail "Run Now ran the first line's task"
[ "$(next_at App2)" = "$due_next" ] || fail "Run Now moved the next run ($due_next to $(next_at App2))"
# The run was asked for and this session has neither a tray nor a
# notification service: its failure is told in a notice beside the window,
# though the scheduled run failed the same way. OK closes the notice.
notice='tikr: a task could not start'
wait_for 30 has_window "$notice" || fail "the failure of Run Now was not told in a notice"
activate "$(window_id "$notice")"
xdotool key --clearmodifiers Return
wait_for 20 no_window "$notice" || fail "OK did not close the notice"

# With the focus in the list, the Menu key and Shift+F10 each open the menu
# (once: Escape leaves none behind).
for keys in Menu shift+F10; do
  activate "$main"
  xdotool key --clearmodifiers "$keys"
  wait_for 20 shown POPUP_MENU || fail "$keys opened no menu"
  xdotool key --clearmodifiers Escape
  wait_for 20 gone POPUP_MENU || fail "Escape did not close the menu of $keys"
  sleep 0.5
  gone POPUP_MENU || fail "$keys opened a second menu"
done

activate "$main"
xdotool key --clearmodifiers alt+x
expect_end 30 Exit

echo "task-line: 1 passed, 0 failed"
exit 0
