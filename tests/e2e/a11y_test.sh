#!/usr/bin/env bash
# The real program as a screen reader meets it: on a private session bus
# with the accessibility bus, a due message task's box is announced as an
# alert, and every control of the main window and of the properties dialog
# (opened with Alt+A) has the role and name of the tables in a11y_check.py;
# the task list's lines carry the task titles. A program that ends with
# status 3 at every check has its outcome and time taken in its line's
# description (the text of its tooltip) and is told once through the
# notification service (a recording stand-in; no tray here), and once more
# after Run Now.
#
# Usage: a11y_test.sh <tikr executable> <output directory>
set -uo pipefail

tikr=${1:?tikr executable}
e2e_outdir=${2:?output directory}
here=$(cd "$(dirname "$0")" && pwd)
python=/usr/bin/python3  # pyatspi is installed for the system python

# First run: the checks below in a private session bus, which ends with
# them (with the accessibility bus it started on demand); its sockets go to
# a runtime directory of this run only.
if [ -z "${TIKR_A11Y_SESSION:-}" ]; then
  missing=""
  command -v dbus-run-session >/dev/null 2>&1 || missing="dbus-run-session"
  command -v dbus-send >/dev/null 2>&1 || missing="dbus-send"
  "$python" -c 'import pyatspi' >/dev/null 2>&1 || missing="python3-pyatspi"
  [ -x /usr/libexec/at-spi-bus-launcher ] || missing="at-spi2-core"
  "$python" -c 'from gi.repository import Gio' >/dev/null 2>&1 || missing="python3-gi"
  if [ -n "$missing" ]; then
    [ "${CI:-}" = "true" ] && { echo "FAIL: $missing is not installed"; exit 1; }
    echo "SKIP: $missing is not installed"
    exit 77
  fi
  runtime=$(mktemp -d /tmp/tikr-a11y-bus.XXXXXX)
  env -u DISPLAY -u DBUS_SESSION_BUS_ADDRESS XDG_RUNTIME_DIR="$runtime" TIKR_A11Y_SESSION=1 \
    timeout -k 5 150 dbus-run-session -- bash "$0" "$@"
  status=$?
  rm -rf "$runtime"
  exit $status
fi

e2e_name=a11y
source "$here/x_session.sh"
session_bus=$DBUS_SESSION_BUS_ADDRESS
start_x_session
export DBUS_SESSION_BUS_ADDRESS=$session_bus

# A due message task and a task that is not due.
mkdir -p "$work/cfg"
cat >"$work/cfg/tikr.INI" <<EOF
[settings]
interval=1
showicon=1
HideOnStartup=0
NumApps=3
[App1]
title=Say hello
Disabled=0
Task=Message
Message=Hello from the scheduler
type=Daily
when=08:00
RunMissedOnStartup=Yes
NextAt=01-Jan-2020 08:00:00
SkipDays=0000000
[App2]
title=Back up the notes
Disabled=0
Task=Application
command=/bin/true
show=5
type=Weekly
when=21:30
RunMissedOnStartup=No
NextAt=01-Jan-2099 21:30:00
SkipDays=0000000
[App3]
title=Fails with three
Task=Application
command=sh -c 'exit 3'
type=Interval
when=00:00
RunMissedOnStartup=No
EOF

# The accessibility bus runs before the program starts, so that the program
# finds it at once; QT_LINUX_ACCESSIBILITY_ALWAYS_ON makes Qt join it without
# a screen reader having asked for it.
dbus-send --session --print-reply --reply-timeout=20000 --dest=org.a11y.Bus /org/a11y/bus \
  org.a11y.Bus.GetAddress >"$work/a11y-bus.log" 2>&1 || fail "the accessibility bus did not start"

"$python" "$here/desktop_bus.py" notifications "$work/notifications.txt" >"$work/notifications.log" 2>&1 &
track $!
wait_for 30 grep -qx ready "$work/notifications.txt" || fail "the notification service stand-in did not start"

QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 XDG_CONFIG_HOME="$work/cfg" XDG_STATE_HOME="$work/state" "$tikr" >"$work/tikr.log" 2>&1 &
app=$!
track "$app"

check() { timeout -k 5 90 "$python" "$here/a11y_check.py" "$@"; }

check alert 'Tikr Scheduled Message' 'Hello from the scheduler' || fail "the message box is not an alert that reads its text"
wait_for 30 has_window 'Tikr Scheduled Message' || fail "the message box is not on the screen"
activate "$(window_id 'Tikr Scheduled Message')"
xdotool key --clearmodifiers Return
wait_for 30 no_window 'Tikr Scheduled Message' || fail "the message box did not close"

check main 'Say hello' 'Back up the notes' 'Fails with three' || fail "the main window reads wrong"

failed="^notify tikr \| tikr: a task failed \| Task \"Fails with three\" running \"sh -c 'exit 3'\" exited with status 3 after [0-9]+ s\$"
told() { grep -cE "$failed" "$work/notifications.txt"; }
ends() { grep -c $'\tFails with three\texited with status 3 after ' "$work/state/tikr/history.log"; }
check line 'Fails with three' '^Last run: .*, exited with status 3 after [0-9]+ s$' ||
  fail "the failing task's line does not give its outcome"
wait_for 30 eval '[ "$(ends)" -ge 4 ]' || fail "the failing task did not run at every check"
[ "$(told)" -eq 1 ] || fail "the same failure was told $(told) times: $(cat "$work/notifications.txt")"
# Disabled first, so that no scheduled run comes between Run Now and its end.
popup_shown() { [ -n "$(xdotool search --onlyvisible --class '^tikr$' 2>/dev/null | while read -r w; do
  xwininfo -id "$w" 2>/dev/null | grep -q 'Override Redirect State: yes' && echo "$w"; done)" ]; }
for entry in d r; do
  activate "$(window_id Tikr)"
  xdotool key --clearmodifiers End Menu
  wait_for 20 popup_shown || fail "the Menu key opened no menu"
  xdotool key --clearmodifiers "$entry"
  wait_for 20 eval '! popup_shown' || fail "the menu did not close"
done
wait_for 30 eval '[ "$(told)" -ge 2 ]' || fail "the failure of Run Now was not told: $(cat "$work/notifications.txt")"
grep -q '^Disabled=1' "$work/cfg/tikr.INI" || fail "the task was not disabled"

wait_for 30 has_window Tikr || fail "the main window is not on the screen"
main=$(window_id Tikr)
activate "$main"
xdotool key --clearmodifiers alt+a
wait_for 30 has_window 'Scheduled Task Properties' || fail "Alt+A did not open the properties dialog"
check properties || fail "the properties dialog reads wrong"
xdotool key --clearmodifiers Escape
wait_for 30 no_window 'Scheduled Task Properties' || fail "Escape did not close the properties dialog"

activate "$main"
xdotool key --clearmodifiers alt+x
expect_end 30 Exit

echo "a11y: 1 passed, 0 failed"
exit 0
